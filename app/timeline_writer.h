// The one writer of a timeline section, the mirror of Timeline::load: the library animations,
// an unused int32, the track count, and every track's cell records with their clip payloads
// (times stored in whole frames, no key records). Used by the player's save and by the tool that
// builds the sample show.
#pragma once

#include <map>
#include <string>
#include <vector>

class Animation;
class Cell;
class PackWriter;

// Library animations that play an FLC file: name -> file name. Their record (source mode 1, the
// name, the file name) is written here, since an animation has no save of its own for it.
using FlcFiles = std::map<std::string, std::string>;

// What a timeline section holds (nothing owned).
struct TimelineContent {
    std::vector<Animation*> library;
    FlcFiles flcFiles;
    // The cells of each track in time order.
    std::vector<std::vector<Cell*>> tracks;
};

// The outcome of writing: empty error when every record was written as load reads it.
struct TimelineWriteResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// Writes the section. A record that could not be written as load reads it (a picture that does
// not compress, an animation the writer cannot store), or a failed writer, is named in the result.
TimelineWriteResult writeTimeline(PackWriter& writer, const TimelineContent& content);
