// Where a blended picture can change the screen: the box round the visible texels, and the
// scissor box that keeps every pixel that can sample them.
#include "platform/device/picture_extent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<unsigned char> transparent(int width, int height) {
    std::vector<unsigned char> t(static_cast<size_t>(width) * height * 4, 200);  // colour without alpha
    for (size_t i = 3; i < t.size(); i += 4) t[i] = 0;
    return t;
}

void setAlpha(std::vector<unsigned char>& t, int width, int x, int y, unsigned char a) {
    t[(static_cast<size_t>(y) * width + x) * 4 + 3] = a;
}

// The texel a pixel centre samples along an axis that runs against the screen's, in exact
// arithmetic.
int sampledTexel(int pixel, int size, int count) { return static_cast<int>(std::floor((1.0 - (pixel + 0.5) / size) * count)); }

TEST(PictureExtent, VisibleTexelsAreTheBoxRoundEveryAlphaAboveZero) {
    // Odd width: the last texel of a row is looked at on its own.
    const int w = 7, h = 5;
    auto t = transparent(w, h);
    EXPECT_TRUE(visibleTexels(t.data(), w, h).empty());  // colour alone is not seen
    for (int y : {0, 2, h - 1})
        for (int x : {0, 3, w - 1}) {
            auto one = transparent(w, h);
            setAlpha(one, w, x, y, 1);
            const TexelBox box = visibleTexels(one.data(), w, h);
            EXPECT_EQ(box.x0, x);
            EXPECT_EQ(box.x1, x);
            EXPECT_EQ(box.y0, y);
            EXPECT_EQ(box.y1, y);
        }
    setAlpha(t, w, 5, 1, 255);
    setAlpha(t, w, 1, 3, 9);
    setAlpha(t, w, 6, 3, 9);
    const TexelBox box = visibleTexels(t.data(), w, h);
    EXPECT_EQ(box.x0, 1);
    EXPECT_EQ(box.x1, 6);
    EXPECT_EQ(box.y0, 1);
    EXPECT_EQ(box.y1, 3);
    EXPECT_TRUE(visibleTexels(nullptr, w, h).empty());

    const TexelBox u = unionOf(box, TexelBox{0, 4, 0, 4});
    EXPECT_EQ(u.x0, 0);
    EXPECT_EQ(u.y1, 4);
    EXPECT_EQ(u.x1, 6);
    EXPECT_EQ(unionOf(TexelBox{}, box).x0, 1);
}

TEST(PictureExtent, ScissorKeepsEveryPixelThatSamplesAVisibleTexelAndLittleMore) {
    struct Case {
        int texW, texH, viewX, viewY, viewW, viewH;
    };
    // Minified, magnified, odd and the player's sizes, inside a letterboxed window or not.
    const Case cases[] = {{1024, 1024, 0, 96, 1024, 576}, {1024, 1024, 0, 0, 1920, 1080}, {7, 5, 3, 1, 640, 360},
                          {640, 480, 0, 0, 100, 50},     {2, 2, 0, 0, 64, 36},          {1024, 1024, 0, 60, 800, 450}};
    std::mt19937 random(7);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 40; ++trial) {
            std::uniform_int_distribution<int> col(0, c.texW - 1), row(0, c.texH - 1);
            TexelBox box;
            box.x0 = col(random);
            box.x1 = std::min(c.texW - 1, box.x0 + col(random) / 8);
            box.y0 = row(random);
            box.y1 = std::min(c.texH - 1, box.y0 + row(random) / 8);
            const PixelRect r = pictureScissor(box, c.texW, c.texH, c.viewX, c.viewY, c.viewW, c.viewH);
            ASSERT_GT(r.width, 0);
            ASSERT_GT(r.height, 0);
            EXPECT_GE(r.x, c.viewX);
            EXPECT_GE(r.y, c.viewY);
            EXPECT_LE(r.x + r.width, c.viewX + c.viewW);
            EXPECT_LE(r.y + r.height, c.viewY + c.viewH);
            int first = c.viewW, last = -1;
            for (int px = 0; px < c.viewW; ++px) {
                const int texel = sampledTexel(px, c.viewW, c.texW);
                if (texel < box.x0 || texel > box.x1) continue;
                ASSERT_GE(c.viewX + px, r.x) << "column " << px;
                ASSERT_LT(c.viewX + px, r.x + r.width) << "column " << px;
                first = std::min(first, px);
                last = std::max(last, px);
            }
            for (int py = 0; py < c.viewH; ++py) {
                const int texel = sampledTexel(py, c.viewH, c.texH);
                if (texel < box.y0 || texel > box.y1) continue;
                ASSERT_GE(c.viewY + py, r.y) << "row " << py;
                ASSERT_LT(c.viewY + py, r.y + r.height) << "row " << py;
            }
            // No wider than the pixels that sample the box, the margins and one for rounding.
            if (last >= first) {
                EXPECT_LE(r.width, last - first + 1 + 2 * kPictureMarginPixels + 2);
            }
        }
    }
    const PixelRect none = pictureScissor(TexelBox{}, 8, 8, 0, 0, 64, 36);
    EXPECT_EQ(none.width * none.height, 0);
}

}  // namespace
