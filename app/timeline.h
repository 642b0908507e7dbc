// Timeline: the show's tracks of cells, as the timeline section of a pack holds them. Loading
// fills the global animationList with the library animations, then the tracks; every cell gets
// its start key, and the last cell of a track also the closing key. The player draws it; the
// tools describe and rewrite it.
#pragma once

#include <cstdint>

#include "app/timeline_writer.h"
#include "scene/track.h"

class Cell;
class MeshRegistry;
class PackReader;

// Tracks a timeline holds before one is loaded.
constexpr int kDefaultTrackCount = 4;
// Limits on timeline counts read from a pack.
constexpr int32_t kMaxTimelineAnimations = 100000;
constexpr int32_t kMaxTimelineTracks = 1024;
constexpr int32_t kMaxTrackCells = 100000;
constexpr int32_t kMaxCellKeys = 1000000;
// Capacity of a cell record's (unused) name.
constexpr int kCellNameCapacity = 200;

class Timeline {
public:
    // kDefaultTrackCount empty tracks; animationList created if it does not exist.
    Timeline();
    // Deletes the tracks (never the cells, which live until the process ends).
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    // The timeline section: library animations (into animationList), an unused int32, the tracks
    // and their cells. Stops at the first error, which is recorded on the reader.
    void load(PackReader& reader, MeshRegistry& registry);
    // One cell record; start and end receive its ticks. Null for an unknown type (reported, and
    // the reader fails since the record's length is unknown) or a damaged record.
    Cell* loadCell(PackReader& reader, int32_t* start, int32_t* end, MeshRegistry& registry);

    // Replaces the tracks by n empty ones.
    void setTrackCount(int n);
    int getTrackCount() const { return trackCount_; }
    Track* getTrack(int index) const { return index >= 0 && index < trackCount_ ? &tracks_[index] : nullptr; }
    // Appends a cell to a track as load does (its start key; the closing key when last).
    void addCell(int track, Cell* cell, bool last);
    // The latest key time of all tracks (ticks); 0 for an empty timeline.
    int32_t endTicks() const;
    // What the timeline writer needs: animationList as the library, each track's cells (every
    // key but the closing one), and flcFiles as given.
    TimelineContent content(const FlcFiles& flcFiles = {}) const;

private:
    Track* tracks_ = nullptr;
    int32_t trackCount_ = 0;
};
