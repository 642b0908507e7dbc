// Off-screen OpenGL on Mesa's surfaceless EGL platform: a pbuffer, or a framebuffer object when no
// pbuffer configuration is offered.
#include "platform/posix/egl_surface.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace {

// The surfaceless display, opened once per process and never terminated: terminating it would
// pull the contexts from under every other EglSurface that is still alive.
EGLDisplay sharedDisplay(std::string* why) {
    static EGLDisplay display = EGL_NO_DISPLAY;
    static bool tried = false;
    static std::string failure;
    if (!tried) {
        tried = true;
        const char* ext = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (!ext || !std::strstr(ext, "EGL_MESA_platform_surfaceless")) {
            failure = "EGL_MESA_platform_surfaceless is not offered by the EGL library";
        } else {
            auto getPlatformDisplay =
                reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
            EGLDisplay d = getPlatformDisplay
                               ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                               : EGL_NO_DISPLAY;
            EGLint major = 0, minor = 0;
            if (d == EGL_NO_DISPLAY) {
                failure = "eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA) gave no display";
            } else if (!eglInitialize(d, &major, &minor)) {
                failure = "eglInitialize failed on the surfaceless display";
            } else {
                display = d;
            }
        }
    }
    if (display == EGL_NO_DISPLAY && why) *why = failure;
    return display;
}

struct FboFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

    bool load() {
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(eglGetProcAddress("glGenFramebuffers"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(eglGetProcAddress("glBindFramebuffer"));
        deleteFramebuffers =
            reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(eglGetProcAddress("glDeleteFramebuffers"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(eglGetProcAddress("glGenRenderbuffers"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(eglGetProcAddress("glBindRenderbuffer"));
        deleteRenderbuffers =
            reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(eglGetProcAddress("glDeleteRenderbuffers"));
        renderbufferStorage =
            reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(eglGetProcAddress("glRenderbufferStorage"));
        framebufferRenderbuffer =
            reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(eglGetProcAddress("glFramebufferRenderbuffer"));
        checkFramebufferStatus =
            reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(eglGetProcAddress("glCheckFramebufferStatus"));
        return genFramebuffers && bindFramebuffer && deleteFramebuffers && genRenderbuffers && bindRenderbuffer &&
               deleteRenderbuffers && renderbufferStorage && framebufferRenderbuffer && checkFramebufferStatus;
    }
};

FboFunctions& fbo() {
    static FboFunctions functions;
    return functions;
}

}  // namespace

EglSurface::~EglSurface() {
    if (hasContext()) {
        releaseCurrent();
        deleteContext();
    }
    if (hasDrawable()) releaseDrawable();
}

bool EglSurface::platformAvailable(std::string* why) { return sharedDisplay(why) != EGL_NO_DISPLAY; }

bool EglSurface::initialize() {
    display_ = sharedDisplay(&error_);
    return display_ != EGL_NO_DISPLAY;
}

bool EglSurface::createWindow(const char*, int width, int height, bool) {
    width_ = width;
    height_ = height;
    windowCreated_ = true;
    return true;
}

ContextStatus EglSurface::createContext(const PixelFormat& format) {
    if (!display_ && !initialize()) return ContextStatus::NoDrawable;
    EGLDisplay display = display_;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "eglBindAPI(EGL_OPENGL_API) failed";
        return ContextStatus::NoContext;
    }
    const EGLint channel = format.colorBits >= 24 ? 8 : 5;
    EGLConfig config = nullptr;
    EGLint found = 0;
    usingFbo_ = true;
    if (!options_.forceFramebufferObject) {
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,     channel,         EGL_GREEN_SIZE,      channel,
                                     EGL_BLUE_SIZE,    channel,         EGL_DEPTH_SIZE,      format.depthBits,
                                     EGL_NONE};
        if (eglChooseConfig(display, attributes, &config, 1, &found) && found > 0) usingFbo_ = false;
    }
    if (usingFbo_) {
        const char* ext = eglQueryString(display, EGL_EXTENSIONS);
        if (!ext || !std::strstr(ext, "EGL_KHR_surfaceless_context")) {
            error_ = "no pbuffer configuration and no surfaceless contexts";
            return ContextStatus::NoPixelFormat;
        }
        const EGLint attributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        found = 0;
        if (!eglChooseConfig(display, attributes, &config, 1, &found) || found == 0) {
            error_ = "no OpenGL configuration on the surfaceless display";
            return ContextStatus::NoPixelFormat;
        }
    }
    config_ = config;

    if (!usingFbo_) {
        const EGLint pbuffer[] = {EGL_WIDTH, width_, EGL_HEIGHT, height_, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, config, pbuffer);
        if (surface == EGL_NO_SURFACE) {
            error_ = "eglCreatePbufferSurface failed";
            return ContextStatus::NoDrawable;
        }
        surface_ = surface;
    }
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        error_ = "eglCreateContext failed";
        return ContextStatus::NoContext;
    }
    context_ = context;
    return ContextStatus::Ok;
}

bool EglSurface::makeCurrent() {
    if (!context_) return false;
    EGLSurface surface = surface_ ? static_cast<EGLSurface>(surface_) : EGL_NO_SURFACE;
    if (!eglMakeCurrent(display_, surface, surface, static_cast<EGLContext>(context_))) {
        error_ = "eglMakeCurrent failed";
        return false;
    }
    if (usingFbo_ && fbo_ == 0) {
        FboFunctions& f = fbo();
        if (!f.load()) {
            error_ = "framebuffer object functions are missing";
            return false;
        }
        f.genFramebuffers(1, &fbo_);
        f.bindFramebuffer(GL_FRAMEBUFFER, fbo_);
        f.genRenderbuffers(1, &colorBuffer_);
        f.bindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
        f.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
        f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
        f.genRenderbuffers(1, &depthBuffer_);
        f.bindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width_, height_);
        f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
        if (f.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            error_ = "the framebuffer object is incomplete";
            return false;
        }
    }
    if (usingFbo_) fbo().bindFramebuffer(GL_FRAMEBUFFER, fbo_);
    // The picture's full extent, as a new window would have it.
    glViewport(0, 0, width_, height_);
    if (!picturePrepared_) {
        // A new buffer holds whatever its memory held (in one process, an earlier context's
        // picture); it starts as zero colour, as a buffer on fresh memory does, so that a show's
        // first frames do not depend on what was drawn before.
        float saved[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(saved[0], saved[1], saved[2], saved[3]);
        picturePrepared_ = true;
    }
    return true;
}

void EglSurface::swapBuffers() {
    // A pbuffer has one buffer and its swap returns at once: finish the frame here so that it is
    // complete when this returns, as a swap on a display does.
    if (surface_) eglSwapBuffers(display_, static_cast<EGLSurface>(surface_));
    glFinish();
}

bool EglSurface::releaseCurrent() {
    if (usingFbo_ && fbo_ && eglGetCurrentContext() == static_cast<EGLContext>(context_)) {
        FboFunctions& f = fbo();
        f.bindFramebuffer(GL_FRAMEBUFFER, 0);
        f.deleteRenderbuffers(1, &colorBuffer_);
        f.deleteRenderbuffers(1, &depthBuffer_);
        f.deleteFramebuffers(1, &fbo_);
        fbo_ = colorBuffer_ = depthBuffer_ = 0;
        picturePrepared_ = false;
    }
    if (eglGetCurrentContext() != static_cast<EGLContext>(context_)) return true;
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
}

bool EglSurface::deleteContext() {
    if (!context_) return true;
    const bool ok = eglDestroyContext(display_, static_cast<EGLContext>(context_)) == EGL_TRUE;
    context_ = nullptr;
    return ok;
}

bool EglSurface::releaseDrawable() {
    if (!surface_) return true;
    const bool ok = eglDestroySurface(display_, static_cast<EGLSurface>(surface_)) == EGL_TRUE;
    surface_ = nullptr;
    picturePrepared_ = false;
    return ok;
}

bool EglSurface::destroyWindow() {
    windowCreated_ = false;
    return true;
}

const char* EglSurface::drawTarget() const {
    if (!context_) return "";
    return usingFbo_ ? "framebuffer object" : "pbuffer";
}
