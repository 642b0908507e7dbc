// AllocationCounter: heap allocations made through operator new (any thread) since the counter
// was made or last restarted, and the most bytes they held at once. A test program that uses it
// has its global operator new and operator delete replaced by counting ones.
#pragma once

class AllocationCounter {
public:
    AllocationCounter() { restart(); }
    // Starts counting again; the peak starts from what is held now.
    void restart();
    // Allocations since the start.
    long count() const;
    // The most bytes held at once since the start, above what was held at the start (block sizes
    // as the allocator gives them). Process-wide: another counter's restart moves it too.
    long peakBytes() const;

private:
    long start_ = 0;
    long startBytes_ = 0;
};
