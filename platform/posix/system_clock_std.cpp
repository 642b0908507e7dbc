// The system clock on POSIX systems: the C++ monotonic clock in milliseconds; thread time from
// clock_gettime.
#include <chrono>
#include <ctime>

#include "platform/core/clock.h"

uint32_t systemClockMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double threadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}
