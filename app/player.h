// Player: the show itself. It owns the music stream, the show clock, the timeline's tracks and
// one texture per track; every frame it finds the due cell of each track and lets it draw.
#pragma once

#include <cstdint>

#include "app/track.h"
#include "platform/frame_client.h"
#include "platform/gl_window.h"
#include "platform/render_device.h"

class Cell;
class MeshRegistry;
class PackReader;
class PackWriter;
struct FSOUND_STREAM;

// Tracks a player holds before a timeline is loaded.
constexpr int kDefaultTrackCount = 4;
// Ticks per millisecond of the show clock.
constexpr double kTicksPerMillisecond = 0.899;
// Ticks a stored frame lasts; also the grace a cell keeps drawing after its end.
constexpr int32_t kTicksPerFrame = 30;
// Limits on timeline counts read from a pack.
constexpr int32_t kMaxTimelineAnimations = 100000;
constexpr int32_t kMaxTimelineTracks = 1024;
constexpr int32_t kMaxTrackCells = 100000;
constexpr int32_t kMaxCellKeys = 1000000;
// Capacity of a cell record's (unused) name.
constexpr int kCellNameCapacity = 200;

// Ticks for a show time: trunc(ms x 0.899).
int32_t showTicks(int32_t ms);

class Player : public FrameClient {
public:
    // Sound library up (44100, 32, 0), "music.mp3" opened, no channel, 4 empty tracks,
    // frameBuffer and animationList created. The player draws through device (not owned) when one
    // is given; otherwise run creates the OpenGL device.
    explicit Player(RenderDevice* device = nullptr);
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

    // The timeline section: library animations, an unused int32, the tracks and their cells.
    // Stops at the first error, which is recorded on the reader.
    void loadTimeline(PackReader& reader, MeshRegistry& registry);
    // One cell record; start and end receive its ticks. Null for an unknown type (reported,
    // and the reader fails since the record's length is unknown) or a damaged record.
    Cell* loadCell(PackReader& reader, int32_t* start, int32_t* end, MeshRegistry& registry);
    // Writes the timeline section that loadTimeline reads: the library animations, the tracks
    // and each track's cells (from its keys). Times are stored in whole frames.
    void saveTimeline(PackWriter& writer);
    // Writes one cell record (with no key records).
    static void saveCell(PackWriter& writer, Cell& cell, const char* name);

    // Draws every track's due cell at ms of show time, in track order.
    void renderTracks(int32_t ms, int width, int height);
    // n opaque dark magenta (110, 0, 110) 1024 x 1024 textures, one per track.
    void createTrackTextures(int n);
    // First call: a paused channel; later calls: position at ms, then unpause.
    void playMusic(int ms);
    void pauseMusic();

    // Replaces the tracks by n empty ones.
    void setTrackCount(int n);
    int getTrackCount() const { return trackCount_; }
    Track* getTrack(int index) { return index >= 0 && index < trackCount_ ? &tracks_[index] : nullptr; }
    TextureName getTrackTexture(int index) const;
    // Appends a cell to a track as loadTimeline does (its start key; closing key when last).
    void addCell(int track, Cell* cell, bool last);
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
    Track* tracks_ = nullptr;
    int32_t trackCount_ = 0;
    TextureName* trackTextures_ = nullptr;
    uint8_t autoStart_ = 0;
    int textureCount_ = 0;
};
