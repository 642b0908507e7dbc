// Where a blended picture can change the screen. With source-alpha blending a texel of alpha 0
// adds nothing and keeps all of the pixel under it, so drawing a picture only inside the box round
// its other texels leaves the same pixels as drawing it whole, and a software rasteriser then
// fills only that box. A picture cell often is a title or a band over a scene, transparent
// elsewhere.
#pragma once

// A box of texels, corners included; empty when x1 < x0.
struct TexelBox {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x1 < x0 || y1 < y0; }
};

// A rectangle of window pixels: lower-left corner and size, as a scissor box takes it.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The smallest box holding every texel of alpha above 0 among width x height RGBA texels (rows of
// width * 4 bytes, row 0 first); empty when every alpha is 0.
TexelBox visibleTexels(const unsigned char* rgba, int width, int height);

// The smallest box holding both.
TexelBox unionOf(const TexelBox& a, const TexelBox& b);

// The window pixels whose samples can fall in box when a texWidth x texHeight texture is drawn
// over the viewport (viewX, viewY, viewWidth, viewHeight) with nearest sampling, texture row 0 at
// the top and column 0 at the right (as the device draws pictures). It keeps a margin of
// kPictureMarginPixels on each side against the rasteriser's rounding and lies inside the
// viewport; width or height 0 when box is empty.
PixelRect pictureScissor(const TexelBox& box, int texWidth, int texHeight, int viewX, int viewY, int viewWidth,
                         int viewHeight);

constexpr int kPictureMarginPixels = 2;
