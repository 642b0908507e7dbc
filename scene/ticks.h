// The show's time units. The show clock runs in milliseconds; the timeline, cells, keys and node
// times run in ticks, trunc(ms x 0.899); frame numbers stored in a pack are frames of 30 ticks.
#pragma once

#include <cstdint>

// Ticks per millisecond of the show clock.
constexpr double kTicksPerMillisecond = 0.899;
// Ticks a stored frame lasts: cell times, physics frames and soft-body windows count in these.
constexpr int32_t kTicksPerFrame = 30;

// Ticks for a show time: trunc(ms x 0.899).
inline int32_t showTicks(int32_t ms) { return static_cast<int32_t>(static_cast<double>(ms) * kTicksPerMillisecond); }
