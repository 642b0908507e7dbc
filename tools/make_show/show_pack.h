// Writing the show's pack: the mesh section (the registry's save) and the timeline section, whose
// library animations and cell records are written here following their record formats, with
// every clip payload written by the clip's own save.
#pragma once

#include <map>
#include <string>
#include <vector>

class Animation;
class Cell;
class MeshRegistry;
class PackWriter;
class Player;

struct ShowTimeline {
    // Library animations, in the order the pack lists them (not owned).
    std::vector<Animation*> library;
    // Library animations that play an FLC file (source mode 1): name -> file name. Their record
    // (mode 1, name, file name) has no save of its own.
    std::map<std::string, std::string> flcFiles;
    // The cells of each track in time order (not owned).
    std::vector<std::vector<Cell*>> tracks;
};

// Writes the mesh section, then the timeline section. The one message box that a picture's save
// shows on success ("Z_OK") is expected; any other box, or a writer failure, makes the result
// false with the box's text in error.
bool writeShowPack(PackWriter& writer, MeshRegistry& registry, const ShowTimeline& timeline, std::string* error);

// The timeline that a loaded player holds: the library from animationList and each track's cells
// from its keys (every key but the closing one). flcFiles is copied in as given.
ShowTimeline timelineOfPlayer(Player& player, const std::map<std::string, std::string>& flcFiles);
