// The system clock on Windows: WINMM's timeGetTime, at a 1 ms resolution for the whole process.
#include "platform/win32/win32_api.h"

#include "platform/core/clock.h"

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

double threadCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    const auto ticks = [](const FILETIME& f) {
        return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}
