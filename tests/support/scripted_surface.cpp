// The scripted test surface.
#include "support/scripted_surface.h"

#include <algorithm>

ScriptedSurface::ScriptedSurface(std::unique_ptr<PlatformSurface> inner) : inner_(std::move(inner)) {}

ScriptedSurface::~ScriptedSurface() = default;

bool ScriptedSurface::step(const std::string& name, bool innerResult) {
    log_.push_back(name);
    if (std::find(failing_.begin(), failing_.end(), name) != failing_.end()) return false;
    return innerResult;
}

bool ScriptedSurface::initialize() { return step("initialize", inner_->initialize()); }

bool ScriptedSurface::setDisplayMode(int width, int height, int bits) {
    log_.push_back("setDisplayMode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                   std::to_string(bits));
    return modeSupported_;
}

void ScriptedSurface::restoreDisplayMode() {
    log_.push_back("restoreDisplayMode");
    fullscreen_ = false;
}

void ScriptedSurface::showCursor(bool visible) {
    log_.push_back(std::string("showCursor ") + (visible ? "1" : "0"));
    cursorVisible_ = visible;
}

bool ScriptedSurface::createWindow(const char* title, int width, int height, bool fullscreen) {
    log_.push_back(std::string("createWindow ") + title + " " + std::to_string(width) + "x" +
                   std::to_string(height) + (fullscreen ? " fullscreen" : " windowed"));
    fullscreen_ = fullscreen && modeSupported_;
    return inner_->createWindow(title, width, height, false);
}

ContextStatus ScriptedSurface::createContext(const PixelFormat& format) {
    log_.push_back("createContext");
    return inner_->createContext(format);
}

bool ScriptedSurface::makeCurrent() { return step("makeCurrent", inner_->makeCurrent()); }

void ScriptedSurface::showWindow() { log_.push_back("showWindow"); }

void ScriptedSurface::setSwapInterval(int interval) { log_.push_back("setSwapInterval " + std::to_string(interval)); }

bool ScriptedSurface::pollEvent(SurfaceEvent& event) {
    if (pending_.empty()) {
        ++passes_;
        auto it = script_.find(passes_);
        if (it != script_.end()) pending_.insert(pending_.end(), it->second.begin(), it->second.end());
        if (passes_ >= passLimit_) pending_.push_back(SurfaceEvent::close());
        if (pending_.empty()) return inner_->pollEvent(event);
    }
    event = pending_.front();
    pending_.pop_front();
    return true;
}

void ScriptedSurface::swapBuffers() {
    ++swaps_;
    inner_->swapBuffers();
}

bool ScriptedSurface::setFullscreen(bool on, int width, int height, int bits) {
    log_.push_back(std::string("setFullscreen ") + (on ? "1" : "0"));
    if (on && !modeSupported_) return false;
    fullscreen_ = on;
    return true;
}

void ScriptedSurface::inhibitScreenSaver(bool inhibit) {
    log_.push_back(std::string("inhibitScreenSaver ") + (inhibit ? "1" : "0"));
    screenSaverInhibited_ = inhibit;
}

bool ScriptedSurface::releaseCurrent() { return step("releaseCurrent", inner_->releaseCurrent()); }
bool ScriptedSurface::deleteContext() { return step("deleteContext", inner_->deleteContext()); }
bool ScriptedSurface::releaseDrawable() { return step("releaseDrawable", inner_->releaseDrawable()); }
bool ScriptedSurface::destroyWindow() { return step("destroyWindow", inner_->destroyWindow()); }
bool ScriptedSurface::shutdown() { return step("shutdown", inner_->shutdown()); }
