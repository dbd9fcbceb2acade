// Makes the byte-array allocations of one size fail, as a machine short of memory would.
#pragma once

#include <cstddef>

// Array allocations of exactly `byteCount` bytes fail from now on; 0 lets all succeed again.
void FailAllocationsOf(std::size_t byteCount);
