// The system clock in a browser: the page's performance clock in milliseconds. A page cannot read
// the processor time of its thread, so the same clock stands in for it.
#include <emscripten.h>

#include "platform/core/clock.h"

uint32_t systemClockMs() { return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now())); }

double threadCpuMilliseconds() { return emscripten_get_now(); }
