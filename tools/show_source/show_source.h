// Show sources: unpack writes a pack's source folder, build compiles a source folder into a pack
// through the show's own loaders and savers.
#pragma once

#include <string>
#include <vector>

#include "tools/show_source/source_codec.h"

// Loads the pack (files it names lie beside it) with the player's loaders and writes its source
// into folder: show.yaml, scenes/, meshes/, pictures/ (PNG), frames/ (packed frames), the FLI/FLC
// files it names and music.mp3 when one lies beside the pack. False with the reason in error.
bool unpackShow(const std::string& packPath, const std::string& folder, std::string* error);

// What a build found.
struct BuildResult {
    std::vector<SourceProblem> problems;  // at most kMaxSourceProblems
    int problemCount = 0;                 // all of them
    std::string error;                    // a failure that is not the source's (a file not written)
    bool ok() const { return problemCount == 0 && error.empty(); }
};

// Reads the source in folder, checks it, loads the records with the player's loaders and writes
// them with the savers to packPath (a temporary renamed at the end: a failed build writes
// nothing). FLI/FLC files and music.mp3 are copied beside the pack when it lies elsewhere.
BuildResult buildShow(const std::string& folder, const std::string& packPath);

// The uncompressed stream a source encodes to (no loading, nothing written); problems as above.
BuildResult encodeShowSource(const std::string& folder, std::vector<uint8_t>* stream);
