// ScriptedSurface: a PlatformSurface for tests. GL work goes to an inner surface (normally an
// EglSurface); messages come from a script instead of a window system, and every request the
// window makes (display modes, cursor, full-screen switches, release steps) is recorded.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/platform_surface.h"

class ScriptedSurface : public PlatformSurface {
public:
    // inner: the surface that provides the GL context (owned).
    explicit ScriptedSurface(std::unique_ptr<PlatformSurface> inner);
    ~ScriptedSurface() override;

    // Script: at the n-th pass that finds no message pending (counted from 1), these messages
    // become pending, in order. A pass is one empty poll of the loop.
    void at(int pass, SurfaceEvent event) { script_[pass].push_back(event); }
    // After this many empty passes a close is delivered, so a broken loop cannot spin forever.
    void setPassLimit(int passes) { passLimit_ = passes; }
    // Whether setDisplayMode / setFullscreen(true) succeed.
    void setDisplayModeSupported(bool supported) { modeSupported_ = supported; }
    // Makes one release step fail: "releaseCurrent", "deleteContext", "releaseDrawable",
    // "destroyWindow" or "shutdown".
    void failStep(const std::string& step) { failing_.push_back(step); }

    // What happened.
    int passes() const { return passes_; }
    int swaps() const { return swaps_; }
    bool cursorVisible() const { return cursorVisible_; }
    bool screenSaverInhibited() const { return screenSaverInhibited_; }
    // Every request, in order: "initialize", "setDisplayMode 1024x768x32", "createWindow Test
    // 1024x768 fullscreen", "showCursor 0", "setFullscreen 0", "restoreDisplayMode",
    // "releaseCurrent", ... .
    const std::vector<std::string>& log() const { return log_; }
    PlatformSurface* inner() const { return inner_.get(); }

    bool initialize() override;
    bool setDisplayMode(int width, int height, int bits) override;
    void restoreDisplayMode() override;
    void showCursor(bool visible) override;
    bool createWindow(const char* title, int width, int height, bool fullscreen) override;
    bool isFullscreen() const override { return fullscreen_; }
    ContextStatus createContext(const PixelFormat& format) override;
    bool makeCurrent() override;
    void showWindow() override;
    void setSwapInterval(int interval) override;
    bool pollEvent(SurfaceEvent& event) override;
    void waitEvent(int timeoutMs) override {}
    void swapBuffers() override;
    bool setFullscreen(bool on, int width, int height, int bits) override;
    void inhibitScreenSaver(bool inhibit) override;
    bool hasContext() const override { return inner_->hasContext(); }
    bool releaseCurrent() override;
    bool deleteContext() override;
    bool hasDrawable() const override { return inner_->hasDrawable(); }
    bool releaseDrawable() override;
    bool hasWindow() const override { return inner_->hasWindow(); }
    bool destroyWindow() override;
    bool shutdown() override;

private:
    bool step(const std::string& name, bool innerResult);

    std::unique_ptr<PlatformSurface> inner_;
    std::map<int, std::vector<SurfaceEvent>> script_;
    std::deque<SurfaceEvent> pending_;
    int passes_ = 0;
    int passLimit_ = 100000;
    int swaps_ = 0;
    bool modeSupported_ = true;
    bool fullscreen_ = false;
    bool cursorVisible_ = true;
    bool screenSaverInhibited_ = false;
    std::vector<std::string> failing_;
    std::vector<std::string> log_;
};
