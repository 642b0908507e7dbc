// The live window on SDL2.
#include "platform/posix/sdl_surface.h"

#include <SDL2/SDL.h>

namespace {

// SDL key codes to the window layer's virtual key numbers; 0 for keys the show has no use for.
int virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return kKeyF1 + (key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return kKeyEscape;
        case SDLK_RETURN: return kKeyReturn;
        case SDLK_SPACE: return kKeySpace;
        case SDLK_LEFT: return kKeyLeft;
        case SDLK_UP: return kKeyUp;
        case SDLK_RIGHT: return kKeyRight;
        case SDLK_DOWN: return kKeyDown;
        case SDLK_PAGEUP: return kKeyPageUp;
        case SDLK_PAGEDOWN: return kKeyPageDown;
        case SDLK_HOME: return kKeyHome;
        case SDLK_PERIOD: return kKeyPeriod;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return kKeyShift;
        default: return 0;
    }
}

bool formatHasBits(Uint32 format, int bits) {
    return static_cast<int>(SDL_BITSPERPIXEL(format)) == bits || static_cast<int>(SDL_BYTESPERPIXEL(format)) * 8 == bits;
}

}  // namespace

SdlSurface::~SdlSurface() {
    if (context_) {
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    if (window_) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlSurface::initialize() {
    if (videoStarted_) return true;
    // Minimise a full-screen window when it loses the focus, so the show pauses its drawing.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
    videoStarted_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return videoStarted_;
}

bool SdlSurface::findMode(int width, int height, int bits) {
    const int count = SDL_GetNumDisplayModes(0);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w != width || mode.h != height || !formatHasBits(mode.format, bits)) continue;
        if (!found || mode.refresh_rate > modeRefresh_) {
            modeWidth_ = mode.w;
            modeHeight_ = mode.h;
            modeFormat_ = static_cast<int>(mode.format);
            modeRefresh_ = mode.refresh_rate;
            found = true;
        }
    }
    return found;
}

bool SdlSurface::setDisplayMode(int width, int height, int bits) {
    modeFound_ = findMode(width, height, bits);
    return modeFound_;
}

void SdlSurface::restoreDisplayMode() {
    // Leaving real full screen hands the desktop mode back.
    if (window_ && fullscreen_) SDL_SetWindowFullscreen(window_, 0);
    fullscreen_ = false;
}

void SdlSurface::showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

bool SdlSurface::createWindow(const char* title, int width, int height, bool fullscreen) {
    // The framebuffer attributes must be known before the window picks its visual.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

    window_ = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window_) return false;
    fullscreen_ = false;
    if (fullscreen) setFullscreen(true, width, height, 32);
    return true;
}

ContextStatus SdlSurface::createContext(const PixelFormat&) {
    if (!window_) return ContextStatus::NoDrawable;
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) return ContextStatus::NoContext;
    return ContextStatus::Ok;
}

bool SdlSurface::makeCurrent() { return context_ && SDL_GL_MakeCurrent(window_, context_) == 0; }

void SdlSurface::showWindow() {
    if (!window_) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
}

void SdlSurface::setSwapInterval(int interval) {
    // Some drivers refuse a swap interval; the show then runs unsynchronised.
    SDL_GL_SetSwapInterval(interval);
}

bool SdlSurface::pollEvent(SurfaceEvent& event) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:
                event = SurfaceEvent::close();
                return true;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                if (e.type == SDL_KEYDOWN && e.key.repeat) continue;  // a held key counts once
                const int key = virtualKey(e.key.keysym.sym);
                if (key == 0) continue;
                event = e.type == SDL_KEYDOWN ? SurfaceEvent::keyDown(key) : SurfaceEvent::keyUp(key);
                return true;
            }
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        event = SurfaceEvent::close();
                        return true;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        event = SurfaceEvent::activate(true);
                        return true;
                    case SDL_WINDOWEVENT_RESTORED:
                    case SDL_WINDOWEVENT_SHOWN:
                        event = SurfaceEvent::activate(false);
                        return true;
                    case SDL_WINDOWEVENT_SIZE_CHANGED: {
                        int w = e.window.data1, h = e.window.data2;
                        if (window_) SDL_GL_GetDrawableSize(window_, &w, &h);
                        event = SurfaceEvent::resize(w, h);
                        return true;
                    }
                    default:
                        continue;
                }
            default:
                continue;
        }
    }
    return false;
}

void SdlSurface::waitEvent(int timeoutMs) { SDL_WaitEventTimeout(nullptr, timeoutMs); }

void SdlSurface::swapBuffers() {
    if (window_) SDL_GL_SwapWindow(window_);
}

bool SdlSurface::setFullscreen(bool on, int width, int height, int bits) {
    if (!window_) return false;
    if (!on) {
        if (fullscreen_ && SDL_SetWindowFullscreen(window_, 0) != 0) return false;
        fullscreen_ = false;
        SDL_SetWindowSize(window_, width, height);
        return true;
    }
    if (fullscreen_) return true;
    if (!modeFound_ || modeWidth_ != width || modeHeight_ != height) modeFound_ = findMode(width, height, bits);
    if (!modeFound_) return false;
    SDL_DisplayMode mode{};
    mode.w = modeWidth_;
    mode.h = modeHeight_;
    mode.format = static_cast<Uint32>(modeFormat_);
    mode.refresh_rate = modeRefresh_;
    if (SDL_SetWindowDisplayMode(window_, &mode) != 0) return false;
    if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) return false;
    fullscreen_ = true;
    return true;
}

void SdlSurface::inhibitScreenSaver(bool inhibit) {
    if (inhibit) {
        SDL_DisableScreenSaver();
    } else {
        SDL_EnableScreenSaver();
    }
}

bool SdlSurface::releaseCurrent() { return SDL_GL_MakeCurrent(window_, nullptr) == 0; }

bool SdlSurface::deleteContext() {
    if (context_) SDL_GL_DeleteContext(context_);
    context_ = nullptr;
    return true;
}

bool SdlSurface::destroyWindow() {
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
    fullscreen_ = false;
    return true;
}

bool SdlSurface::shutdown() {
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
    return true;
}
