// The show clock: milliseconds with 32-bit wrap-around (the system's millisecond clock by
// default). Offline rendering replaces the source with one that advances by whole frames.
#pragma once

#include <cstdint>
#include <functional>

// Milliseconds from the current source (systemClockMs by default).
uint32_t showClockMs();

// The system's millisecond clock: a monotonic clock on POSIX (system_clock_std.cpp), WINMM's
// timeGetTime on Windows (system_clock_win32.cpp).
uint32_t systemClockMs();

// Processor time the calling thread has used, in milliseconds (for measuring work apart from
// time lost to other programs).
double threadCpuMilliseconds();

// Replaces the source; an empty function restores the system clock. Returns the previous one.
std::function<uint32_t()> setClockSource(std::function<uint32_t()> source);

// A manual clock for tests and offline rendering: installs itself while in scope.
class ManualClock {
public:
    explicit ManualClock(uint32_t startMs = 0);
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    void set(uint32_t ms) { now_ = ms; }
    void advance(uint32_t ms) { now_ += ms; }
    uint32_t now() const { return now_; }

private:
    uint32_t now_;
    std::function<uint32_t()> previous_;
};
