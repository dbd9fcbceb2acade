// The program's array new and delete, straight over the C heap. The library's no-throw new
// calls the throwing one and catches its bad_alloc, which links the whole exception machinery
// into a program that never throws; this one hands on malloc's null instead.
#include <cstdlib>
#include <new>

void* operator new[](std::size_t byteCount, const std::nothrow_t&) noexcept
{
    return std::malloc(byteCount ? byteCount : 1);  // a zero-length array is still an array
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
