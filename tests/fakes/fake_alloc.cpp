// The replaceable no-throw array `new`, failing while a FailingArrayAllocations is alive.
#include "tests/fakes/fake_alloc.h"

#include <cstddef>
#include <new>

namespace {

bool failArrayAllocations = false;

}  // namespace

namespace fake {

FailingArrayAllocations::FailingArrayAllocations()
{
    failArrayAllocations = true;
}

FailingArrayAllocations::~FailingArrayAllocations()
{
    failArrayAllocations = false;
}

}  // namespace fake

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (failArrayAllocations) return nullptr;
    // The throwing form stays the runtime's (the sanitizer's, under ASan), so delete[] matches.
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
