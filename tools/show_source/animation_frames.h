// Animation frames of show sources: packed frames told apart from the ones a palette picture
// gives back exactly, and pictures of any size quantised to one palette built from them all.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/show_source/picture_files.h"

// The packed frame of a palette picture: one palette record, then runs of 1 to 255 pixels of
// one index, every run as long as it can be, 1024x1024 pixels in all.
std::vector<uint8_t> packPaletteFrame(const PalettePicture& picture);

// True (with the picture) when frame is exactly what packPaletteFrame makes of some picture, so
// that the picture stands for it; frames of other shapes (no palette first, a second palette,
// runs split otherwise, fewer or more pixels) give false.
bool paletteFrameOf(const std::vector<uint8_t>& frame, PalettePicture* picture);

// The palette of at most 256 colours (red, green, blue, alpha) for pictures to be fitted to the
// frame size, from their own pixels and the black of the bars fitting adds: their distinct
// colours when there are no more than 256, else the weighted averages of
// the boxes of a median cut of the colour space (the most populated, widest box split at its
// median until there are 256). Unused entries are opaque black. Returns how many are used.
int buildFramePalette(const std::vector<RgbaImage>& pictures, uint8_t palette[1024]);

// A picture fitted to the frame size with every pixel the nearest of the first used entries of
// palette (squared distance over red, green, blue and alpha; the lower index on a tie).
PalettePicture quantisePicture(const RgbaImage& picture, const uint8_t palette[1024], int used);
