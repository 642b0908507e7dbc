// EglSurface: an off-screen PlatformSurface for tests and offline rendering. A desktop OpenGL
// (compatibility) context on Mesa's surfaceless EGL platform, drawing into a pbuffer of the
// window's size, or, where no pbuffer configuration exists, into a framebuffer object. No display,
// no events, no display modes.
#pragma once

#include <string>

#include "platform/core/platform_surface.h"

class EglSurface : public PlatformSurface {
public:
    struct Options {
        // Skip the pbuffer and draw into a framebuffer object (the fallback path).
        bool forceFramebufferObject = false;
    };

    EglSurface() : EglSurface(Options{}) {}
    explicit EglSurface(Options options) : options_(options) {}
    ~EglSurface() override;

    // True when the surfaceless platform can be opened here; otherwise why not.
    static bool platformAvailable(std::string* why = nullptr);

    // Opens the surfaceless EGL display (shared by every EglSurface of the process).
    bool initialize() override;
    // There is no display: always false.
    bool setDisplayMode(int width, int height, int bits) override { return false; }
    void restoreDisplayMode() override {}
    void showCursor(bool visible) override {}
    // Remembers the size of the drawable; never fails.
    bool createWindow(const char* title, int width, int height, bool fullscreen) override;
    bool isFullscreen() const override { return false; }
    ContextStatus createContext(const PixelFormat& format) override;
    // Makes the context current (and creates and binds the framebuffer object on that path).
    bool makeCurrent() override;
    void showWindow() override {}
    void setSwapInterval(int interval) override {}
    bool pollEvent(SurfaceEvent& event) override { return false; }
    void waitEvent(int timeoutMs) override {}
    // Finishes the frame (a pbuffer has a single buffer: the picture stays readable).
    void swapBuffers() override;
    bool setFullscreen(bool on, int width, int height, int bits) override { return false; }
    void inhibitScreenSaver(bool inhibit) override {}
    bool hasContext() const override { return context_ != nullptr; }
    bool releaseCurrent() override;
    bool deleteContext() override;
    bool hasDrawable() const override { return surface_ != nullptr; }
    bool releaseDrawable() override;
    bool hasWindow() const override { return windowCreated_; }
    bool destroyWindow() override;
    bool shutdown() override { return true; }

    // "pbuffer" or "framebuffer object" once the context exists, "" before.
    const char* drawTarget() const;
    bool usesFramebufferObject() const { return usingFbo_; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    // Why the last step failed.
    const std::string& lastError() const { return error_; }

private:
    Options options_;
    void* display_ = nullptr;
    void* config_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    bool usingFbo_ = false;
    unsigned fbo_ = 0, colorBuffer_ = 0, depthBuffer_ = 0;
    bool picturePrepared_ = false;  // the buffer's first clear is done
    bool windowCreated_ = false;
    int width_ = 0, height_ = 0;
    std::string error_;
};
