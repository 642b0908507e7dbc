// The system clock on POSIX systems: the C++ monotonic clock in milliseconds.
#include <chrono>

#include "platform/clock.h"

uint32_t systemClockMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
