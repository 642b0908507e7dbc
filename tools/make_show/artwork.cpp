// Drawing of the show's pictures and frames (see artwork.h for the screen convention).
#include "tools/make_show/artwork.h"

#include <algorithm>
#include <cmath>

#include "tools/make_show/pixel_font.h"
#include "tools/make_show/show_palette.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

Paint solid(const ShowColour& c, double alpha) { return Paint{c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha}; }

// Source over destination, straight colours.
Paint over(const Paint& src, const Paint& dst) {
    double a = src.a + dst.a * (1.0 - src.a);
    if (a <= 0.0) return Paint{};
    auto mix = [&](double s, double d) { return (s * src.a + d * dst.a * (1.0 - src.a)) / a; };
    return Paint{mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b), a};
}

double textWidth(const std::string& text, double pixel) {
    return text.empty() ? 0.0 : (static_cast<double>(text.size()) * kGlyphAdvance - 1) * pixel;
}

// A dashed rule of blocks, as the edges of the title band.
bool dashLit(double x, double y, double top, double height, double period, double dash) {
    return y >= top && y < top + height && std::fmod(x, period) < dash;
}

}  // namespace

void texelToScreen(double column, double row, double* x, double* y) {
    *x = kScreenWidth - column;
    *y = row * (kScreenHeight / kPictureSide);
}

std::vector<uint8_t> paintPicture(const std::function<Paint(double x, double y)>& shade, int samples) {
    std::vector<uint8_t> out(kPictureBytes);
    const double step = 1.0 / samples;
    for (int row = 0; row < kPictureSide; ++row) {
        for (int col = 0; col < kPictureSide; ++col) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    double x, y;
                    texelToScreen(col + (sx + 0.5) * step, row + (sy + 0.5) * step, &x, &y);
                    Paint p = shade(x, y);
                    r += p.r * p.a;
                    g += p.g * p.a;
                    b += p.b * p.a;
                    a += p.a;
                }
            }
            uint8_t* px = out.data() + (static_cast<size_t>(row) * kPictureSide + col) * 4;
            const double n = samples * samples;
            auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
            if (a > 0.0) {
                px[0] = byte(r / a);
                px[1] = byte(g / a);
                px[2] = byte(b / a);
            } else {
                px[0] = px[1] = px[2] = 0;
            }
            px[3] = byte(a / n);
        }
    }
    return out;
}

bool textLit(const std::string& text, double centreX, double top, double pixel, double x, double y) {
    const double left = centreX - textWidth(text, pixel) / 2.0;
    const double gx = (x - left) / pixel;
    const double gy = (y - top) / pixel;
    if (gx < 0 || gy < 0 || gy >= kGlyphHeight) return false;
    const int column = static_cast<int>(gx);
    const size_t index = static_cast<size_t>(column / kGlyphAdvance);
    if (index >= text.size()) return false;
    const int px = column % kGlyphAdvance;
    const int py = static_cast<int>(gy);
    // Each lit glyph pixel is a block inset by 8% on every side.
    const double fx = gx - column;
    const double fy = gy - py;
    if (fx < 0.08 || fx > 0.92 || fy < 0.08 || fy > 0.92) return false;
    return glyphPixel(text[index], px, py);
}

std::vector<uint8_t> makeTitleCard() {
    const std::string title = "CUBE TIDE";
    const std::string subtitle = "A REAL-TIME SHOW IN FIVE SCENES";
    return paintPicture(
        [&](double x, double y) {
            Paint p;
            // A band over the lower third (the sea), leaving the sun and the sky clear.
            if (y >= 322 && y < 518) p = solid(kNavy, 0.62);
            if (dashLit(x + 3, y, 314, 8, 16, 10)) p = over(solid(kCoral, 0.95), p);
            if (dashLit(x + 11, y, 518, 8, 16, 10)) p = over(solid(kGold, 0.95), p);
            if (textLit(title, 512, 344, 16, x - 6, y - 6)) p = over(solid(kPlum, 0.85), p);
            if (textLit(title, 512, 344, 16, x, y)) p = over(solid(kCream, 1.0), p);
            if (textLit(subtitle, 512, 476, 3.5, x, y)) p = over(solid(kAqua, 1.0), p);
            return p;
        },
        3);
}

std::vector<uint8_t> makeEndCard() {
    const std::string end = "THE END";
    const std::string lines[] = {"CUBE TIDE  -  A SAMPLE SHOW", "MUSIC, MESHES, PICTURES AND MOTION",
                                 "ALL MADE BY CODE AT BUILD TIME"};
    return paintPicture(
        [&](double x, double y) {
            // A dark veil, a little lighter towards the middle.
            double dx = (x - 512) / 512, dy = (y - 288) / 288;
            double veil = 0.72 + 0.16 * std::min(1.0, dx * dx + dy * dy);
            Paint p = solid(kNavy, veil);
            if (textLit(end, 512, 120, 18, x - 6, y - 6)) p = over(solid(kPlum, 0.9), p);
            if (textLit(end, 512, 120, 18, x, y)) p = over(solid(kCream, 1.0), p);
            if (x > 212 && x < 812 && dashLit(x, y, 282, 8, 16, 10)) p = over(solid(kCoral, 1.0), p);
            if (textLit(lines[0], 512, 330, 4, x, y)) p = over(solid(kGold, 1.0), p);
            if (textLit(lines[1], 512, 380, 3, x, y)) p = over(solid(kAqua, 1.0), p);
            if (textLit(lines[2], 512, 414, 3, x, y)) p = over(solid(kAqua, 1.0), p);
            return p;
        },
        3);
}

IndexedPicture makeWipeFrame(int frame, int frameCount) {
    IndexedPicture picture;
    const ShowColour stripes[8] = {kCoral, kGold, kAqua, kNavy, kRose, kTeal, kPeach, kPlum};
    for (int i = 0; i < 8; ++i) {
        uint8_t* entry = picture.palette + 4 * (i + 1);
        entry[0] = stripes[i].r;
        entry[1] = stripes[i].g;
        entry[2] = stripes[i].b;
        entry[3] = 255;
    }
    // Entry 0 stays (0, 0, 0, 0): transparent.
    const int half = frameCount / 2;
    const double span = kScreenWidth + 0.6 * kScreenHeight;  // range of the diagonal coordinate
    const double width = span / 8.0;
    auto smooth = [](double t) {
        t = std::clamp(t, 0.0, 1.0);
        return t * t * (3.0 - 2.0 * t);
    };
    double from[8], to[8];
    for (int i = 0; i < 8; ++i) {
        // Stripe i is covered over [from, to) of its own width.
        double start = i * width;
        if (frame < half) {
            double t = smooth((frame + 1 - i * 0.8) / 7.0);
            from[i] = start;
            to[i] = start + t * width;
        } else {
            double t = smooth((frame - half - i * 0.8) / 7.0);
            from[i] = start + t * width;
            to[i] = start + width;
        }
    }
    for (int row = 0; row < kPictureSide; ++row) {
        for (int col = 0; col < kPictureSide; ++col) {
            double x, y;
            texelToScreen(col + 0.5, row + 0.5, &x, &y);
            double u = x + 0.6 * y;
            int i = std::clamp(static_cast<int>(u / width), 0, 7);
            uint8_t index = (u >= from[i] && u < to[i]) ? static_cast<uint8_t>(i + 1) : 0;
            picture.indices[static_cast<size_t>(row) * kPictureSide + col] = index;
        }
    }
    return picture;
}

std::vector<uint8_t> encodePackedFrame(const IndexedPicture& picture) {
    const std::vector<uint8_t>& px = picture.indices;
    std::vector<uint8_t> out(1 + sizeof picture.palette);
    out[0] = 0;
    std::copy(picture.palette, picture.palette + sizeof picture.palette, out.begin() + 1);
    size_t i = 0;
    while (i < px.size()) {
        size_t run = 1;
        while (i + run < px.size() && run < 255 && px[i + run] == px[i]) ++run;
        out.push_back(static_cast<uint8_t>(run));
        out.push_back(px[i]);
        i += run;
    }
    return out;
}

FlcAnimation makeSpinnerAnimation() {
    FlcAnimation a;
    a.width = 256;
    a.height = 256;
    // Entries 0..239: a hue wheel; 240: the background; 241: the hub.
    for (int i = 0; i < 240; ++i) {
        double h = i / 240.0 * 6.0;
        double r = std::clamp(std::fabs(h - 3.0) - 1.0, 0.0, 1.0);
        double g = std::clamp(2.0 - std::fabs(h - 2.0), 0.0, 1.0);
        double b = std::clamp(2.0 - std::fabs(h - 4.0), 0.0, 1.0);
        a.palette[3 * i] = static_cast<uint8_t>(60 + 180 * r);
        a.palette[3 * i + 1] = static_cast<uint8_t>(60 + 180 * g);
        a.palette[3 * i + 2] = static_cast<uint8_t>(60 + 180 * b);
    }
    const uint8_t background[3] = {kNavy.r, kNavy.g, kNavy.b};
    const uint8_t hub[3] = {kCream.r, kCream.g, kCream.b};
    for (int c = 0; c < 3; ++c) {
        a.palette[3 * 240 + c] = background[c];
        a.palette[3 * 241 + c] = hub[c];
    }
    for (int f = 0; f < 32; ++f) {
        std::vector<uint8_t> frame(256 * 256);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                double dx = x - 127.5, dy = y - 127.5;
                double r = std::sqrt(dx * dx + dy * dy);
                uint8_t index = 240;
                if (r < 26) {
                    index = 241;
                } else if (r < 112) {
                    double angle = std::atan2(dy, dx) + kPi;  // 0 .. 2 pi
                    int sector = static_cast<int>(angle / (2 * kPi) * 12);
                    index = static_cast<uint8_t>((sector * 20 + f * 15) % 240);
                }
                frame[static_cast<size_t>(y) * 256 + x] = index;
            }
        }
        a.frames.push_back(std::move(frame));
    }
    return a;
}
