// Player: the show itself. It owns the music stream, the show clock, the timeline's tracks and
// one texture per track; every frame it finds the due cell of each track and lets it draw.
#pragma once

#include <cstdint>
#include <string>

#include "app/timeline.h"
#include "platform/core/frame_client.h"
#include "platform/gl/gl_window.h"
#include "scene/render_device.h"

class MeshRegistry;
class PackReader;
class PackWriter;
struct FSOUND_STREAM;

class Player : public FrameClient {
public:
    // Sound library up (44100, 32, 0), musicFile ("music.mp3" of the working directory unless
    // given) opened, no channel, 4 empty tracks, frameBuffer and animationList created. The player
    // draws through device (not owned) when one is given; otherwise run creates the OpenGL device.
    explicit Player(RenderDevice* device = nullptr, const std::string& musicFile = "music.mp3");
    // Closes the music stream, then the sound library; releases the window, the render device
    // that run created, the tracks and the texture names.
    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // FrameClient, in slot order.
    // showTime from the clock, beginFrame, then renderTracks.
    int renderFrame(int width, int height, int ignored) override;
    // The window's letterbox for a new size.
    void resize(int width, int height) override;
    // Creates the track textures; with autoStart, starts the music at 0 ms and the clock.
    void start() override;
    // Recording, forwarded to the window (null / non-zero without one).
    void* startRecording() override;
    int captureFrame() override;
    void stopRecording() override;
    // Milliseconds since the start, as computed by the last renderFrame.
    int getShowTime() override { return showTime_; }

    // Creates the render device (owned by the player) unless one was given, and the window, and
    // opens it: without a host window this runs the show until it ends. Returns openWindow's
    // result.
    int run(int width, int height, HostWindow hostWindow, int autoStart);

    // What run sets up before the window opens: autoStart is kept and the clock is pending, so
    // that start() starts music and clock (with autoStart) when the first frame is due.
    void prepareStart(int autoStart);

    // The timeline section of a pack (Timeline::load).
    void loadTimeline(PackReader& reader, MeshRegistry& registry) { timeline_.load(reader, registry); }
    // Writes the timeline section that loadTimeline reads.
    TimelineWriteResult saveTimeline(PackWriter& writer) const;
    // The tracks and their cells.
    Timeline& timeline() { return timeline_; }

    // Draws every track's due cell at ms of show time, in track order, through device (the
    // player's own when none is given: another device, such as one that draws nothing, can bring
    // the show's state up to a time without drawing).
    void renderTracks(int32_t ms, int width, int height, RenderDevice* device = nullptr);
    // n opaque dark magenta (110, 0, 110) 1024 x 1024 textures, one per track.
    void createTrackTextures(int n);
    // First call: a paused channel; later calls: position at ms, then unpause.
    void playMusic(int ms);
    void pauseMusic();
    // Where the music is now (ms), as the audio output reports it; 0 without music.
    int getMusicTime() const;

    TextureName getTrackTexture(int index) const;
    RenderDevice* getDevice() const { return device_; }
    GLWindow* getWindow() const { return window_; }
    uint32_t getStartTime() const { return startTime_; }
    int getChannel() const { return channel_; }

private:
    FSOUND_STREAM* stream_ = nullptr;
    int channel_ = -1;
    uint8_t clockPending_ = 0;
    RenderDevice* device_ = nullptr;
    RenderDevice* ownedDevice_ = nullptr;  // the device run created; null for one given
    GLWindow* window_ = nullptr;
    uint32_t startTime_ = 0;
    int32_t showTime_ = 0;
    Timeline timeline_;
    TextureName* trackTextures_ = nullptr;
    uint8_t autoStart_ = 0;
    int textureCount_ = 0;
};
