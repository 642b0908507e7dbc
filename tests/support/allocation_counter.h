// AllocationCounter: heap allocations made through operator new (any thread) since the counter
// was made or last restarted. A test program that uses it has its global operator new and
// operator delete replaced by counting ones.
#pragma once

class AllocationCounter {
public:
    AllocationCounter() { restart(); }
    void restart();
    // Allocations since the start.
    long count() const;

private:
    long start_ = 0;
};
