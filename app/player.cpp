// The player: music and clock, the timeline load, and the per-frame drawing of every track.
#include "app/player.h"

#include <string>
#include <vector>

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/fsound.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace {

// Frame numbers a cell record may hold: enough for days of show, small enough that tick
// arithmetic (x 30, differences, the grace) never overflows.
constexpr int32_t kMaxCellFrame = 1 << 24;

constexpr int kTrackTextureSide = 1024;

}  // namespace

int32_t showTicks(int32_t ms) { return static_cast<int32_t>(static_cast<double>(ms) * kTicksPerMillisecond); }

Player::Player() {
    FSOUND_Init(44100, 32, 0);
    stream_ = FSOUND_Stream_OpenFile("music.mp3", 0x20130, 0);
    channel_ = -1;
    setTrackCount(kDefaultTrackCount);
    allocateFrameBuffer();
    createAnimationList();
}

Player::~Player() {
    FSOUND_Stream_Close(stream_);
    FSOUND_Close();
    delete[] trackTextures_;
    delete window_;
    delete ownedDevice_;
    delete[] tracks_;
}

void Player::setTrackCount(int n) {
    delete[] tracks_;
    trackCount_ = n > 0 ? n : 0;
    tracks_ = new Track[trackCount_ > 0 ? trackCount_ : 1];
}

TextureName Player::getTrackTexture(int index) const {
    return trackTextures_ && index >= 0 && index < textureCount_ ? trackTextures_[index] : 0;
}

int Player::run(int width, int height, HostWindow hostWindow, int autoStart) {
    delete window_;
    window_ = nullptr;
    delete ownedDevice_;
    ownedDevice_ = device_ = createRenderDevice(0);
    prepareStart(autoStart);
    window_ = new GLWindow(hostWindow);
    window_->setPlayer(this);
    return window_->openWindow("Test", width, height, 32, hostWindow == nullptr);
}

void Player::prepareStart(int autoStart) {
    autoStart_ = autoStart ? 1 : 0;
    clockPending_ = 1;
}

void Player::start() {
    createTrackTextures(trackCount_);
    if (!autoStart_) return;
    playMusic(0);
    pauseMusic();
    playMusic(0);
    if (clockPending_) startTime_ = timeGetTime();
    clockPending_ = 0;
}

void Player::createTrackTextures(int n) {
    delete[] trackTextures_;
    textureCount_ = n > 0 ? n : 0;
    trackTextures_ = new TextureName[textureCount_ > 0 ? textureCount_ : 1]();
    if (!device_) return;
    std::vector<uint8_t> image(static_cast<size_t>(kTrackTextureSide) * kTrackTextureSide * 4);
    for (size_t i = 0; i < image.size(); i += 4) {
        image[i] = 110;
        image[i + 1] = 0;
        image[i + 2] = 110;
        image[i + 3] = 255;
    }
    for (int i = 0; i < textureCount_; ++i)
        device_->createTexture(kTrackTextureSide, kTrackTextureSide, image.data(), &trackTextures_[i], 1);
}

void Player::playMusic(int ms) {
    if (channel_ < 0) {
        channel_ = FSOUND_Stream_PlayEx(FSOUND_FREE, stream_, nullptr, 1);
        return;
    }
    FSOUND_Stream_SetTime(stream_, ms);
    FSOUND_SetPaused(channel_, 0);
}

void Player::pauseMusic() { FSOUND_SetPaused(channel_, 1); }

int Player::renderFrame(int width, int height, int) {
    showTime_ = static_cast<int32_t>(timeGetTime() - startTime_);
    if (device_) device_->beginFrame();
    renderTracks(showTime_, width, height);
    return 0;
}

void Player::renderTracks(int32_t ms, int width, int height) {
    const int32_t t = showTicks(ms);
    for (int i = 0; i < trackCount_; ++i) {
        void* values[2] = {nullptr, nullptr};
        int32_t times[2] = {0, 0};
        if (tracks_[i].findAt(t, values, times) != 0) continue;
        auto* cell = static_cast<Cell*>(values[0]);
        if (!cell) continue;
        if (t < cell->getStart() || t > cell->getEnd() + kTicksPerFrame) continue;
        const int32_t local = t - times[0] + cell->getInPoint();
        cell->render(local, width, height, device_, 1.0f, 1.0f, getTrackTexture(i));
    }
}

void Player::resize(int width, int height) {
    if (window_) window_->resize(width, height);
}

void* Player::startRecording() { return window_ ? window_->startRecording() : nullptr; }

int Player::captureFrame() { return window_ ? window_->captureFrame() : -1; }

void Player::stopRecording() {
    if (window_) window_->stopRecording();
}

void Player::addCell(int track, Cell* cell, bool last) {
    Track* t = getTrack(track);
    if (!t || !cell) return;
    t->insert(cell, cell->getStart());
    if (last) t->insert(cell, cell->getStart() + cell->getLength());
}

void Player::loadTimeline(PackReader& reader, MeshRegistry& registry) {
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

Cell* Player::loadCell(PackReader& reader, int32_t* start, int32_t* end, MeshRegistry& registry) {
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

void Player::saveCell(PackWriter& writer, Cell& cell, const char* name) {
    const int kind = cell.getKind();
    writer.writeInt(0);
    writer.writeInt(kind);
    writer.writeInt(0);
    writer.writeString(name ? name : "");
    writer.writeInt(cell.getStart() / kTicksPerFrame);
    writer.writeInt(cell.getEnd() / kTicksPerFrame);
    writer.writeInt(kind == kCellScene ? cell.getInPoint() / kTicksPerFrame : 0);
    writer.writeInt(kind == kCellScene ? cell.getLength() / kTicksPerFrame : 0);
    cell.save(writer);
    writer.writeInt(0);  // no key records
}

void Player::saveTimeline(PackWriter& writer) {
    const int animationCount = animationList ? animationList->count() : 0;
    writer.writeInt(animationCount);
    if (animationList)
        for (Animation* animation : *animationList) animation->save(writer);
    writer.writeInt(0);
    writer.writeInt(trackCount_);
    for (int i = 0; i < trackCount_; ++i) {
        // Every key but the last (the closing key) starts a cell.
        Track& track = tracks_[i];
        const int cells = track.count() >= 2 ? track.count() - 1 : 0;
        writer.writeInt(cells);
        for (int k = 0; k < cells; ++k) {
            TimedKey* key = track.getKey(k);
            auto* cell = key ? static_cast<Cell*>(key->getValue()) : nullptr;
            if (cell) saveCell(writer, *cell, "");
        }
    }
}
