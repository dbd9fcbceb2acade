// Replaces the array forms of new and delete for the whole test program, so that a chosen size
// can be refused. The buffers of the devices come from the nothrow form.
#include "failing_allocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> refusedSize{0};

void* Allocate(std::size_t byteCount)
{
    if (byteCount != 0 && byteCount == refusedSize.load())
        return nullptr;
    return std::malloc(byteCount ? byteCount : 1);  // a zero-length array is still an array
}

}  // namespace

void FailAllocationsOf(std::size_t byteCount)
{
    refusedSize = byteCount;
}

void* operator new[](std::size_t byteCount, const std::nothrow_t&) noexcept
{
    return Allocate(byteCount);
}

void* operator new[](std::size_t byteCount)
{
    if (void* memory = Allocate(byteCount))
        return memory;
    throw std::bad_alloc();
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}
