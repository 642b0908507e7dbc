// GLWindow: the show's window with its OpenGL context and the message and frame loop that drives
// the show once per frame; the letterbox (Letterbox), the badge (badge.h), the keys the loop
// reacts to (WindowKeys) and the recording (FrameRecorder) are its parts.
// It works on any PlatformSurface: its own window (the build's live surface unless one is handed
// to the constructor), or a host surface handed in by an embedder, which then drives frames
// itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/recorder/avi_recorder.h"
#include "platform/gl/badge.h"
#include "platform/gl/frame_recorder.h"
#include "platform/gl/letterbox.h"
#include "platform/core/platform_surface.h"
#include "platform/gl/window_keys.h"

class FrameClient;

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
    // The last part of present: the buffer swap (none with drawing off), then the letterbox.
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

    // Off: frames go on with every GL state change but draw no pixel: no badge, no buffer swap,
    // and the letterbox leaves its bars as the last drawn frame cleared them. For the steps that
    // nobody sees (an offline run's, a live jump's or catch-up's), together with
    // GLRenderDevice::setDrawing. On by default.
    void setDrawing(bool on) { drawing_ = on; }

    // The recorder used by the recording operations (set its file, rate and codec before
    // startRecording).
    AviRecorder& recorder() { return frameRecorder_.recorder(); }

    // State, for embedders and tests.
    bool isActive() const { return active_; }
    bool isFullscreen() const { return fullscreen_; }
    bool isKeyDown(int key) const { return keys_.isDown(key); }
    uint32_t getLetterboxCounter() const { return letterbox_.counter(); }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    PlatformSurface* getSurface() const { return surface_; }

private:
    void runLoop();
    // The GL context on the surface (unless it has one), made current; false after the failure's
    // box, with the window released.
    bool createContext(int bits);

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
    WindowKeys keys_;
    Letterbox letterbox_;
    bool drawing_ = true;

    FrameRecorder frameRecorder_;
};
