// The show's 2D artwork, drawn by code: the title and end cards (1024 x 1024 RGBA pictures),
// the frames of the stripe wipe (indexed pictures stored as packed palette run-length frames)
// and the small spinner animation written as an FLC file.
//
// The player stretches a 1024 x 1024 texture over the 16:9 picture with texture row 0 at the top
// and texture column 0 at the right, so artwork is composed on a 1024 x 576 screen (x to the
// right, y down) and sampled into the texture mirrored and squashed to come out upright.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/make_show/flc_writer.h"

constexpr int kPictureSide = 1024;
constexpr int kPictureBytes = kPictureSide * kPictureSide * 4;
constexpr double kScreenWidth = 1024.0;
constexpr double kScreenHeight = 576.0;

// A straight (not premultiplied) colour with opacity, components 0..1.
struct Paint {
    double r = 0, g = 0, b = 0, a = 0;
};

// The screen point that texture pixel (column, row) covers the centre of.
void texelToScreen(double column, double row, double* x, double* y);

// A 1024 x 1024 RGBA picture showing shade(x, y) on the screen, each texel the average of
// samples x samples points of its footprint.
std::vector<uint8_t> paintPicture(const std::function<Paint(double x, double y)>& shade, int samples);

// Lit test for a line of pixel-font text centred on centreX with its top at top, each glyph
// pixel a square block of side pixel (drawn a little smaller, so the blocks read as cubes).
bool textLit(const std::string& text, double centreX, double top, double pixel, double x, double y);

// The opening title: a translucent band across the middle with the show's name, transparent
// above and below so that the scene shows through.
std::vector<uint8_t> makeTitleCard();
// The closing card: credits over a dark veil.
std::vector<uint8_t> makeEndCard();

// An indexed 1024 x 1024 picture with a 256-entry palette of 4-byte red, green, blue, alpha words.
struct IndexedPicture {
    std::vector<uint8_t> indices = std::vector<uint8_t>(kPictureSide * kPictureSide, 0);
    uint8_t palette[1024] = {};
};

// Frames of the wipe that covers a scene change: coloured diagonal stripes slide in over the
// first half of the frames (the picture is fully covered at frameCount / 2) and out again.
// Uncovered texels are transparent.
IndexedPicture makeWipeFrame(int frame, int frameCount);
constexpr int kWipeFrames = 32;

// The packed palette run-length form of a picture: one palette record, then runs of 1..255.
std::vector<uint8_t> encodePackedFrame(const IndexedPicture& picture);

// A 256 x 256 colour wheel turning over 32 frames.
FlcAnimation makeSpinnerAnimation();
