// CanvasSurface: the page's canvas ("#canvas") as the window's surface, with a WebGL 1 context.
// The page owns the element, its size and its full-screen state, and the browser shows each frame
// when the frame function returns, so the window calls that make or move windows only report
// success.
#pragma once

#include "platform/core/platform_surface.h"

class CanvasSurface final : public PlatformSurface {
public:
    // keepPicture: the drawing buffer keeps the last frame after it is shown (a held frame that
    // the page reads back), at some cost in speed.
    explicit CanvasSurface(bool keepPicture = false) : keepPicture_(keepPicture) {}
    ~CanvasSurface() override;

    bool initialize() override { return true; }
    bool setDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    void showCursor(bool) override {}
    bool createWindow(const char*, int width, int height, bool) override;
    bool isFullscreen() const override { return false; }
    ContextStatus createContext(const PixelFormat& format) override;
    bool makeCurrent() override;
    void showWindow() override {}
    void setSwapInterval(int) override {}
    bool pollEvent(SurfaceEvent&) override { return false; }
    void waitEvent(int) override {}
    void swapBuffers() override {}
    bool setFullscreen(bool, int, int, int) override { return false; }
    void inhibitScreenSaver(bool) override {}
    bool hasContext() const override { return context_ != 0; }
    bool releaseCurrent() override { return true; }
    bool deleteContext() override;
    bool hasDrawable() const override { return false; }
    bool releaseDrawable() override { return true; }
    bool hasWindow() const override { return window_; }
    bool destroyWindow() override {
        window_ = false;
        return true;
    }
    bool shutdown() override { return true; }

private:
    bool keepPicture_;
    bool window_ = false;
    int context_ = 0;
};
