#pragma once
// Counts heap allocations made on this thread while an AllocationCounter lives,
// for tests that prove a routine allocates nothing.
#include <cstddef>

namespace quelvar::test {

class AllocationCounter {
public:
    AllocationCounter();   // starts counting
    ~AllocationCounter();  // stops counting
    std::size_t count() const;
};

}  // namespace quelvar::test
