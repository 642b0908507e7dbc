// Where a blended picture can change the screen.
#include "platform/device/picture_extent.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Alpha of texel i of a row.
inline unsigned alphaAt(const unsigned char* row, int i) { return row[i * 4 + 3]; }

// True when any texel of the row has alpha above 0; eight bytes (two texels) at a time.
bool rowVisible(const unsigned char* row, int width) {
    int i = 0;
    for (; i + 2 <= width; i += 2) {
        uint64_t pair;
        std::memcpy(&pair, row + i * 4, sizeof pair);
        if (pair & 0xFF000000FF000000ull) return true;
    }
    return i < width && alphaAt(row, i) != 0;
}

// The pixels [lo, hi] (clamped to 0..size-1) whose centres can map into texels [first, last] of
// count along an axis that runs against the screen's (texel 0 at the far end).
void pixelSpan(int first, int last, int count, int size, int& lo, int& hi) {
    // Texel k holds the samples s in [k / count, (k + 1) / count), s = 1 - (pixel + 0.5) / size.
    const double from = size * (1.0 - static_cast<double>(last + 1) / count) - 0.5;
    const double to = size * (1.0 - static_cast<double>(first) / count) - 0.5;
    lo = std::max(0, static_cast<int>(std::floor(from)) - kPictureMarginPixels);
    hi = std::min(size - 1, static_cast<int>(std::ceil(to)) + kPictureMarginPixels);
}

}  // namespace

TexelBox visibleTexels(const unsigned char* rgba, int width, int height) {
    TexelBox box;
    if (!rgba || width <= 0 || height <= 0) return box;
    const size_t stride = static_cast<size_t>(width) * 4;
    int top = 0;
    while (top < height && !rowVisible(rgba + top * stride, width)) ++top;
    if (top == height) return box;
    int bottom = height - 1;
    while (!rowVisible(rgba + bottom * stride, width)) --bottom;
    // Columns: from each end of every row inward, up to the extent found so far.
    int left = width, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const unsigned char* row = rgba + y * stride;
        int i = 0;
        while (i < left && alphaAt(row, i) == 0) ++i;
        if (i < left) left = i;
        int j = width - 1;
        while (j > right && alphaAt(row, j) == 0) --j;
        if (j > right) right = j;
    }
    box.x0 = left;
    box.x1 = right;
    box.y0 = top;
    box.y1 = bottom;
    return box;
}

TexelBox unionOf(const TexelBox& a, const TexelBox& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    TexelBox u;
    u.x0 = std::min(a.x0, b.x0);
    u.y0 = std::min(a.y0, b.y0);
    u.x1 = std::max(a.x1, b.x1);
    u.y1 = std::max(a.y1, b.y1);
    return u;
}

PixelRect pictureScissor(const TexelBox& box, int texWidth, int texHeight, int viewX, int viewY, int viewWidth,
                         int viewHeight) {
    PixelRect rect;
    rect.x = viewX;
    rect.y = viewY;
    if (box.empty() || texWidth <= 0 || texHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) return rect;
    int x0, x1, y0, y1;
    pixelSpan(box.x0, box.x1, texWidth, viewWidth, x0, x1);
    // Window rows count up from the bottom; texture rows from the top.
    pixelSpan(box.y0, box.y1, texHeight, viewHeight, y0, y1);
    if (x1 < x0 || y1 < y0) return rect;
    rect.x = viewX + x0;
    rect.y = viewY + y0;
    rect.width = x1 - x0 + 1;
    rect.height = y1 - y0 + 1;
    return rect;
}
