// The system clock on Windows: WINMM's timeGetTime, at a 1 ms resolution for the whole process.
#include "platform/win32_api.h"

#include "platform/clock.h"

namespace {
// timeGetTime ticks at the scheduler's granularity (often 15.6 ms) unless a period is asked for.
struct TimerResolution {
    TimerResolution() { timeBeginPeriod(1); }
    ~TimerResolution() { timeEndPeriod(1); }
};
}  // namespace

uint32_t systemClockMs() {
    static TimerResolution resolution;
    return static_cast<uint32_t>(timeGetTime());
}
