// The badge's picture, the show times at which it is shown, and its drawing.
#include "platform/gl/badge.h"

#include "platform/gl/gl_api.h"

#include <array>
#include <cstddef>

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

void drawBadgeOverlay(int width, int height, bool drawing) {
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
    if (drawing) glDrawPixels(kBadgeWidth, kBadgeHeight, GL_RGBA, GL_UNSIGNED_BYTE, badgeImage());
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}
