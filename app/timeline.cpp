// The timeline: its load from a pack, its tracks and the content its writer takes.
#include "app/timeline.h"

#include <algorithm>
#include <string>

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "data/message_box.h"
#include "data/pack_reader.h"
#include "scene/ticks.h"

namespace {

// Frame numbers a cell record may hold: enough for days of show, small enough that tick
// arithmetic (x 30, differences, the grace) never overflows.
constexpr int32_t kMaxCellFrame = 1 << 24;

}  // namespace

Timeline::Timeline() {
    createAnimationList();
    setTrackCount(kDefaultTrackCount);
}

Timeline::~Timeline() { delete[] tracks_; }

void Timeline::setTrackCount(int n) {
    delete[] tracks_;
    trackCount_ = n > 0 ? n : 0;
    tracks_ = new Track[trackCount_ > 0 ? trackCount_ : 1];
}

void Timeline::addCell(int track, Cell* cell, bool last) {
    Track* t = getTrack(track);
    if (!t || !cell) return;
    t->insert(cell, cell->getStart());
    if (last) t->insert(cell, cell->getStart() + cell->getLength());
}

void Timeline::load(PackReader& reader, MeshRegistry& registry) {
    ReadContext context(reader, "the timeline");
    NamedList<Animation>* library = createAnimationList();
    AnimationLoadScope bulk;

    const int32_t animationCount = reader.getInt();
    if (!reader.checkCount(animationCount, kMaxTimelineAnimations, "library animations")) return;
    for (int32_t i = 0; i < animationCount; ++i) {
        auto* animation = new Animation();
        animation->setIsCell(0);
        animation->load(reader);
        if (reader.failed()) {
            // Not in the library, so no cell shares the frame bytes it read.
            for (Frame* frame : animation->frames()) delete[] frame->data;
            delete animation;
            return;
        }
        library->addLast(animation);
    }

    reader.getInt();  // not used
    const int32_t trackCount = reader.getInt();
    if (!reader.checkCount(trackCount, kMaxTimelineTracks, "tracks")) return;
    setTrackCount(trackCount);

    for (int32_t track = 0; track < trackCount; ++track) {
        ReadContext trackContext(reader, "a track");
        const int32_t cellCount = reader.getInt();
        if (!reader.checkCount(cellCount, kMaxTrackCells, "cells")) return;
        for (int32_t c = 0; c < cellCount; ++c) {
            int32_t start = 0;
            int32_t end = 0;
            Cell* cell = loadCell(reader, &start, &end, registry);
            if (reader.failed()) return;
            if (cell) addCell(track, cell, c == cellCount - 1);
        }
    }
}

Cell* Timeline::loadCell(PackReader& reader, int32_t* start, int32_t* end, MeshRegistry& registry) {
    ReadContext context(reader, "a cell record");
    reader.getInt();  // ignored
    const int32_t type = reader.getInt();
    reader.getInt();  // ignored
    char name[kCellNameCapacity];
    reader.readCountedString(name, sizeof name);
    const int32_t frames[4] = {reader.getInt(), reader.getInt(), reader.getInt(), reader.getInt()};
    if (reader.failed()) return nullptr;
    // Only the fields the kind uses are bounded and turned into ticks: start and end for every
    // kind, the in and out points for scene clips alone (the others ignore them).
    const int used = type == kCellScene ? 4 : 2;
    for (int i = 0; i < used; ++i) {
        if (frames[i] < -kMaxCellFrame || frames[i] > kMaxCellFrame) {
            reader.fail("cell frame number " + std::to_string(frames[i]) + " out of range");
            return nullptr;
        }
    }
    *start = frames[0] * kTicksPerFrame;
    *end = frames[1] * kTicksPerFrame;
    const int32_t inPoint = type == kCellScene ? frames[2] * kTicksPerFrame : 0;
    const int32_t outPoint = type == kCellScene ? frames[3] * kTicksPerFrame : 0;

    Cell* cell = nullptr;
    switch (type) {
        case kCellScene: {
            auto* clip = new SceneClip(&registry);
            clip->load(reader);
            clip->setInPoint(inPoint);
            clip->setLength(outPoint);
            cell = clip;
            break;
        }
        case kCellPicture: {
            auto* clip = new PictureClip();
            clip->setInPoint(0);
            clip->setLength(*end - *start);
            clip->load(reader);
            cell = clip;
            break;
        }
        case kCellAnimation: {
            auto* clip = new Animation();
            clip->setIsCell(1);
            clip->setInPoint(0);
            clip->setLength(*end);
            clip->load(reader);
            cell = clip;
            break;
        }
        default:
            messageBox("Type de cellule inconnu lors du load", "IN PLAYER", MessageBoxStyle::Ok);
            // The record's length depends on its type, so nothing after it can be found.
            reader.fail("unknown cell type " + std::to_string(type));
            return nullptr;
    }
    cell->setStart(*start);
    cell->setEnd(*end);

    ReadContext keyContext(reader, "cell keys");
    const int32_t keyCount = reader.getInt();
    if (reader.checkCount(keyCount, kMaxCellKeys, "cell keys")) {
        const int64_t words = static_cast<int64_t>(keyCount) * (type == kCellAnimation ? 8 : 6);
        for (int64_t i = 0; i < words && !reader.failed(); ++i) reader.getInt();
    }
    // A damaged record's clip is dropped, scene clips included: nothing refers to it yet.
    if (reader.failed()) {
        delete cell;
        return nullptr;
    }
    return cell;
}

int32_t Timeline::endTicks() const {
    int32_t last = 0;
    for (int i = 0; i < trackCount_; ++i)
        if (tracks_[i].count() > 0) last = std::max(last, tracks_[i].getLastTime());
    return last;
}

TimelineContent Timeline::content(const FlcFiles& flcFiles) const {
    TimelineContent content;
    content.flcFiles = flcFiles;
    if (animationList)
        for (Animation* animation : *animationList) content.library.push_back(animation);
    for (int i = 0; i < trackCount_; ++i) {
        // Every key but the last (the closing key) starts a cell.
        Track& track = tracks_[i];
        std::vector<Cell*> cells;
        for (int k = 0; k + 1 < track.count(); ++k)
            if (TimedKey* key = track.getKey(k)) cells.push_back(static_cast<Cell*>(key->getValue()));
        content.tracks.push_back(cells);
    }
    return content;
}
