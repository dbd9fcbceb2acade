// Array allocations that fail on demand: this file replaces the no-throw `new[]` of the test
// program, so code under test sees the null a full heap would give it.
#pragma once

#include <cstddef>

namespace fake {

// While alive, no-throw array allocations return null: those of `byteCount` bytes, or with 0
// every one.
class FailingArrayAllocations {
public:
    explicit FailingArrayAllocations(std::size_t byteCount = 0);
    ~FailingArrayAllocations();
    FailingArrayAllocations(const FailingArrayAllocations&) = delete;
    FailingArrayAllocations& operator=(const FailingArrayAllocations&) = delete;
};

}  // namespace fake
