// Loading and releasing a whole show for the fuzz targets.
#include "fuzz/show_entry.h"

#include <unordered_set>

#include "app/animation.h"
#include "app/cell.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/player.h"

ShowLoadResult fuzzLoadShow(const char* path, MeshRegistry& registry, Player& player) {
    return loadShow(path, registry, player.timeline());
}

void releaseLoadedShow(Player& player) {
    Timeline& timeline = player.timeline();
    // A track's last cell has two keys (its start and its closing key).
    std::unordered_set<Cell*> cells;
    for (int t = 0; t < timeline.getTrackCount(); ++t) {
        Track* track = timeline.getTrack(t);
        for (int k = 0; k < track->count(); ++k)
            if (TimedKey* key = track->getKey(k)) cells.insert(static_cast<Cell*>(key->getValue()));
    }
    for (Cell* cell : cells) delete cell;
    timeline.setTrackCount(0);

    // Library animations own their frame bytes; cells only shared them.
    if (animationList) {
        while (animationList->count() > 0) {
            Animation* animation = animationList->removeAt(0);
            if (animation->getFliReader() == nullptr)
                for (Frame* frame : animation->frames()) delete[] frame->data;
            delete animation;
        }
    }
    fliClose();
}
