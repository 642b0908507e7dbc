// The start-up load of the show: the mesh section, then the timeline, from one pack reader.
#pragma once

#include <string>

class MeshRegistry;
class Player;
class PackReader;

// Caption of the box that reports a pack that could not be loaded.
constexpr const char* kLoadErrorCaption = "Cannot load the show";

// Results of loadShow.
enum ShowLoadResult {
    kShowLoaded = 0,   // the pack was read
    kShowNoPack = 5,   // the pack could not be opened: an empty show (nothing reported)
    kShowBadPack = 1,  // the pack is damaged: reported, loading stopped
};

// Opens path on reader; if it opened, the registry reads the mesh section and the player the
// timeline, then the reader is closed. Boxes shown while loading go through a MessageBoxDigest
// (each distinct one once), and a fault that loading survived is reported in one reportLine
// (the reader's firstNote(), with how many more there were). A damaged pack shows
// one box (text: the reader's error(), which names the byte offset and what was being read;
// caption kLoadErrorCaption).
ShowLoadResult loadShow(const char* path, PackReader& reader, MeshRegistry& registry, Player& player);
// As loadShow for a reader that is already open (tests, tools): loads and reports, no close.
ShowLoadResult loadShowFrom(PackReader& reader, MeshRegistry& registry, Player& player);
