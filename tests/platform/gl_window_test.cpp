// The window layer against headless GL: letterbox, clear colour, badge, and the frame loop's rules
// driven by a scripted event source.
#include "platform/gl_window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gl_test_support.h"
#include "platform/frame_client.h"
#include "platform/message_box.h"
#include "platform/scripted_surface.h"

namespace {

// A show that clears its picture to one colour and reports a settable show time.
class TestClient : public FrameClient {
public:
    int renderFrame(int, int, int) override {
        ++frames;
        if (texture != 0) textureAlive = textureAlive && glIsTexture(texture);
        glClearColor(colour[0], colour[1], colour[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return 0;
    }
    void start() override {
        ++starts;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const uint8_t texel[4] = {1, 2, 3, 4};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    }
    int getShowTime() override { return showTime; }

    int frames = 0;
    int starts = 0;
    int showTime = 0;
    float colour[3] = {0.0f, 1.0f, 0.0f};
    GLuint texture = 0;
    bool textureAlive = true;
};

struct Letterbox {
    int width, height, y0, pictureHeight;
};

// Runs one frame the way the loop does, reading the picture before the swap's letterbox.
void frameWithoutSwap(GLWindow& window, TestClient& client, int w, int h) {
    client.renderFrame(w, h, 0);
    window.drawBadge(w, h, client.getShowTime());
}

TEST(GLWindowLetterbox, BarsAndPictureAreaAtTheThreeSizes) {
    for (const Letterbox& size : {Letterbox{1024, 768, 96, 576}, Letterbox{800, 600, 75, 450},
                                  Letterbox{640, 480, 60, 360}}) {
        SCOPED_TRACE(size.width);
        HeadlessContext context;
        OPEN_HEADLESS_OR_END(context, size.width, size.height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        TestClient client;
        GLWindow window(context.surface());
        window.setPlayer(&client);
        ASSERT_EQ(window.openWindow("Test", size.width, size.height, 32, false), 1);
        EXPECT_EQ(client.starts, 1);
        EXPECT_EQ(client.frames, 0);  // a host drives the frames itself

        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0], 0);
        EXPECT_EQ(viewport[1], size.y0);
        EXPECT_EQ(viewport[2], size.width);
        EXPECT_EQ(viewport[3], size.pictureHeight);

        // While the counter is at most 4, the scissor stays on the region above the picture
        // height: the lower picture rows are not drawn yet.
        frameWithoutSwap(window, client, size.width, size.height);
        EXPECT_EQ(readPixel(5, size.y0 + 1), rgbOf(0, 0, 0));
        EXPECT_EQ(readPixel(5, size.pictureHeight + 1), rgbOf(0, 1, 0));
        window.swapAndLetterbox(size.width, size.height);
        for (int i = 0; i < 5; ++i) window.driveFrame(false);
        EXPECT_GT(window.getLetterboxCounter(), 5u);

        // From then on the picture area is drawn and the bars stay black.
        frameWithoutSwap(window, client, size.width, size.height);
        const int top = size.y0 + size.pictureHeight;
        EXPECT_EQ(readPixel(5, 0), rgbOf(0, 0, 0));
        EXPECT_EQ(readPixel(size.width - 1, size.y0 - 1), rgbOf(0, 0, 0));
        EXPECT_EQ(readPixel(0, size.y0), rgbOf(0, 1, 0));
        EXPECT_EQ(readPixel(size.width - 1, top - 1), rgbOf(0, 1, 0));
        EXPECT_EQ(readPixel(5, top), rgbOf(0, 0, 0));
        EXPECT_EQ(readPixel(5, size.height - 1), rgbOf(0, 0, 0));
        GLint scissor[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, scissor);
        EXPECT_EQ(scissor[1], size.y0);
        EXPECT_EQ(scissor[3], size.pictureHeight);
    }
}

TEST(GLWindowState, InitGlSetsTheClearColourAndDepthState) {
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, 64, 48);
    GLWindow window(context.surface());
    ASSERT_EQ(window.openWindow("Test", 64, 48, 32, false), 1);
    float clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(rgbOf(clear[0], clear[1], clear[2]), (Rgb{218, 242, 255}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_FLAT);
    // The first frame is cleared in that colour (above the picture height, where the scissor is).
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(readPixel(5, 47), (Rgb{218, 242, 255}));
}

TEST(HeadlessContextTargets, PbufferAndFramebufferObjectBothDraw) {
    for (bool forceFbo : {false, true}) {
        SCOPED_TRACE(forceFbo);
        HeadlessContext context;
        EglSurface::Options options;
        options.forceFramebufferObject = forceFbo;
        OPEN_HEADLESS_OR_END(context, 40, 30, options);
        EXPECT_STREQ(context.drawTarget(), forceFbo ? "framebuffer object" : "pbuffer");
        GLint depthBits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
        EXPECT_GE(depthBits, 16);
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const std::string rgba = context.readRgba();
        ASSERT_EQ(rgba.size(), 40u * 30u * 4u);
        EXPECT_EQ(static_cast<uint8_t>(rgba[0]), 255);
        EXPECT_EQ(static_cast<uint8_t>(rgba[1]), 0);
        EXPECT_EQ(readPixel(39, 29), rgbOf(1, 0, 1));
    }
}

TEST(GLWindowBadge, ShownOnlyAtItsShowTimes) {
    const int w = 1024, h = 768;
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, w, h);
    TestClient client;
    GLWindow window(context.surface());
    window.setPlayer(&client);
    ASSERT_EQ(window.openWindow("Test", w, h, 32, false), 1);
    for (int i = 0; i < 6; ++i) window.driveFrame(false);

    // The badge's lower left corner: x = w - 60, y = the picture's bottom + 8 rows of the
    // 0..h projection mapped onto the picture height.
    const int bx = w - 60, by = 96 + 8 * 576 / 768;
    const uint8_t* badge = badgeImage();
    auto badgePixel = [&](int x, int y) {
        const uint8_t* p = badge + (y * kBadgeWidth + x) * 4;
        return Rgb{p[0], p[1], p[2]};
    };
    ASSERT_NE(badgePixel(2, 2), rgbOf(0, 1, 0));
    ASSERT_NE(badgePixel(0, 0), badgePixel(2, 2));  // border and inside differ
    for (int t : {18887, 18888, 333003, 333004, 341779, 341780, 0, -1}) {
        SCOPED_TRACE(t);
        client.showTime = t;
        frameWithoutSwap(window, client, w, h);
        const bool due = (t >= 18888 && t <= 333003) || t >= 341780 || t == -1;  // -1 is 4294967295 ms
        EXPECT_EQ(badgeDueAt(t), due);
        EXPECT_EQ(readPixel(bx + 2, by + 2), due ? badgePixel(2, 2) : rgbOf(0, 1, 0));
        EXPECT_EQ(readPixel(bx, by), due ? badgePixel(0, 0) : rgbOf(0, 1, 0));
        // Transparent outside the 52 x 14 block.
        EXPECT_EQ(readPixel(bx + kBadgeBlockWidth + 2, by + 2), rgbOf(0, 1, 0));
        EXPECT_EQ(readPixel(bx + 2, by + kBadgeBlockHeight + 1), rgbOf(0, 1, 0));
        window.swapAndLetterbox(w, h);
    }
}

TEST(GLWindowBadge, ImageIsOpaqueOnlyInItsBlock) {
    const uint8_t* badge = badgeImage();
    int opaque = 0;
    for (int y = 0; y < kBadgeHeight; ++y)
        for (int x = 0; x < kBadgeWidth; ++x) {
            const uint8_t alpha = badge[(y * kBadgeWidth + x) * 4 + 3];
            const bool inBlock = x < kBadgeBlockWidth && y < kBadgeBlockHeight;
            EXPECT_EQ(alpha, inBlock ? 255 : 0) << x << "," << y;
            opaque += alpha == 255;
        }
    EXPECT_EQ(opaque, kBadgeBlockWidth * kBadgeBlockHeight);
}

// Own-window mode on a scripted surface over headless GL.
class GLWindowLoop : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
        surface_ = new ScriptedSurface(std::make_unique<EglSurface>());
        previous_ = setWindowSurfaceFactory([this]() {
            handedOver_ = true;
            return std::unique_ptr<PlatformSurface>(surface_);
        });
    }
    void TearDown() override {
        setWindowSurfaceFactory(previous_);
        window_.reset();
        if (!handedOver_) delete surface_;
    }

    // Opens the own window (the loop runs inside) and returns openWindow's result.
    int run(bool fullscreen) {
        window_ = std::make_unique<GLWindow>();
        window_->setPlayer(&client_);
        return window_->openWindow("Test", 64, 48, 32, fullscreen);
    }

    std::vector<std::string> releaseSteps() const {
        std::vector<std::string> steps;
        for (const std::string& s : surface_->log())
            if (s == "releaseCurrent" || s == "deleteContext" || s == "releaseDrawable" || s == "destroyWindow" ||
                s == "shutdown")
                steps.push_back(s);
        return steps;
    }

    ScriptedSurface* surface_ = nullptr;  // owned by the window once created
    bool handedOver_ = false;
    SurfaceFactory previous_;
    TestClient client_;
    std::unique_ptr<GLWindow> window_;
};

const std::vector<std::string> kReleaseOrder = {"releaseCurrent", "deleteContext", "releaseDrawable",
                                                "destroyWindow", "shutdown"};

TEST_F(GLWindowLoop, CloseEndsTheLoopAndReleasesEverythingInOrder) {
    surface_->at(5, SurfaceEvent::close());
    EXPECT_EQ(run(false), 1);
    EXPECT_EQ(client_.starts, 1);
    EXPECT_EQ(client_.frames, 4);
    EXPECT_EQ(surface_->swaps(), 4);
    EXPECT_EQ(releaseSteps(), kReleaseOrder);
    EXPECT_FALSE(surface_->screenSaverInhibited());
    const auto& log = surface_->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "inhibitScreenSaver 1"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "setSwapInterval 1"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "setDisplayMode 64x48x32"), log.end());  // windowed
}

TEST_F(GLWindowLoop, EscapeWhileMinimisedDoesNothingUntilRestored) {
    surface_->at(3, SurfaceEvent::activate(true));
    surface_->at(3, SurfaceEvent::keyDown(kKeyEscape));
    surface_->at(20, SurfaceEvent::activate(false));
    EXPECT_EQ(run(false), 1);
    // Two frames before the minimise, none while minimised, and Escape acts on the first pass
    // after the restore.
    EXPECT_EQ(client_.frames, 2);
    EXPECT_EQ(surface_->passes(), 21);
    EXPECT_EQ(releaseSteps(), kReleaseOrder);
}

TEST_F(GLWindowLoop, EscapeReleasedBeforeRestoreKeepsTheShowRunning) {
    surface_->at(2, SurfaceEvent::activate(true));
    surface_->at(2, SurfaceEvent::keyDown(kKeyEscape));
    surface_->at(4, SurfaceEvent::keyUp(kKeyEscape));
    surface_->at(6, SurfaceEvent::activate(false));
    surface_->at(10, SurfaceEvent::close());
    EXPECT_EQ(run(false), 1);
    EXPECT_EQ(client_.frames, 1 + 3);  // pass 1, then passes 7, 8, 9
}

TEST_F(GLWindowLoop, AQuickEscapeOrF1BetweenTwoFramesIsNotLost) {
    // Press and release arrive together, as from a fast key tap on a busy machine.
    surface_->at(2, SurfaceEvent::keyDown(kKeyF1));
    surface_->at(2, SurfaceEvent::keyUp(kKeyF1));
    surface_->at(4, SurfaceEvent::keyDown(kKeyEscape));
    surface_->at(4, SurfaceEvent::keyUp(kKeyEscape));
    surface_->at(30, SurfaceEvent::close());
    EXPECT_EQ(run(false), 1);
    EXPECT_EQ(client_.frames, 2);  // passes 1 and 3; Escape ends the loop at pass 5
    const auto& log = surface_->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "setFullscreen 1"), log.end());
}

TEST_F(GLWindowLoop, F1SwitchesBetweenFullScreenAndWindowAndTheShowGoesOn) {
    surface_->at(3, SurfaceEvent::keyDown(kKeyF1));
    surface_->at(5, SurfaceEvent::keyUp(kKeyF1));
    surface_->at(6, SurfaceEvent::keyDown(kKeyF1));
    surface_->at(9, SurfaceEvent::close());
    EXPECT_EQ(run(true), 1);
    // Passes 1, 2, 4, 7 and 8 draw; the switch follows the frames of passes 4 and 7.
    EXPECT_EQ(client_.frames, 5);
    EXPECT_TRUE(client_.textureAlive);  // the same GL context throughout

    std::vector<std::string> switches;
    for (const std::string& s : surface_->log())
        if (s.rfind("setFullscreen", 0) == 0 || s.rfind("showCursor", 0) == 0 || s == "restoreDisplayMode" ||
            s.rfind("setDisplayMode", 0) == 0)
            switches.push_back(s);
    const std::vector<std::string> expected = {"setDisplayMode 64x48x32", "showCursor 0",   "setFullscreen 0",
                                               "showCursor 1",            "setFullscreen 1", "showCursor 0",
                                               "restoreDisplayMode",      "showCursor 1"};
    EXPECT_EQ(switches, expected);
    EXPECT_TRUE(surface_->cursorVisible());
}

TEST_F(GLWindowLoop, UnsupportedModeAsksAndNoEndsWithNothingDrawn) {
    CapturedMessageBoxes boxes(MessageBoxResult::No);
    surface_->setDisplayModeSupported(false);
    EXPECT_EQ(run(true), 0);
    EXPECT_EQ(client_.starts, 0);
    EXPECT_EQ(client_.frames, 0);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(boxes.calls()[0].caption, "");
    EXPECT_EQ(boxes.calls()[0].style, MessageBoxStyle::YesNoExclamation);
    EXPECT_EQ(boxes.calls()[1].text, "Program Will Now Close.");
    EXPECT_EQ(boxes.calls()[1].caption, "ERROR");
    EXPECT_EQ(boxes.calls()[1].style, MessageBoxStyle::OkStop);
}

TEST_F(GLWindowLoop, UnsupportedModeAnsweredYesGoesOnInAWindowOfTheSameSize) {
    CapturedMessageBoxes boxes(MessageBoxResult::Yes);
    surface_->setDisplayModeSupported(false);
    surface_->at(3, SurfaceEvent::keyDown(kKeyEscape));
    EXPECT_EQ(run(true), 1);
    EXPECT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(client_.frames, 2);
    const auto& log = surface_->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "createWindow Test 64x48 windowed"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "restoreDisplayMode"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "showCursor 0"), log.end());
}

TEST_F(GLWindowLoop, ReleaseFailuresAreReportedAndShutDownGoesOn) {
    CapturedMessageBoxes boxes;
    for (const std::string& step : kReleaseOrder) surface_->failStep(step);
    surface_->at(2, SurfaceEvent::close());
    EXPECT_EQ(run(false), 1);
    std::vector<std::string> texts;
    for (const MessageBoxCall& call : boxes.calls()) {
        EXPECT_EQ(call.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(call.style, MessageBoxStyle::OkInformation);
        texts.push_back(call.text);
    }
    const std::vector<std::string> expected = {"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                               "Release Device Context Failed.", "Could Not Release hWnd.",
                                               "Could Not Unregister Class."};
    EXPECT_EQ(texts, expected);
}

}  // namespace
