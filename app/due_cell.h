// The rule that says which cell a track draws at a moment of the show: the cell on the first key
// of the first key pair that brackets the time, while the time lies within the cell's window
// (its start up to one stored frame past its end). The player draws by it and the tools describe
// by it.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/ticks.h"

class Cell;
class Timeline;
class TimedKey;
class Track;

// What one track draws at a time.
struct DueCell {
    Cell* cell = nullptr;     // null when the track draws nothing then
    TimedKey* key = nullptr;  // the key that carries the cell
    int32_t localTicks = 0;   // the cell's own time: ticks since its key, plus its in point
};

// The last tick at which a cell ending at end (ticks) still draws: one stored frame of grace.
inline int64_t cellLastDueTick(int64_t end) { return end + kTicksPerFrame; }
// True when ticks lies within the window of a cell from start to end (ticks).
inline bool cellWindowHolds(int64_t start, int64_t end, int64_t ticks) {
    return ticks >= start && ticks <= cellLastDueTick(end);
}

// The cell track draws at ticks; an empty DueCell when none.
DueCell dueCellOn(Track& track, int32_t ticks);
// The cell each track of timeline draws at ticks, in track order (one entry per track).
std::vector<DueCell> dueCellsAt(const Timeline& timeline, int32_t ticks);
