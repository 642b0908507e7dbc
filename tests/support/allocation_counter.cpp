// The counting replacements of the global allocation functions.
#include "support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "support/block_size.h"

namespace {

std::atomic<long> gAllocations{0};
std::atomic<long> gLiveBytes{0};
std::atomic<long> gPeakBytes{0};

void* countedAlloc(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    const long size = static_cast<long>(allocatedBlockSize(p));
    const long live = gLiveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    long peak = gPeakBytes.load(std::memory_order_relaxed);
    while (live > peak && !gPeakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    return p;
}

void countedFree(void* p) {
    if (p) gLiveBytes.fetch_sub(static_cast<long>(allocatedBlockSize(p)), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return countedAlloc(n); }
void* operator new[](std::size_t n) { return countedAlloc(n); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
// Libraries (the GL driver) allocate with the nothrow forms: they must pair with the above.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return countedAlloc(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

void AllocationCounter::restart() {
    start_ = gAllocations.load();
    startBytes_ = gLiveBytes.load();
    gPeakBytes.store(startBytes_);
}

long AllocationCounter::count() const { return gAllocations.load() - start_; }

long AllocationCounter::peakBytes() const { return gPeakBytes.load() - startBytes_; }
