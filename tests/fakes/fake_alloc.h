// Array allocations that fail on demand: this library replaces the no-throw `new[]`, so code
// under test sees the null a full heap would give it.
#pragma once

namespace fake {

// While alive, every no-throw array allocation returns null.
class FailingArrayAllocations {
public:
    FailingArrayAllocations();
    ~FailingArrayAllocations();
    FailingArrayAllocations(const FailingArrayAllocations&) = delete;
    FailingArrayAllocations& operator=(const FailingArrayAllocations&) = delete;
};

}  // namespace fake
