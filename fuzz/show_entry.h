// The one call through which the fuzz targets load a whole show, and the release of what a load
// made, so that a fuzz process can load pack after pack without growing.
#pragma once

#include "app/show_loader.h"

class MeshRegistry;
class Player;

// Loads the pack at path exactly as the players do: loadShow into the player's timeline.
ShowLoadResult fuzzLoadShow(const char* path, MeshRegistry& registry, Player& player);

// Deletes every cell on the player's tracks and every library animation with the frame bytes it
// read; the player and the registry are left for their owners to delete.
void releaseLoadedShow(Player& player);
