// Show clock sources.
#include "platform/clock.h"

#include <chrono>

namespace {
std::function<uint32_t()>& currentSource() {
    static std::function<uint32_t()> source;
    return source;
}

uint32_t systemMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

uint32_t timeGetTime() {
    auto& source = currentSource();
    return source ? source() : systemMilliseconds();
}

std::function<uint32_t()> setClockSource(std::function<uint32_t()> source) {
    auto previous = std::move(currentSource());
    currentSource() = std::move(source);
    return previous;
}

ManualClock::ManualClock(uint32_t startMs) : now_(startMs) {
    previous_ = setClockSource([this] { return now_; });
}

ManualClock::~ManualClock() { setClockSource(std::move(previous_)); }
