// GLWindow: the show's window with its OpenGL context, the 16:9 letterbox, the badge overlay, the
// message and frame loop that drives the show once per frame, and the three recording operations.
// It works on any PlatformSurface: its own window (the build's live surface unless one is handed
// to the constructor), or a host surface handed in by an embedder, which then drives frames
// itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/avi_recorder.h"
#include "platform/platform_surface.h"

class FrameClient;

// The badge overlay: 64 x 16 RGBA pixels, bottom row first.
constexpr int kBadgeWidth = 64;
constexpr int kBadgeHeight = 16;
// The badge's opaque block in the lower left of the image.
constexpr int kBadgeBlockWidth = 52;
constexpr int kBadgeBlockHeight = 14;
// The badge image (kBadgeWidth * kBadgeHeight * 4 bytes).
const uint8_t* badgeImage();
// True when the badge is shown at this show time (milliseconds, taken as unsigned).
bool badgeDueAt(int showTime);

// What an embedder hands the player as its window: null means "open your own window".
using HostWindow = PlatformSurface*;

class GLWindow {
public:
    // hostWindow null: openWindow creates its own window and runs the loop. Otherwise GL is set
    // up on the host surface (not owned) and openWindow returns right after set-up.
    explicit GLWindow(HostWindow hostWindow = nullptr);
    // An own window on the given surface (not yet initialised), with the loop of openWindow.
    explicit GLWindow(std::unique_ptr<PlatformSurface> ownSurface);
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // Virtual operations in slot order.

    // Opens the recorder on a width x height x 3 BGR stream (file name, rate and codec as set on
    // recorder(); 30 fps and "Untitled.avi" by default). Shows "error init avi" when it cannot
    // open, and goes on. Returns the capture buffer.
    virtual void* startRecording();
    // Reads the whole back buffer (bottom row first, blue-green-red) and appends it as one frame.
    // 0 on success; non-zero when nothing is recording or the write failed.
    virtual int captureFrame();
    // Finishes the file (playable, under its final name) and frees the capture buffer; a file
    // that could not be completed as asked is reported in a box with what was kept, and where.
    virtual void stopRecording();
    // Releases the window if it is still open (own windows only).
    virtual ~GLWindow();

    // The show called back by the loop; may be null.
    void setPlayer(FrameClient* player) { player_ = player; }
    FrameClient* getPlayer() const { return player_; }

    // Creates the window (own or host) and the GL context, starts the player, and without a host
    // runs the frame loop until Escape or a close. 1 on success, 0 after a failure box.
    int openWindow(const char* title, int width, int height, int bits, bool fullscreen);
    // Re-applies the letterbox for a window of width x height.
    void resize(int width, int height);
    // The one frame function, used by the loop, by hosts and by offline rendering: the player's
    // renderFrame at the size given to openWindow, then present. Returns capture's result (0
    // without one); -1 before the context is set up.
    int drawFrame(const std::function<int()>& capture = {});
    // Ends a frame: the badge at its show times, then capture (when given) on the finished
    // picture, the buffer swap and the letterbox. Returns capture's result (0 without one).
    int present(int width, int height, int showTime, const std::function<int()>& capture = {});
    // The first part of present: the badge when due, then a flush.
    void drawBadge(int width, int height, int showTime);
    // The last part of present: the buffer swap, then the letterbox.
    void swapAndLetterbox(int width, int height);
    // Puts the display mode back and releases context, drawable and window, reporting failures.
    void killWindow();
    // The GL state of the whole run. Always 1.
    int initGL();
    // Letterboxes the picture to 16:9 inside w x h; see the counter rule in the source.
    void letterbox(int w, int h);
    // The window procedure: updates the key state, the active flag and the letterbox.
    void handleEvent(const SurfaceEvent& event);
    // Switches between full screen and a window of the same size; the show goes on.
    void toggleFullscreen();

    // Off: frames go on with every GL state change but draw no pixel: no badge, and the
    // letterbox leaves its bars as the last drawn frame cleared them. For the steps of an offline run that nobody sees, together with
    // GLRenderDevice::setDrawing. On by default.
    void setDrawing(bool on) { drawing_ = on; }

    // The recorder used by the recording operations (set its file, rate and codec before
    // startRecording).
    AviRecorder& recorder() { return recorder_; }

    // State, for embedders and tests.
    bool isActive() const { return active_; }
    bool isFullscreen() const { return fullscreen_; }
    bool isKeyDown(int key) const { return key >= 0 && key < kKeyCount && keyState_[key] != 0; }
    uint32_t getLetterboxCounter() const { return letterboxCounter_; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    PlatformSurface* getSurface() const { return surface_; }

private:
    void runLoop();

    int width_ = 0;
    int height_ = 0;
    FrameClient* player_ = nullptr;
    HostWindow hostWindow_ = nullptr;

    std::unique_ptr<PlatformSurface> ownSurface_;
    PlatformSurface* surface_ = nullptr;
    bool initialized_ = false;  // the windowing system was readied (own windows only)
    bool contextReady_ = false;
    bool fullscreen_ = false;
    int bits_ = 32;
    bool active_ = false;
    bool quitPending_ = false;
    uint8_t keyState_[kKeyCount] = {};
    // Presses of Escape (while active) and F1 seen since the loop last looked: a press and release
    // that both arrive between two frames must not be lost.
    bool escapePressed_ = false;
    bool f1Pressed_ = false;
    uint32_t letterboxCounter_ = 0;
    bool drawing_ = true;

    AviRecorder recorder_;
    std::vector<uint8_t> pixels_;
};
