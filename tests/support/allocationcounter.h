// Counts heap allocations made by the current thread while a scope is open,
// to prove that the audio path allocates nothing.
#pragma once

#include <cstddef>

namespace KestrumTest
{

class AllocationCounter
{
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    std::size_t count() const;
};

} // namespace KestrumTest
