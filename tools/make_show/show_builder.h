// The sample show: builds every clip in memory from the project's classes and writes the show
// folder that the player plays ("data.pak", the FLC file a library animation names, and
// "music.mp3"). Everything is generated from code; the same build always writes the same bytes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "tools/make_show/show_pack.h"

class Animation;
class Cell;

// File names inside the show folder.
constexpr const char* kShowPackFile = "data.pak";
constexpr const char* kShowMusicFile = "music.mp3";
constexpr const char* kShowFlcFile = "spinner.flc";
// Names of the library animations.
constexpr const char* kWipeAnimation = "wipe";
constexpr const char* kSpinnerAnimation = "spinner";

// Tracks of the timeline: the scenes, and the overlays drawn over them (the title and end cards,
// the wipes). An animation cell's closing key lies far past its frames (its length is its
// absolute end), so the wipes sit between pictures on the overlay track rather than last on one.
enum ShowTrack { kSceneTrack = 0, kOverlayTrack = 1, kShowTrackCount = 2 };

// Everything the pack holds, owned here: the registry, the library animations with their frame
// bytes, the cells with the pictures they draw.
class ShowDocument {
public:
    // Builds the whole show.
    ShowDocument();
    ~ShowDocument();
    ShowDocument(const ShowDocument&) = delete;
    ShowDocument& operator=(const ShowDocument&) = delete;

    MeshRegistry& registry() { return registry_; }
    const TimelineContent& timeline() const { return timeline_; }
    // The FLC library animations (name -> file name in the show folder).
    const FlcFiles& flcFiles() const { return timeline_.flcFiles; }
    // The uncompressed pack stream, or empty with the reason in error.
    std::vector<uint8_t> packBytes(std::string* error);

private:
    void addCell(int track, Cell* cell);

    MeshRegistry registry_;
    std::vector<std::unique_ptr<Animation>> library_;
    std::vector<std::unique_ptr<Cell>> cells_;
    std::vector<std::vector<uint8_t>> pictures_;
    std::vector<std::vector<uint8_t>> frameBytes_;
    TimelineContent timeline_;
};

struct ShowBuildOptions {
    bool music = true;  // synthesise and encode music.mp3 (the slowest part)
};

// Writes the show folder (created if missing) from a built show. False with the reason in error.
bool writeShowFolder(ShowDocument& show, const std::string& folder, const ShowBuildOptions& options,
                     std::string* error);
// The same for a show built on the spot.
bool writeShowFolder(const std::string& folder, const ShowBuildOptions& options, std::string* error);
