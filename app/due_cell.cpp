// The due-cell rule, once for the player and every tool.
#include "app/due_cell.h"

#include "app/cell.h"
#include "app/timeline.h"
#include "scene/track.h"

DueCell dueCellOn(Track& track, int32_t ticks) {
    DueCell due;
    TimedKey* keys[2] = {nullptr, nullptr};
    if (track.findKeysAt(ticks, keys) != 0 || !keys[0]) return due;
    auto* cell = static_cast<Cell*>(keys[0]->getValue());
    if (!cell || !cellWindowHolds(cell->getStart(), cell->getEnd(), ticks)) return due;
    due.cell = cell;
    due.key = keys[0];
    due.localTicks = ticks - keys[0]->getTime() + cell->getInPoint();
    return due;
}

std::vector<DueCell> dueCellsAt(const Timeline& timeline, int32_t ticks) {
    std::vector<DueCell> cells;
    for (int i = 0; i < timeline.getTrackCount(); ++i) cells.push_back(dueCellOn(*timeline.getTrack(i), ticks));
    return cells;
}
