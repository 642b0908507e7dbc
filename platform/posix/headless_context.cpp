// A current off-screen GL context in one call.
#include "platform/posix/headless_context.h"

#include <GL/gl.h>

HeadlessContext::~HeadlessContext() { close(); }

bool HeadlessContext::open(int width, int height, EglSurface::Options options) {
    close();
    error_.clear();
    if (width <= 0 || height <= 0) {
        error_ = "the size must be positive";
        return false;
    }
    surface_ = std::make_unique<EglSurface>(options);
    if (!surface_->initialize()) {
        error_ = surface_->lastError();
        surface_.reset();
        return false;
    }
    surface_->createWindow("headless", width, height, false);
    PixelFormat format;
    if (surface_->createContext(format) != ContextStatus::Ok || !surface_->makeCurrent()) {
        error_ = surface_->lastError();
        surface_.reset();
        return false;
    }
    return true;
}

void HeadlessContext::close() {
    if (!surface_) return;
    surface_->releaseCurrent();
    surface_->deleteContext();
    surface_->releaseDrawable();
    surface_->destroyWindow();
    surface_.reset();
}

void HeadlessContext::finish() const {
    if (isOpen()) glFinish();
}

std::string HeadlessContext::readRgba() const {
    if (!isOpen()) return {};
    const int w = surface_->getWidth(), h = surface_->getHeight();
    std::string pixels(static_cast<size_t>(w) * h * 4, '\0');
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
