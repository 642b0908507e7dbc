// LiveBuild: a show source kept built while its author edits it. It looks at the modification
// times and sizes of the source's files, and once a change has settled it builds the source into
// a pack folder elsewhere; a failed build leaves the last good pack in place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/show_source/show_source.h"

class LiveBuild {
public:
    enum class Outcome {
        Unchanged,  // nothing to do: no change, or one that has not settled yet
        Rebuilt,    // the pack folder holds the source as it is now
        Failed,     // the source has problems (problemLines); the last good pack is kept
    };

    // The files are looked at no more often than this.
    static constexpr double kLookIntervalMs = 100.0;
    // A change is built once the files have looked the same for this long, so that a save that
    // is still being written is not built half-way (and then again).
    static constexpr double kSettleMs = 100.0;

    // True when folder holds a show source (its manifest, "show.yaml").
    static bool isSource(const std::string& folder);

    // sourceFolder: the show source (its manifest and the files it names). packFolder: where the
    // pack ("data.pak") and the files it names beside it are written (left out of the watch
    // should it lie inside the source).
    LiveBuild(std::string sourceFolder, std::string packFolder);

    // Builds the source as it is now, changed or not: Rebuilt or Failed.
    Outcome build();
    // Looks at the source's files at nowMs (any steady clock in milliseconds, at most every
    // kLookIntervalMs): true when they changed since the last build and have stayed the same
    // for kSettleMs since, so that a build is due.
    bool changeSettled(double nowMs);
    // changeSettled, then build when it is due; Unchanged otherwise.
    Outcome poll(double nowMs) { return changeSettled(nowMs) ? build() : Outcome::Unchanged; }

    // The last build's problems, each "file:line:column: what", then "... and N more problems"
    // when more were found than kept, or the failure that was not the source's; empty after a
    // good build.
    const std::vector<std::string>& problemLines() const { return problems_; }
    // The pack that builds write.
    std::string packPath() const;
    const std::string& packFolder() const { return packFolder_; }
    // Builds started so far (good and failed).
    int buildCount() const { return builds_; }

private:
    // Each file under the source (relative path) with its modification time and size. Hidden
    // files and folders, editor backups ("~", ".swp", ".tmp") and the pack folder are left out.
    using Snapshot = std::map<std::string, std::pair<int64_t, uintmax_t>>;
    Snapshot look() const;

    std::string source_;
    std::string packFolder_;
    Snapshot built_;          // the files as the last build read them
    Snapshot pending_;        // the files as they looked since pendingSince_
    bool hasPending_ = false;
    double pendingSince_ = 0.0;
    double nextLook_ = 0.0;
    bool lookedOnce_ = false;
    int builds_ = 0;
    std::vector<std::string> problems_;
};
