// Watches the largest single allocation made through operator new while an object of it lives.
// The test program replaces operator new for this (largest_allocation.cpp).
#pragma once

#include <cstddef>

class LargestAllocation {
public:
    LargestAllocation();
    ~LargestAllocation();
    LargestAllocation(const LargestAllocation&) = delete;
    LargestAllocation& operator=(const LargestAllocation&) = delete;

    std::size_t Size() const;
};
