// The one way a show is loaded, by the player and by every tool: a pack read in one pass, the
// mesh section into a registry, then the timeline section. The result says what was loaded or
// where and why loading stopped; the player shows a failure in its box, demotool prints it.
#pragma once

#include <cstdint>
#include <string>

#include "data/pack_reader.h"

class MeshRegistry;
class Timeline;

// Caption of the box in which the player reports a pack that could not be loaded.
constexpr const char* kLoadErrorCaption = "Cannot load the show";

enum class ShowLoadStatus {
    Loaded,   // the pack was read
    NoPack,   // the pack could not be opened (the player then plays an empty show, silently)
    Damaged,  // the pack is damaged: loading stopped at the error
};

struct ShowLoadResult {
    ShowLoadStatus status = ShowLoadStatus::Loaded;
    // NoPack: the file, reason "cannot be opened"; Damaged: where and why reading stopped.
    ReadError error;
    // Bytes of the uncompressed stream read.
    uint64_t bytes = 0;
    // Faults that loading survived (data kept but not used, a face reaching outside its points):
    // the first, with its offset and what was being read, and how many more there were.
    std::string noteSummary;
    int noteCount = 0;
    bool loaded() const { return status == ShowLoadStatus::Loaded; }
};

// Opens the pack at path, reads the mesh section into registry and the timeline section into
// timeline, and closes it. Files that the pack names are looked up in folder (empty: the working
// directory). Errors and notes call the pack name (its path when empty).
// Boxes shown while loading go through a MessageBoxDigest (each distinct one once), and a fault
// that loading survived is reported in one reportLine (the reader's noteSummary(): the first, with how many
// more there were).
ShowLoadResult loadShow(const std::string& path, MeshRegistry& registry, Timeline& timeline,
                        const std::string& folder = "", const std::string& name = "");
// The same from a reader that is already open (a pack in memory), with the reader's folder; the
// reader is not closed.
ShowLoadResult loadShowFrom(PackReader& reader, MeshRegistry& registry, Timeline& timeline);
// Frees what a load made: every cell on timeline's tracks (the tracks are emptied), every library
// animation with the frame bytes it read, and the open FLI/FLC file. The registry the load filled
// is left to its owner. For tools that load show after show in one process.
void releaseShow(Timeline& timeline);
