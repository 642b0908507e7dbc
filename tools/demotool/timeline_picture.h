// TimelinePicture: a show's timeline drawn as an SVG document: one lane per track with a box per
// cell over the show time it really draws (its grace lighter), the scene cells' in and out points,
// the badge's windows, the music's waveform, a second ruler and a legend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/posix/music_waveform.h"

// A stretch of whole timeline ticks (or milliseconds), both ends included: from <= to.
struct TickSpan {
    int64_t from = 0;
    int64_t to = 0;
};

// One cell as the timeline holds it (all times in ticks).
struct TimelineCell {
    std::string kind;   // "scene", "picture", "animation" or another word for an unknown kind
    std::string label;  // what the box says after the kind: a quoted name, a frame count
    int64_t start = 0;
    int64_t end = 0;
    int64_t inPoint = 0;   // the clip's local time at its start
    int64_t outPoint = 0;  // scene clips: the local time where the controllers stop
    int64_t length = 0;    // the clip's length: the closing key lies this far after a last cell's start
};

// Where each cell of a track draws, by the player's rule: with the keys (start of each cell, then
// the last cell's start plus its length), a time selects the cell of the first key pair that
// brackets it, and the cell draws there while start <= t <= end + the 30-tick grace; ticks
// before 0 never come. One list of spans per cell, in time order; empty for a cell that never
// draws.
std::vector<std::vector<TickSpan>> trackDrawSpans(const std::vector<TimelineCell>& cells);

// The windows of show time (milliseconds, both ends shown) in [0, endMs] where the window draws
// the badge, as badgeDueAt says.
std::vector<TickSpan> badgeWindows(int64_t endMs);

struct TimelinePicture {
    std::string title;  // the pack's name, shown at the top
    std::vector<std::vector<TimelineCell>> tracks;
    bool hasMusic = false;
    std::string musicNote;  // without music: why (no file, could not decode)
    MusicWaveform music;

    // The whole SVG document. Every text taken from the pack is escaped and made valid UTF-8.
    std::string svg() const;
};
