// The window layer against headless GL: letterbox, clear colour, badge, and the frame loop's rules
// driven by a scripted event source.
#include "platform/gl/gl_window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gl_test_support.h"
#include "platform/core/frame_client.h"
#include "support/captured_message_boxes.h"
#include "support/scripted_surface.h"

namespace {

// A show that clears its picture to one colour and reports a settable show time.
class TestClient : public FrameClient {
public:
    int renderFrame(int, int, int) override {
        ++frames;
        if (texture != 0) textureAlive = textureAlive && glIsTexture(texture);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return 0;
    }
    void start() override {  // a texture that must survive full-screen switches
        ++starts;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const uint8_t texel[4] = {1, 2, 3, 4};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    }
    int getShowTime() override { return showTime; }

    int frames = 0, starts = 0, showTime = 0;
    GLuint texture = 0;
    bool textureAlive = true;
};

const Rgb kGreen = rgbOf(0, 1, 0), kBlack = rgbOf(0, 0, 0);

// Runs one frame the way the loop does, reading the picture before the swap's letterbox.
void frameWithoutSwap(GLWindow& window, TestClient& client, int w, int h) {
    client.renderFrame(w, h, 0);
    window.drawBadge(w, h, client.getShowTime());
}

TEST(GLWindowLetterbox, ClearColourBarsAndPictureAreaAtTheThreeSizes) {
    struct Size {
        int width, height, y0, pictureHeight;
    };
    for (const Size& size : {Size{1024, 768, 96, 576}, Size{800, 600, 75, 450}, Size{640, 480, 60, 360}}) {
        SCOPED_TRACE(size.width);
        HeadlessContext context;
        OPEN_HEADLESS_OR_END(context, size.width, size.height);
        // Red before the window: the first frames leave the picture area as it was.
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        TestClient client;
        GLWindow window(context.surface());
        window.setPlayer(&client);
        ASSERT_EQ(window.openWindow("Test", size.width, size.height, 32, false), 1);
        EXPECT_EQ(client.starts, 1);
        EXPECT_EQ(client.frames, 0);  // a host drives the frames itself
        float clear[4] = {};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        EXPECT_EQ(rgbOf(clear[0], clear[1], clear[2]), (Rgb{218, 242, 255}));
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4),
                  (std::vector<GLint>{0, size.y0, size.width, size.pictureHeight}));

        // Frames after letterbox calls 1 to 5 draw only above the picture height; from the sixth
        // the picture area is drawn and the bars stay black.
        for (int call = 1; call <= 7; ++call) {
            EXPECT_EQ(window.getLetterboxCounter(), static_cast<uint32_t>(call));
            frameWithoutSwap(window, client, size.width, size.height);
            EXPECT_EQ(readPixel(5, size.y0 + 1), call <= 5 ? rgbOf(1, 0, 0) : kGreen) << call;
            EXPECT_EQ(readPixel(5, size.pictureHeight + 1), kGreen) << call;
            window.swapAndLetterbox(size.width, size.height);
        }
        frameWithoutSwap(window, client, size.width, size.height);
        const int top = size.y0 + size.pictureHeight;
        EXPECT_EQ(readPixel(5, 0), kBlack);
        EXPECT_EQ(readPixel(size.width - 1, size.y0 - 1), kBlack);
        EXPECT_EQ(readPixel(0, size.y0), kGreen);
        EXPECT_EQ(readPixel(size.width - 1, top - 1), kGreen);
        EXPECT_EQ(readPixel(5, top), kBlack);
        EXPECT_EQ(readPixel(5, size.height - 1), kBlack);
        // A resize starts the black clears of the first frames again.
        window.handleEvent(SurfaceEvent::resize(size.width, size.height));
        EXPECT_EQ(window.getLetterboxCounter(), 1u);
    }
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
        std::string magenta;
        for (int i = 0; i < 40 * 30; ++i) magenta += std::string("\xff\x00\xff\xff", 4);
        EXPECT_TRUE(context.readRgba() == magenta);
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
    for (int i = 0; i < 6; ++i) window.drawFrame();

    // The badge's lower left corner: x = w - 60, y = the picture's bottom + 8 rows of the
    // 0..h projection mapped onto the picture height.
    const int bx = w - 60, by = 96 + 8 * 576 / 768;
    auto badgePixel = [](int x, int y) {
        const uint8_t* p = badgeImage() + (y * kBadgeWidth + x) * 4;
        return Rgb{p[0], p[1], p[2]};
    };
    ASSERT_NE(badgePixel(2, 2), kGreen);
    ASSERT_NE(badgePixel(0, 0), badgePixel(2, 2));  // border and inside differ
    for (int t : {18887, 18888, 333003, 333004, 341779, 341780, 0, -1}) {
        SCOPED_TRACE(t);
        client.showTime = t;
        frameWithoutSwap(window, client, w, h);
        const bool due = (t >= 18888 && t <= 333003) || t >= 341780 || t == -1;  // -1 is 4294967295 ms
        EXPECT_EQ(badgeDueAt(t), due);
        EXPECT_EQ(readPixel(bx + 2, by + 2), due ? badgePixel(2, 2) : kGreen);
        EXPECT_EQ(readPixel(bx, by), due ? badgePixel(0, 0) : kGreen);
        // Transparent outside the 52 x 14 block.
        EXPECT_EQ(readPixel(bx + kBadgeBlockWidth + 2, by + 2), kGreen);
        EXPECT_EQ(readPixel(bx + 2, by + kBadgeBlockHeight + 1), kGreen);
        window.swapAndLetterbox(w, h);
    }
}

// A swap shows the buffer. Frames with drawing off (the steps a live jump or catch-up computes)
// draw nothing into it, and it holds what the last drawn frame's letterbox cleared: black where
// it cleared the whole buffer. Such frames go on (the show's frame, the letterbox's counter) but
// are never swapped, by drawFrame or by a host's swapAndLetterbox, so a window keeps showing the
// last drawn frame.
TEST(GLWindowFrames, FramesWithDrawingOffAreNeverSwapped) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    ScriptedSurface surface(std::make_unique<EglSurface>());
    TestClient client;
    GLWindow window(&surface);
    window.setPlayer(&client);
    ASSERT_EQ(window.openWindow("Test", 64, 48, 32, false), 1);
    for (int i = 0; i < 6; ++i) window.drawFrame();  // past the letterbox's first frames
    EXPECT_EQ(surface.swaps(), 6);

    const uint32_t counter = window.getLetterboxCounter();
    window.setDrawing(false);
    for (int i = 0; i < 3; ++i) window.drawFrame();
    window.swapAndLetterbox(64, 48);
    window.setDrawing(true);
    EXPECT_EQ(client.frames, 9);
    EXPECT_EQ(window.getLetterboxCounter(), counter + 4);
    EXPECT_EQ(surface.swaps(), 6);

    window.drawFrame();
    window.swapAndLetterbox(64, 48);
    EXPECT_EQ(surface.swaps(), 8);
}

const std::vector<std::string> kReleaseOrder = {"releaseCurrent", "deleteContext", "releaseDrawable",
                                                "destroyWindow", "shutdown"};

// Own-window mode on a scripted surface over headless GL: the loop runs inside openWindow.
class GLWindowLoop : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    }

    // Opens the own window with events delivered at the given empty passes; keeps the client's
    // counts, openWindow's result and what the surface saw.
    void run(bool fullscreen, const std::vector<std::pair<int, SurfaceEvent>>& events,
             const std::function<void(ScriptedSurface&)>& prepare = {}) {
        client = TestClient{};
        auto owned = std::make_unique<ScriptedSurface>(std::make_unique<EglSurface>());
        ScriptedSurface* surface = owned.get();
        for (const auto& [pass, event] : events) surface->at(pass, event);
        if (prepare) prepare(*surface);
        {
            GLWindow window(std::move(owned));
            window.setPlayer(&client);
            opened = window.openWindow("Test", 64, 48, 32, fullscreen);
            log = surface->log();
            passes = surface->passes();
            swaps = surface->swaps();
            cursorVisible = surface->cursorVisible();
            screenSaverInhibited = surface->screenSaverInhibited();
        }
    }
    // The logged requests that start with one of the prefixes.
    std::vector<std::string> logged(std::initializer_list<const char*> prefixes) const {
        std::vector<std::string> out;
        for (const std::string& s : log)
            for (const char* prefix : prefixes)
                if (s.rfind(prefix, 0) == 0) out.push_back(s);
        return out;
    }

    TestClient client;
    int opened = -1, passes = 0, swaps = 0;
    bool cursorVisible = false, screenSaverInhibited = true;
    std::vector<std::string> log;
};

TEST_F(GLWindowLoop, KeysMinimiseAndCloseDecideWhichPassesDraw) {
    using E = SurfaceEvent;
    struct Case {
        const char* name;
        bool fullscreen;
        std::vector<std::pair<int, SurfaceEvent>> events;
        int frames;
        std::vector<std::string> switches;  // display mode, cursor and full-screen requests
    };
    const Case cases[] = {
        {"a close at pass 5 ends the loop", false, {{5, E::close()}}, 4, {}},
        // Nothing is drawn while minimised, and Escape acts on the first pass after the restore.
        {"Escape while minimised", false,
         {{3, E::activate(true)}, {3, E::keyDown(kKeyEscape)}, {20, E::activate(false)}}, 2, {}},
        {"Escape released before the restore", false,
         {{2, E::activate(true)}, {2, E::keyDown(kKeyEscape)}, {4, E::keyUp(kKeyEscape)}, {6, E::activate(false)},
          {10, E::close()}},
         1 + 3, {}},
        // Press and release together, as from a fast tap on a busy machine: passes 1 and 3 draw.
        {"quick F1 and Escape taps", false,
         {{2, E::keyDown(kKeyF1)}, {2, E::keyUp(kKeyF1)}, {4, E::keyDown(kKeyEscape)}, {4, E::keyUp(kKeyEscape)},
          {30, E::close()}},
         2, {"setFullscreen 1", "showCursor 0", "restoreDisplayMode", "showCursor 1"}},
        // Passes 1, 2, 4, 7 and 8 draw; the switches follow the frames of passes 4 and 7.
        {"F1 held, then pressed again", true,
         {{3, E::keyDown(kKeyF1)}, {5, E::keyUp(kKeyF1)}, {6, E::keyDown(kKeyF1)}, {9, E::close()}},
         5,
         {"setDisplayMode 64x48x32", "showCursor 0", "setFullscreen 0", "showCursor 1", "setFullscreen 1",
          "showCursor 0", "restoreDisplayMode", "showCursor 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        run(c.fullscreen, c.events);
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(client.starts, 1);
        EXPECT_EQ(client.frames, c.frames);
        EXPECT_EQ(swaps, c.frames);
        EXPECT_TRUE(client.textureAlive);  // the same GL context throughout
        EXPECT_EQ(logged({"setFullscreen", "showCursor", "restoreDisplayMode", "setDisplayMode"}), c.switches);
        EXPECT_EQ(logged({"releaseCurrent", "deleteContext", "releaseDrawable", "destroyWindow", "shutdown"}),
                  kReleaseOrder);
        EXPECT_TRUE(cursorVisible);
        EXPECT_FALSE(screenSaverInhibited);
        EXPECT_EQ(logged({"inhibitScreenSaver 1", "setSwapInterval 1"}),
                  (std::vector<std::string>{"setSwapInterval 1", "inhibitScreenSaver 1"}));
    }
    run(false, cases[1].events);
    EXPECT_EQ(passes, 21);  // the minimised loop waited for the restore
}

TEST_F(GLWindowLoop, UnsupportedModeAsksWhetherToGoOnInAWindow) {
    for (MessageBoxResult answer : {MessageBoxResult::No, MessageBoxResult::Yes}) {
        SCOPED_TRACE(answer == MessageBoxResult::Yes ? "Yes" : "No");
        CapturedMessageBoxes boxes(answer);
        run(true, {{3, SurfaceEvent::keyDown(kKeyEscape)}}, [](ScriptedSurface& s) { s.setDisplayModeSupported(false); });
        ASSERT_GE(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].text,
                  "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
        EXPECT_EQ(boxes.calls()[0].caption, "");
        EXPECT_EQ(boxes.calls()[0].style, MessageBoxStyle::YesNoExclamation);
        if (answer == MessageBoxResult::No) {  // nothing started or drawn, and a closing box
            EXPECT_EQ(opened, 0);
            EXPECT_EQ(client.starts + client.frames, 0);
            ASSERT_EQ(boxes.calls().size(), 2u);
            EXPECT_EQ(boxes.calls()[1].text, "Program Will Now Close.");
            EXPECT_EQ(boxes.calls()[1].caption, "ERROR");
            EXPECT_EQ(boxes.calls()[1].style, MessageBoxStyle::OkStop);
        } else {  // a window of the same size, never switched
            EXPECT_EQ(opened, 1);
            EXPECT_EQ(boxes.calls().size(), 1u);
            EXPECT_EQ(client.frames, 2);
            EXPECT_EQ(logged({"createWindow"}), std::vector<std::string>{"createWindow Test 64x48 windowed"});
            EXPECT_EQ(logged({"restoreDisplayMode", "showCursor 0"}), std::vector<std::string>{});
        }
    }
}

TEST_F(GLWindowLoop, ReleaseFailuresAreReportedAndShutDownGoesOn) {
    CapturedMessageBoxes boxes;
    run(false, {{2, SurfaceEvent::close()}}, [](ScriptedSurface& s) {
        for (const std::string& step : kReleaseOrder) s.failStep(step);
    });
    EXPECT_EQ(opened, 1);
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
