// The replaceable no-throw array `new`, failing while a FailingArrayAllocations is alive.
#include "tests/fakes/fake_alloc.h"

#include <atomic>
#include <new>

namespace {

// Read on any thread that allocates (a dialog script's, under Wine).
std::atomic<bool> failing{false};
std::atomic<std::size_t> onlySize{0};  // 0: every size

}  // namespace

namespace fake {

FailingArrayAllocations::FailingArrayAllocations(std::size_t byteCount)
{
    onlySize = byteCount;
    failing = true;
}

FailingArrayAllocations::~FailingArrayAllocations()
{
    failing = false;
    onlySize = 0;
}

}  // namespace fake

void* operator new[](std::size_t byteCount, const std::nothrow_t&) noexcept
{
    if (failing && (onlySize == 0 || onlySize == byteCount)) return nullptr;
    // The throwing form stays the runtime's (the sanitizer's, under ASan), so delete[] matches.
    try {
        return ::operator new[](byteCount);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
