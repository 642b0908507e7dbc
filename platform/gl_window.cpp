// The show's window: set-up and release with their message boxes, the letterbox, the badge, the
// frame loop and the recording operations.
#include "platform/gl_window.h"

#include "platform/gl_api.h"

#include <array>

#include "data/message_box.h"
#include "platform/frame_client.h"
#include "platform/live_platform.h"

namespace {

// Glyphs of the badge's text, 3 x 5 pixels, top row first.
struct Glyph {
    const char* rows[5];
};
constexpr Glyph kLetters[] = {
    {{"##.", "#.#", "#.#", "#.#", "##."}},  // D
    {{"###", "#..", "##.", "#..", "###"}},  // E
    {{"#.#", "###", "###", "#.#", "#.#"}},  // M
    {{"###", "#.#", "#.#", "#.#", "###"}},  // O
};

// The badge: a dark block with a light border and the word DEMO in double-size pixels, in the
// lower left 52 x 14 pixels; everything else fully transparent.
std::array<uint8_t, kBadgeWidth * kBadgeHeight * 4> makeBadge() {
    std::array<uint8_t, kBadgeWidth * kBadgeHeight * 4> image{};
    auto put = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &image[(static_cast<size_t>(y) * kBadgeWidth + x) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    };
    for (int y = 0; y < kBadgeBlockHeight; ++y)
        for (int x = 0; x < kBadgeBlockWidth; ++x) {
            const bool border = x == 0 || y == 0 || x == kBadgeBlockWidth - 1 || y == kBadgeBlockHeight - 1;
            if (border) {
                put(x, y, 230, 230, 230);
            } else {
                put(x, y, 24, 28, 40);
            }
        }
    // Four letters of 6 x 10 pixels with 2 pixels between them: 30 x 10, centred in the block.
    const int left = (kBadgeBlockWidth - 30) / 2;
    const int top = (kBadgeBlockHeight - 10) / 2 + 10 - 1;  // image rows run bottom-up
    for (int letter = 0; letter < 4; ++letter)
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col) {
                if (kLetters[letter].rows[row][col] != '#') continue;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        put(left + letter * 8 + col * 2 + dx, top - row * 2 - dy, 255, 200, 40);
            }
    return image;
}

}  // namespace

const uint8_t* badgeImage() {
    static const std::array<uint8_t, kBadgeWidth * kBadgeHeight * 4> image = makeBadge();
    return image.data();
}

bool badgeDueAt(int showTime) {
    const double t = static_cast<uint32_t>(showTime);
    return (t >= 18887.69 && t <= 333003.0) || t > 341779.75;
}

GLWindow::GLWindow(HostWindow hostWindow) : hostWindow_(hostWindow) {}

GLWindow::GLWindow(std::unique_ptr<PlatformSurface> ownSurface) : ownSurface_(std::move(ownSurface)) {}

GLWindow::~GLWindow() {
    if (recorder_.isOpen()) recorder_.finish();
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

    if (!surface_->hasContext()) {
        PixelFormat format;
        format.colorBits = bits;
        switch (surface_->createContext(format)) {
            case ContextStatus::Ok: break;
            case ContextStatus::NoDrawable:
                killWindow();
                messageBox("Can't Create A GL Device Context.", "ERROR", MessageBoxStyle::OkExclamation);
                return 0;
            case ContextStatus::NoPixelFormat:
                killWindow();
                messageBox("Can't Find A Suitable PixelFormat.", "ERROR", MessageBoxStyle::OkExclamation);
                return 0;
            case ContextStatus::PixelFormatNotSet:
                killWindow();
                messageBox("Can't Set The PixelFormat.", "ERROR", MessageBoxStyle::OkExclamation);
                return 0;
            case ContextStatus::NoContext:
                killWindow();
                messageBox("Can't Create A GL Rendering Context.", "ERROR", MessageBoxStyle::OkExclamation);
                return 0;
        }
    }
    if (!surface_->makeCurrent()) {
        killWindow();
        messageBox("Can't Activate The GL Rendering Context.", "ERROR", MessageBoxStyle::OkExclamation);
        return 0;
    }
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
        if (active_ && (keyState_[kKeyEscape] || escapePressed_)) {
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
        if (keyState_[kKeyF1] || f1Pressed_) {
            keyState_[kKeyF1] = 0;
            f1Pressed_ = false;
            toggleFullscreen();
        }
    }
}

void GLWindow::handleEvent(const SurfaceEvent& event) {
    switch (event.type) {
        case SurfaceEvent::Type::KeyDown:
            if (event.key >= 0 && event.key < kKeyCount) keyState_[event.key] = 1;
            if (event.key == kKeyEscape && active_) escapePressed_ = true;
            if (event.key == kKeyF1) f1Pressed_ = true;
            break;
        case SurfaceEvent::Type::KeyUp:
            if (event.key >= 0 && event.key < kKeyCount) keyState_[event.key] = 0;
            break;
        case SurfaceEvent::Type::Activate:
            active_ = !event.minimized;
            if (!active_) escapePressed_ = false;
            break;
        case SurfaceEvent::Type::Close:
            quitPending_ = true;
            break;
        case SurfaceEvent::Type::Resize:
            letterboxCounter_ = 0;
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
    letterboxCounter_ = 0;
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

void GLWindow::letterbox(int w, int h) {
    // The picture is 16:9 of the width, centred vertically.
    const int vh = static_cast<int>(w * 9 * 0.0625);
    const int y0 = static_cast<int>((h / 2) - 0.5 * w * 9 * 0.0625);
    glViewport(0, y0, w, vh);

    float saved[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
    // Without drawing (drawing_ off) no clear is made: the bars keep the black of the last drawn
    // pass (the first runs when the window opens), and the next drawn frame clears its picture.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, w, y0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    if (drawing_) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glScissor(0, vh, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    if (drawing_) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(saved[0], saved[1], saved[2], saved[3]);

    if (letterboxCounter_ <= 4) {
        // The first frames after a (re)size clear the upper region once more, in black.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        if (drawing_) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, y0, w, vh);
    }
    ++letterboxCounter_;
}

void GLWindow::drawBadge(int width, int height, int showTime) {
    if (badgeDueAt(showTime)) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, width, 0.0, height, 1.0, -1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glRasterPos2i(width - 60, 8);
        if (drawing_) glDrawPixels(kBadgeWidth, kBadgeHeight, GL_RGBA, GL_UNSIGNED_BYTE, badgeImage());
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
    glFlush();
}

void GLWindow::swapAndLetterbox(int width, int height) {
    if (surface_) surface_->swapBuffers();
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

void* GLWindow::startRecording() {
    pixels_.assign(static_cast<size_t>(width_ > 0 ? width_ : 0) * (height_ > 0 ? height_ : 0) * 3, 0);
    if (recorder_.open(width_, height_) != 0) messageBox("error init avi", "", MessageBoxStyle::Ok);
    return pixels_.data();
}

int GLWindow::captureFrame() {
    if (!contextReady_ || pixels_.empty() || !recorder_.isOpen()) return -1;
    // Rows packed tightly: the buffer holds exactly width x height x 3 bytes.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels_.data());
    return recorder_.writeFrame(pixels_.data());
}

void GLWindow::stopRecording() {
    // A recording that ended badly says what it kept and where, rather than nothing.
    if (recorder_.finish() != 0) messageBox(recorder_.status().c_str(), "AVI", MessageBoxStyle::OkExclamation);
    pixels_.clear();
    pixels_.shrink_to_fit();
}
