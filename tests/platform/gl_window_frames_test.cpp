// The window's frames against headless GL: the letterbox keeps clearing the region above the
// picture for the first five calls after a (re)size and scissors to the picture from the sixth;
// the window's own read-back packs rows tightly at a width that is not a multiple of 4.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <filesystem>
#include <string>

#include "gl_test_support.h"
#include "platform/frame_client.h"
#include "platform/gl_window.h"

namespace {

// Clears its picture green, with the last column red over the picture rows.
class StripeClient : public FrameClient {
public:
    explicit StripeClient(int pictureRows) : pictureRows_(pictureRows) {}
    int renderFrame(int width, int, int) override {
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(width - 1, 0, 1, pictureRows_);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        return 0;
    }
    void start() override {}
    int getShowTime() override { return 0; }

private:
    int pictureRows_;
};

TEST(GLWindowFrames, LetterboxScissorsToThePictureFromItsSixthCall) {
    const int w = 640, h = 480, y0 = 60;
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, w, h);
    StripeClient client(h);
    GLWindow window(context.surface());
    window.setPlayer(&client);
    ASSERT_EQ(window.openWindow("Test", w, h, 32, false), 1);  // letterbox call 1 (counter 0)
    // Frames after calls 1 to 5 (counter 0 to 4) draw only above the picture height; the
    // frame after call 6 (counter 5) draws the whole picture.
    for (int call = 1; call <= 7; ++call) {
        SCOPED_TRACE(call);
        EXPECT_EQ(window.getLetterboxCounter(), static_cast<uint32_t>(call));
        client.renderFrame(w, h, 0);
        EXPECT_EQ(readPixel(5, y0 + 1), call <= 5 ? rgbOf(0, 0, 0) : rgbOf(0, 1, 0));
        window.swapAndLetterbox(w, h);
    }
}

TEST(GLWindowFrames, ReadBackAtAnOddWidthHoldsEveryRowTightlyPacked) {
    // 37 x 21: the picture is 37 x 20 from row 0, the top bar one row.
    const int w = 37, h = 21, pictureRows = 20;
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, w, h);
    StripeClient client(pictureRows);
    GLWindow window(context.surface());
    window.setPlayer(&client);
    ASSERT_EQ(window.openWindow("Test", w, h, 32, false), 1);
    const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "readback.avi";
    window.recorder().setFileName(file.string());
    window.recorder().setCodec("rawvideo");
    for (int i = 0; i < 6; ++i) window.drawFrame();  // past the letterbox's first frames

    const auto* buffer = static_cast<const uint8_t*>(window.startRecording());
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(window.drawFrame([&window] { return window.captureFrame(); }), 0);
    // Blue, green, red bytes, bottom row first, no padding between rows.
    std::string expected;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            expected += y >= pictureRows ? std::string(3, '\0') : x == w - 1 ? std::string("\0\0\xff", 3)
                                                                           : std::string("\0\xff\0", 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), expected.size()), expected);
    window.stopRecording();
    std::filesystem::remove(file);
}

}  // namespace
