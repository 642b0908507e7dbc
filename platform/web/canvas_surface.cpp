// The canvas surface: the drawing buffer's size and the WebGL context.
#include "platform/web/canvas_surface.h"

#include <emscripten/html5.h>

namespace {
constexpr const char* kCanvas = "#canvas";
}

CanvasSurface::~CanvasSurface() { deleteContext(); }

bool CanvasSurface::createWindow(const char*, int width, int height, bool) {
    window_ = emscripten_set_canvas_element_size(kCanvas, width, height) == EMSCRIPTEN_RESULT_SUCCESS;
    return window_;
}

ContextStatus CanvasSurface::createContext(const PixelFormat& format) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;  // the picture is opaque, whatever alpha the show writes
    attributes.depth = format.depthBits > 0;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.premultipliedAlpha = false;
    attributes.preserveDrawingBuffer = keepPicture_;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    context_ = static_cast<int>(emscripten_webgl_create_context(kCanvas, &attributes));
    if (context_ <= 0) {
        context_ = 0;
        return ContextStatus::NoContext;
    }
    return ContextStatus::Ok;
}

bool CanvasSurface::makeCurrent() {
    return context_ != 0 && emscripten_webgl_make_context_current(context_) == EMSCRIPTEN_RESULT_SUCCESS;
}

bool CanvasSurface::deleteContext() {
    if (context_ == 0) return true;
    const bool ok = emscripten_webgl_destroy_context(context_) == EMSCRIPTEN_RESULT_SUCCESS;
    context_ = 0;
    return ok;
}
