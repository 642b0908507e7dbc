// HeadlessContext: a current off-screen OpenGL context of a given size in one call, for tests,
// benchmarks and offline rendering. Its surface can be handed to the player as a host window;
// the host then drives frames through GLWindow::drawFrame.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/egl_surface.h"

class HeadlessContext {
public:
    HeadlessContext() = default;
    // Releases the context.
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Creates the context for width x height (depth 16, RGB 8 bits each) and makes it current.
    // false with the reason in error() when it cannot.
    bool open(int width, int height, EglSurface::Options options = {});
    void close();
    bool isOpen() const { return surface_ && surface_->hasContext(); }
    // The surface, to hand to GLWindow / the player as a host window (not owned by them).
    EglSurface* surface() const { return surface_.get(); }
    const std::string& error() const { return error_; }
    // "pbuffer" or "framebuffer object".
    const char* drawTarget() const { return surface_ ? surface_->drawTarget() : ""; }
    // Waits until every GL command given so far has been carried out (the picture is finished).
    void finish() const;
    // Reads the whole drawable as RGBA, bottom row first (width x height x 4 bytes).
    std::string readRgba() const;

private:
    std::unique_ptr<EglSurface> surface_;
    std::string error_;
};
