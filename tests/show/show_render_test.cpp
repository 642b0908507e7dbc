// The sample show rendered headless (when this machine has a surfaceless EGL platform) at a
// dozen times spread over its length: every picture has content, no two are alike, and the
// title card reads the right way round on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/egl_surface.h"
#include "show/show_test_util.h"
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
};

// Share of the pixels taken by the most common colour, and the number of distinct colours
// (channels quantised to 32 levels).
std::pair<double, int> colourSpread(const Picture& p) {
    std::map<int, int> counts;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* c = p.at(x, y);
            counts[(c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3)]++;
        }
    int most = 0;
    for (const auto& [colour, n] : counts) most = std::max(most, n);
    return {static_cast<double>(most) / (kWidth * kHeight), static_cast<int>(counts.size())};
}

double meanDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) sum += std::abs(static_cast<int>(static_cast<uint8_t>(a.rgba[i + c])) -
                                                    static_cast<int>(static_cast<uint8_t>(b.rgba[i + c])));
    return sum / (a.rgba.size() / 4 * 3);
}

}  // namespace

TEST(SampleShowRender, PicturesAtADozenTimesHaveContentAndDiffer) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    const std::string folder = sampleShowFolder();
    WorkingDirectory cwd(folder);
    ASSERT_TRUE(cwd.ok());
    resetAnimationList();
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
        for (double seconds : {1.0, 4.0, 9.5, 14.0, 20.0, 26.0, 31.0, 37.0, 42.56, 46.0, 50.0, 55.0, 60.0, 67.0}) {
            show.drawStep(stepNearestSeconds(seconds), [&] {
                pictures.push_back(Picture{seconds, show.readRgba()});
                return 0;
            });
        }
        fliClose();
    }
    resetAnimationList();
    EXPECT_TRUE(boxes.calls().empty()) << boxes.calls().front().caption << ": " << boxes.calls().front().text;

    for (const Picture& p : pictures) {
        ASSERT_EQ(p.rgba.size(), static_cast<size_t>(kWidth * kHeight * 4));
        auto [dominant, colours] = colourSpread(p);
        EXPECT_LT(dominant, 0.85) << "at " << p.seconds << " s one colour fills the picture";
        EXPECT_GE(colours, 6) << "at " << p.seconds << " s";
    }
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_GT(meanDifference(pictures[i], pictures[j]), 4.0)
                << pictures[i].seconds << " s and " << pictures[j].seconds << " s look alike";

    // At 4 s the title card is up: the first column of the "C" (screen x 96, y 368 of 1024 x 576)
    // is lit in cream. Drawn mirrored, the same spot would show the band between letters.
    const Picture& title = pictures[1];
    const uint8_t* c = title.at(96 * kWidth / 1024, 368 * kHeight / 576);
    EXPECT_NEAR(c[0], kCream.r, 16);
    EXPECT_NEAR(c[1], kCream.g, 16);
    EXPECT_NEAR(c[2], kCream.b, 16);
}
