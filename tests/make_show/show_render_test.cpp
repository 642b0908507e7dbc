// The sample show rendered headless (when this machine has a surfaceless EGL platform) at a
// dozen times spread over its length: every picture has content, no two are alike, and the
// title card reads the right way round on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "make_show/show_test_util.h"
#include "platform/posix/egl_surface.h"
#include "support/captured_message_boxes.h"
#include "tools/demotool/frame_schedule.h"
#include "tools/demotool/offline_show.h"
#include "tools/make_show/show_palette.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 270;  // 16:9: the letterbox leaves no bars

struct Picture {
    double seconds;
    std::string rgba;  // bottom row first
    const uint8_t* at(int x, int y) const {  // y counted from the top
        return reinterpret_cast<const uint8_t*>(rgba.data()) + (static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 4;
    }
    uint8_t byte(size_t i) const { return static_cast<uint8_t>(rgba[i]); }
};

}  // namespace

TEST(SampleShowRender, PicturesAtADozenTimesHaveContentAndDiffer) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    const std::string folder = sampleShowFolder();
    std::vector<Picture> pictures;
    CapturedMessageBoxes boxes;
    {
        OfflineShow show;
        ASSERT_TRUE(show.open(folder, kWidth, kHeight)) << show.error();
        EXPECT_GE(show.endSeconds(), 60.0);
        // The window's first few letterbox passes leave the scissor off the picture, as in the
        // live program; draw past them first.
        for (int step = 0; step < 8; ++step) show.drawStep(step);
        // Scenes, the title, a closed wipe, the end card.
        for (double seconds : {1.0, 4.0, 9.5, 14.0, 20.0, 26.0, 31.0, 37.0, 42.56, 46.0, 50.0, 55.0, 60.0, 67.0})
            show.drawStep(stepNearestSeconds(seconds), [&] {
                pictures.push_back(Picture{seconds, show.readRgba()});
                return 0;
            });
    }
    EXPECT_TRUE(boxes.calls().empty()) << boxes.calls().front().caption << ": " << boxes.calls().front().text;
    ASSERT_EQ(pictures.size(), 14u);

    const size_t bytes = static_cast<size_t>(kWidth * kHeight * 4);
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.seconds);
        ASSERT_EQ(p.rgba.size(), bytes);
        // Colours quantised to 32 levels a channel: no one colour fills the picture, and there are several.
        std::map<int, int> counts;
        for (size_t i = 0; i < bytes; i += 4) counts[(p.byte(i) >> 3) << 10 | (p.byte(i + 1) >> 3) << 5 | (p.byte(i + 2) >> 3)]++;
        int most = 0;
        for (const auto& [colour, n] : counts) most = std::max(most, n);
        EXPECT_LT(most, 0.85 * kWidth * kHeight);
        EXPECT_GE(counts.size(), 6u);
    }
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j) {
            double sum = 0;  // mean difference per channel
            for (size_t b = 0; b < bytes; b += 4)
                for (int c = 0; c < 3; ++c) sum += std::abs(pictures[i].byte(b + c) - pictures[j].byte(b + c));
            EXPECT_GT(sum / (bytes / 4 * 3), 4.0) << pictures[i].seconds << " s and " << pictures[j].seconds << " s look alike";
        }

    // At 4 s the title card is up: the first column of the "C" (screen x 96, y 368 of 1024 x 576)
    // is lit in cream. Drawn mirrored, the same spot would show the band between letters.
    const uint8_t* c = pictures[1].at(96 * kWidth / 1024, 368 * kHeight / 576);
    EXPECT_NEAR(c[0], kCream.r, 16);
    EXPECT_NEAR(c[1], kCream.g, 16);
    EXPECT_NEAR(c[2], kCream.b, 16);
}

// The steps between kept frames are played without drawing (as 'record' and 'snapshot' play
// them, from the first step on when the first kept frame comes later); each kept frame is still,
// byte for byte and bars included, the frame an unbroken run draws: the window's first frames,
// scenes, and a picture cell over a scene.
TEST(SampleShowRender, FramesAfterStepsPlayedWithoutDrawingEqualAnUnbrokenRunsFrames) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    const std::string folder = sampleShowFolder();
    const std::vector<int64_t> kept = {3, 6, 9, 120, 434, 436};  // 7.23 s: the first picture
    // Each run opens its own session, which starts from fresh process state.
    auto play = [&](bool unbroken) {
        std::vector<std::string> frames;
        OfflineShow show;
        EXPECT_TRUE(show.open(folder, 160, 120)) << show.error();  // bars of 15 rows
        size_t next = 0;
        for (int64_t step = 0; step <= kept.back(); ++step) {
            if (step == kept[next]) {
                show.drawStep(step, [&] {
                    frames.push_back(show.readRgba());
                    return 0;
                });
                ++next;
            } else if (unbroken) {
                show.drawStep(step);
            } else {
                show.runStep(step);
            }
        }
        return frames;
    };
    const std::vector<std::string> drawnThroughout = play(true);
    const std::vector<std::string> drawnWhenKept = play(false);
    ASSERT_EQ(drawnThroughout.size(), kept.size());
    ASSERT_EQ(drawnWhenKept.size(), kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(drawnThroughout[i].size(), 160u * 120u * 4u);
        EXPECT_TRUE(drawnWhenKept[i] == drawnThroughout[i]) << "the frames differ at step " << kept[i];
    }
    // The picture cell is up at step 434 and changes the frame.
    EXPECT_FALSE(drawnThroughout[4] == drawnThroughout[3]);
}
