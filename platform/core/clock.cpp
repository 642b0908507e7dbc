// Show clock sources.
#include "platform/core/clock.h"

namespace {
std::function<uint32_t()>& currentSource() {
    static std::function<uint32_t()> source;
    return source;
}
}  // namespace

uint32_t showClockMs() {
    auto& source = currentSource();
    return source ? source() : systemClockMs();
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
