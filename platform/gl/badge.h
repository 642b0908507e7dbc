// The badge: a small "DEMO" picture drawn over the show's lower right corner at fixed show times.
#pragma once

#include <cstdint>

// The badge overlay: 64 x 16 RGBA pixels, bottom row first.
constexpr int kBadgeWidth = 64;
constexpr int kBadgeHeight = 16;
// The badge's opaque block in the lower left of the image.
constexpr int kBadgeBlockWidth = 52;
constexpr int kBadgeBlockHeight = 14;
// The badge image (kBadgeWidth * kBadgeHeight * 4 bytes).
const uint8_t* badgeImage();
// True when the badge is shown at this show time (milliseconds, taken as unsigned).
bool badgeDueAt(int showTime);
// Draws the badge over the lower right corner of a width x height picture: blending on, an
// orthographic pixel projection, no depth test while it draws; with drawing off every state change
// is made but no pixel drawn. Leaves blending off and the depth test on.
void drawBadgeOverlay(int width, int height, bool drawing);
