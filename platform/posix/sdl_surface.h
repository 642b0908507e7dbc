// SdlSurface: the live PlatformSurface on SDL2: a window on the display with an OpenGL
// (compatibility) context, real display-mode changes for full screen, keys, minimise and close.
#pragma once

#include "platform/core/platform_surface.h"

struct SDL_Window;

class SdlSurface : public PlatformSurface {
public:
    SdlSurface() = default;
    ~SdlSurface() override;

    // Starts SDL's video subsystem.
    bool initialize() override;
    // Looks for a display mode of exactly width x height at bits per pixel (4-byte pixels for
    // 32); the change itself happens when the full-screen window is created.
    bool setDisplayMode(int width, int height, int bits) override;
    void restoreDisplayMode() override;
    void showCursor(bool visible) override;
    // A window at (0, 0) whose drawable area is width x height; full screen in the mode found by
    // setDisplayMode (left windowed, with isFullscreen() false, when the switch fails).
    bool createWindow(const char* title, int width, int height, bool fullscreen) override;
    bool isFullscreen() const override { return fullscreen_; }
    ContextStatus createContext(const PixelFormat& format) override;
    bool makeCurrent() override;
    void showWindow() override;
    void setSwapInterval(int interval) override;
    bool pollEvent(SurfaceEvent& event) override;
    void waitEvent(int timeoutMs) override;
    void swapBuffers() override;
    bool setFullscreen(bool on, int width, int height, int bits) override;
    void inhibitScreenSaver(bool inhibit) override;
    bool hasContext() const override { return context_ != nullptr; }
    bool releaseCurrent() override;
    bool deleteContext() override;
    bool hasDrawable() const override { return false; }
    bool releaseDrawable() override { return true; }
    bool hasWindow() const override { return window_ != nullptr; }
    bool destroyWindow() override;
    bool shutdown() override;

private:
    bool findMode(int width, int height, int bits);

    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool fullscreen_ = false;
    bool modeFound_ = false;
    int modeWidth_ = 0, modeHeight_ = 0, modeFormat_ = 0, modeRefresh_ = 0;
};
