// The preview's information panel, composed on the CPU and drawn with glDrawPixels.
#include "platform/gl/preview_overlay.h"

#include "data/printable_text.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

// 5 x 7 glyphs of the characters ' ' to '_', one byte per row (top first), bit 4 the left pixel.
constexpr uint8_t kGlyphs[64][7] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // ' '
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04},  // '!'
    {0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00},  // '"'
    {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A},  // '#'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '$'
    {0x19, 0x19, 0x02, 0x04, 0x08, 0x13, 0x13},  // '%'
    {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D},  // '&'
    {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00},  // "'"
    {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02},  // '('
    {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08},  // ')'
    {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00},  // '*'
    {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00},  // '+'
    {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08},  // ','
    {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00},  // '-'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C},  // '.'
    {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10},  // '/'
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // '0'
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // '1'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // '2'
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // '3'
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // '4'
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // '5'
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // '6'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // '7'
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // '8'
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // '9'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00},  // ':'
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08},  // ';'
    {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02},  // '<'
    {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00},  // '='
    {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08},  // '>'
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04},  // '?'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '@'
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // 'A'
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // 'B'
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},  // 'C'
    {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},  // 'D'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // 'E'
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // 'F'
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F},  // 'G'
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // 'H'
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 'I'
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},  // 'J'
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11},  // 'K'
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},  // 'L'
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11},  // 'M'
    {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11},  // 'N'
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // 'O'
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},  // 'P'
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D},  // 'Q'
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},  // 'R'
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},  // 'S'
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},  // 'T'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // 'U'
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},  // 'V'
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A},  // 'W'
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},  // 'X'
    {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04},  // 'Y'
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},  // 'Z'
    {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E},  // '['
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '\\'
    {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E},  // ']'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // '^'
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F},  // '_'
};

constexpr int kMargin = 6;             // inside the panel, around its content
constexpr int kGraphHeight = 60;       // the frame-time graph
constexpr double kGraphRangeMs = 50.0;  // the graph's top
constexpr uint8_t kPanelAlpha = 170;

struct Rgba {
    uint8_t r, g, b, a;
};
constexpr Rgba kText = {235, 235, 235, 255};
constexpr Rgba kAlert = {255, 170, 40, 255};
constexpr Rgba kBarFast = {90, 200, 110, 255};
constexpr Rgba kBarSlow = {230, 80, 60, 255};
constexpr Rgba kBudgetLine = {255, 255, 255, 255};

bool glyphBit(char c, int x, int y) {
    const unsigned char u = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    if (u < 32 || u > 95) return false;
    return (kGlyphs[u - 32][y] >> (4 - x)) & 1;
}

class Image {
public:
    Image(int w, int h) : w_(w), h_(h), pixels_(static_cast<size_t>(w) * h * 4) {
        for (size_t i = 0; i < pixels_.size(); i += 4) pixels_[i + 3] = kPanelAlpha;
    }
    void put(int x, int y, Rgba c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        uint8_t* p = &pixels_[(static_cast<size_t>(y) * w_ + x) * 4];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
        p[3] = c.a;
    }
    void text(int x, int y, const std::string& s, Rgba c) {
        for (size_t i = 0; i < s.size(); ++i)
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx) {
                    if (!glyphBit(s[i], gx, gy)) continue;
                    for (int dy = 0; dy < kOverlayGlyphScale; ++dy)
                        for (int dx = 0; dx < kOverlayGlyphScale; ++dx)
                            put(x + static_cast<int>(i) * kOverlayCharAdvance + gx * kOverlayGlyphScale + dx,
                                y + gy * kOverlayGlyphScale + dy, c);
                }
    }
    std::vector<unsigned char> take() { return std::move(pixels_); }

private:
    int w_, h_;
    std::vector<unsigned char> pixels_;
};

// Sets up window coordinates over the whole window with nothing that would alter the pixels.
void beginWindowPixels(int width, int height) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
}

void endWindowPixels() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace

std::vector<unsigned char> PreviewOverlay::compose(const OverlayContent& content, int maxWidth, int* width,
                                                   int* height) {
    size_t longest = 0;
    for (const std::string& s : content.alerts) longest = std::max(longest, escapeControlBytes(s).size());
    for (const std::string& s : content.lines) longest = std::max(longest, escapeControlBytes(s).size());
    const bool graph = !content.frameTimesMs.empty();
    int w = 2 * kMargin + static_cast<int>(longest) * kOverlayCharAdvance;
    if (graph) w = std::max(w, 2 * kMargin + 2 * static_cast<int>(content.frameTimesMs.size()));
    w = std::max(1, std::min(w, maxWidth));
    const int textLines = static_cast<int>(content.alerts.size() + content.lines.size());
    const int h = 2 * kMargin + textLines * kOverlayLineHeight + (graph ? kGraphHeight + kMargin : 0);
    Image image(w, h);
    int y = kMargin;
    const size_t fits = static_cast<size_t>(std::max(0, (w - 2 * kMargin) / kOverlayCharAdvance));
    // Names from the pack are drawn with their control bytes escaped, as the tools print them.
    for (const std::string& line : content.alerts) {
        const std::string s = escapeControlBytes(line);
        image.text(kMargin, y, s.substr(0, fits), kAlert);
        y += kOverlayLineHeight;
    }
    for (const std::string& line : content.lines) {
        const std::string s = escapeControlBytes(line);
        image.text(kMargin, y, s.substr(0, fits), kText);
        y += kOverlayLineHeight;
    }
    if (graph) {
        // Two pixels per frame, newest on the right; taller is slower.
        const int bottom = y + kGraphHeight - 1;
        const auto heightOf = [](double ms) {
            return static_cast<int>(std::min(1.0, std::max(0.0, ms / kGraphRangeMs)) * (kGraphHeight - 1));
        };
        const int n = static_cast<int>(content.frameTimesMs.size());
        for (int i = 0; i < n; ++i) {
            const double ms = content.frameTimesMs[static_cast<size_t>(i)];
            const int x = kMargin + 2 * i;
            for (int k = 0; k <= heightOf(ms); ++k) {
                image.put(x, bottom - k, ms > content.budgetMs ? kBarSlow : kBarFast);
                image.put(x + 1, bottom - k, ms > content.budgetMs ? kBarSlow : kBarFast);
            }
        }
        const int line = bottom - heightOf(content.budgetMs);
        for (int x = kMargin; x < w - kMargin; x += 2) image.put(x, line, kBudgetLine);
    }
    *width = w;
    *height = h;
    return image.take();
}

void PreviewOverlay::draw(int width, int height, const OverlayContent& content) {
    if (width <= 16 || height <= 16) return;
    int w = 0;
    int h = 0;
    std::vector<unsigned char> image = compose(content, width - 16, &w, &h);
    h = std::min(h, height - 16);
    // glDrawPixels takes the bottom row first.
    std::vector<unsigned char> flipped(static_cast<size_t>(w) * h * 4);
    for (int row = 0; row < h; ++row)
        std::copy_n(&image[static_cast<size_t>(row) * w * 4], static_cast<size_t>(w) * 4,
                    &flipped[static_cast<size_t>(h - 1 - row) * w * 4]);
    beginWindowPixels(width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glRasterPos2i(8, height - 8 - h);
    glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
    endWindowPixels();
}

std::string PreviewOverlay::readPixels(int width, int height) {
    std::string pixels(static_cast<size_t>(width) * height * 4, '\0');
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    return pixels;
}

void PreviewOverlay::drawPixels(int width, int height, const std::string& pixels) {
    if (pixels.size() != static_cast<size_t>(width) * height * 4) return;
    beginWindowPixels(width, height);
    glRasterPos2i(0, 0);
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    endWindowPixels();
}
