// Loading and releasing a whole show for the fuzz targets.
#include "fuzz/show_entry.h"

#include "app/player.h"

ShowLoadResult fuzzLoadShow(const char* path, MeshRegistry& registry, Player& player) {
    return loadShow(path, registry, player.timeline());
}

void releaseLoadedShow(Player& player) { releaseShow(player.timeline()); }
