// The show's window: set-up and release with their message boxes, the frame loop, and the frame's
// end (badge, capture, swap, letterbox).
#include "platform/gl/gl_window.h"

#include "platform/gl/gl_api.h"

#include "data/message_box.h"
#include "platform/core/frame_client.h"
#include "platform/core/live_platform.h"

GLWindow::GLWindow(HostWindow hostWindow) : hostWindow_(hostWindow) {}

GLWindow::GLWindow(std::unique_ptr<PlatformSurface> ownSurface) : ownSurface_(std::move(ownSurface)) {}

GLWindow::~GLWindow() {
    if (recorder().isOpen()) recorder().finish();
    if (!hostWindow_ && surface_ && (initialized_ || surface_->hasWindow() || surface_->hasContext())) killWindow();
}

int GLWindow::openWindow(const char* title, int width, int height, int bits, bool fullscreen) {
    fullscreen_ = fullscreen;
    width_ = width;
    height_ = height;
    bits_ = bits;

    if (hostWindow_) {
        // A host's window is drawn into as it is: windowed, no display change.
        surface_ = hostWindow_;
        fullscreen_ = false;
    } else {
        if (!ownSurface_) ownSurface_ = createLiveSurface();
        surface_ = ownSurface_.get();
        if (!surface_->initialize()) {
            messageBox("Failed To Register The Window Class.", "ERROR", MessageBoxStyle::OkExclamation);
            return 0;
        }
        initialized_ = true;
    }

    auto askWindowed = [&]() {
        if (messageBox("The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
                       "", MessageBoxStyle::YesNoExclamation) == MessageBoxResult::Yes) {
            fullscreen_ = false;
            return true;
        }
        messageBox("Program Will Now Close.", "ERROR", MessageBoxStyle::OkStop);
        return false;
    };

    if (fullscreen_ && !surface_->setDisplayMode(width, height, bits)) {
        if (!askWindowed()) {
            killWindow();
            return 0;
        }
    }
    if (fullscreen_) surface_->showCursor(false);

    if (!surface_->hasWindow() && !surface_->createWindow(title, width, height, fullscreen_)) {
        killWindow();
        messageBox("Window Creation Error.", "ERROR", MessageBoxStyle::OkExclamation);
        return 0;
    }
    if (fullscreen_ && !surface_->isFullscreen()) {
        // The mode was offered but the switch itself failed: the same question as above.
        surface_->showCursor(true);
        if (!askWindowed()) {
            killWindow();
            return 0;
        }
    }

    if (!createContext(bits)) return 0;
    contextReady_ = true;
    surface_->setSwapInterval(1);
    surface_->showWindow();
    resize(width, height);
    if (!initGL()) {
        killWindow();
        messageBox("Initialization Failed.", "ERROR", MessageBoxStyle::OkExclamation);
        return 0;
    }

    if (player_) player_->start();
    if (hostWindow_) return 1;

    active_ = true;
    surface_->inhibitScreenSaver(true);
    runLoop();
    return 1;
}

bool GLWindow::createContext(int bits) {
    if (!surface_->hasContext()) {
        PixelFormat format;
        format.colorBits = bits;
        switch (surface_->createContext(format)) {
            case ContextStatus::Ok: break;
            case ContextStatus::NoDrawable:
                killWindow();
                messageBox("Can't Create A GL Device Context.", "ERROR", MessageBoxStyle::OkExclamation);
                return false;
            case ContextStatus::NoPixelFormat:
                killWindow();
                messageBox("Can't Find A Suitable PixelFormat.", "ERROR", MessageBoxStyle::OkExclamation);
                return false;
            case ContextStatus::PixelFormatNotSet:
                killWindow();
                messageBox("Can't Set The PixelFormat.", "ERROR", MessageBoxStyle::OkExclamation);
                return false;
            case ContextStatus::NoContext:
                killWindow();
                messageBox("Can't Create A GL Rendering Context.", "ERROR", MessageBoxStyle::OkExclamation);
                return false;
        }
    }
    if (!surface_->makeCurrent()) {
        killWindow();
        messageBox("Can't Activate The GL Rendering Context.", "ERROR", MessageBoxStyle::OkExclamation);
        return false;
    }
    return true;
}

void GLWindow::runLoop() {
    for (;;) {
        if (quitPending_) {
            killWindow();
            return;
        }
        SurfaceEvent event;
        if (surface_->pollEvent(event)) {
            handleEvent(event);
            continue;
        }
        if (active_ && keys_.escape()) {
            killWindow();
            return;
        }
        if (active_) {
            drawFrame();
        } else {
            // Minimised: nothing to draw. Music and clock run on; wait for the next message
            // instead of spinning.
            surface_->waitEvent(10);
        }
        if (keys_.takeF1()) toggleFullscreen();
    }
}

void GLWindow::handleEvent(const SurfaceEvent& event) {
    switch (event.type) {
        case SurfaceEvent::Type::KeyDown:
            keys_.press(event.key, active_);
            break;
        case SurfaceEvent::Type::KeyUp:
            keys_.release(event.key);
            break;
        case SurfaceEvent::Type::Activate:
            active_ = !event.minimized;
            if (!active_) keys_.forgetEscape();
            break;
        case SurfaceEvent::Type::Close:
            quitPending_ = true;
            break;
        case SurfaceEvent::Type::Resize:
            letterbox_.restart();
            if (contextReady_) letterbox(event.width, event.height);
            break;
    }
}

void GLWindow::toggleFullscreen() {
    if (!surface_ || hostWindow_ || !contextReady_) return;
    if (fullscreen_) {
        if (surface_->setFullscreen(false, width_, height_, bits_)) {
            fullscreen_ = false;
            surface_->showCursor(true);
        }
    } else if (surface_->setFullscreen(true, width_, height_, bits_)) {
        fullscreen_ = true;
        surface_->showCursor(false);
    }
    // The window changed: letterbox afresh, as after a resize.
    letterbox_.restart();
    letterbox(width_, height_);
}

void GLWindow::resize(int width, int height) { letterbox(width, height); }

int GLWindow::initGL() {
    glShadeModel(GL_FLAT);
    glClearColor(0.85490197f, 0.9490196f, 1.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    return 1;
}

void GLWindow::letterbox(int w, int h) { letterbox_.apply(w, h, drawing_); }

void GLWindow::drawBadge(int width, int height, int showTime) {
    if (badgeDueAt(showTime)) drawBadgeOverlay(width, height, drawing_);
    glFlush();
}

void GLWindow::swapAndLetterbox(int width, int height) {
    // A frame with drawing off drew nothing: its buffer holds what the last drawn frame's
    // letterbox left there (black where it cleared), so it is not shown. A live window then keeps
    // showing the last drawn frame while the steps that catch up or jump are computed.
    if (surface_ && drawing_) surface_->swapBuffers();
    letterbox(width, height);
}

int GLWindow::present(int width, int height, int showTime, const std::function<int()>& capture) {
    drawBadge(width, height, showTime);
    const int result = capture ? capture() : 0;
    swapAndLetterbox(width, height);
    return result;
}

int GLWindow::drawFrame(const std::function<int()>& capture) {
    if (!contextReady_) return -1;
    if (player_) player_->renderFrame(width_, height_, 0);
    return present(width_, height_, player_ ? player_->getShowTime() : 0, capture);
}

void GLWindow::killWindow() {
    if (!surface_) return;
    if (fullscreen_) {
        surface_->restoreDisplayMode();
        surface_->showCursor(true);
        fullscreen_ = false;
    }
    if (!hostWindow_ && initialized_) surface_->inhibitScreenSaver(false);
    if (surface_->hasContext()) {
        if (!surface_->releaseCurrent())
            messageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", MessageBoxStyle::OkInformation);
        if (!surface_->deleteContext())
            messageBox("Release Rendering Context Failed.", "SHUTDOWN ERROR", MessageBoxStyle::OkInformation);
    }
    contextReady_ = false;
    if (surface_->hasDrawable() && !surface_->releaseDrawable())
        messageBox("Release Device Context Failed.", "SHUTDOWN ERROR", MessageBoxStyle::OkInformation);
    if (surface_->hasWindow() && !surface_->destroyWindow())
        messageBox("Could Not Release hWnd.", "SHUTDOWN ERROR", MessageBoxStyle::OkInformation);
    if (initialized_) {
        if (!surface_->shutdown())
            messageBox("Could Not Unregister Class.", "SHUTDOWN ERROR", MessageBoxStyle::OkInformation);
        initialized_ = false;
    }
}

void* GLWindow::startRecording() { return frameRecorder_.start(width_, height_); }

int GLWindow::captureFrame() { return contextReady_ ? frameRecorder_.capture(width_, height_) : -1; }

void GLWindow::stopRecording() { frameRecorder_.stop(); }
