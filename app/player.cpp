// The player: music and clock, and the per-frame drawing of every track.
#include "app/player.h"

#include <vector>

#include "app/cell.h"
#include "app/due_cell.h"
#include "app/frame_buffer.h"
#include "platform/core/clock.h"
#include "platform/audio/fsound.h"
#include "platform/gl/gl_render_device.h"
#include "scene/ticks.h"

namespace {

constexpr int kTrackTextureSide = 1024;

}  // namespace

Player::Player(RenderDevice* device, const std::string& musicFile) : device_(device) {
    FSOUND_Init(44100, 32, 0);
    stream_ = FSOUND_Stream_OpenFile(musicFile.c_str(), 0x20130, 0);
    channel_ = -1;
    allocateFrameBuffer();
    createAnimationList();
}

Player::~Player() {
    FSOUND_Stream_Close(stream_);
    FSOUND_Close();
    delete[] trackTextures_;
    delete window_;
    delete ownedDevice_;
}

TextureName Player::getTrackTexture(int index) const {
    return trackTextures_ && index >= 0 && index < textureCount_ ? trackTextures_[index] : 0;
}

int Player::run(int width, int height, HostWindow hostWindow, int autoStart) {
    delete window_;
    window_ = nullptr;
    if (!device_) ownedDevice_ = device_ = createRenderDevice(0);
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
    createTrackTextures(timeline_.getTrackCount());
    if (!autoStart_) return;
    playMusic(0);
    pauseMusic();
    playMusic(0);
    if (clockPending_) startTime_ = showClockMs();
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

int Player::getMusicTime() const { return FSOUND_Stream_GetTime(stream_); }

int Player::renderFrame(int width, int height, int) {
    showTime_ = static_cast<int32_t>(showClockMs() - startTime_);
    if (device_) device_->beginFrame();
    renderTracks(showTime_, width, height);
    return 0;
}

void Player::renderTracks(int32_t ms, int width, int height, RenderDevice* device) {
    if (!device) device = device_;
    const int32_t t = showTicks(ms);
    for (int i = 0; i < timeline_.getTrackCount(); ++i) {
        const DueCell due = dueCellOn(*timeline_.getTrack(i), t);
        if (due.cell) due.cell->render(due.localTicks, width, height, device, 1.0f, 1.0f, getTrackTexture(i));
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

TimelineWriteResult Player::saveTimeline(PackWriter& writer) const { return writeTimeline(writer, timeline_.content()); }
