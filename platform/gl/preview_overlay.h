// PreviewOverlay: the information panel that the interactive preview draws over the show's
// picture, as the window draws its badge: lines of text, highlighted lines (errors, work in
// progress) and a graph of recent frame times against the 60 Hz budget. It also reads a finished
// frame back and puts a kept frame on screen again, so that a paused show is shown without being
// drawn (drawing advances its physics).
#pragma once

#include <string>
#include <vector>

// What the panel shows, top to bottom.
struct OverlayContent {
    std::vector<std::string> alerts;  // drawn first, in a warning colour
    std::vector<std::string> lines;   // plain lines
    std::vector<double> frameTimesMs; // oldest first; drawn as a bar graph when not empty
    double budgetMs = 1000.0 / 60.0;  // the graph's reference line
};

// Pixel size of the panel's text: 5 x 7 glyphs at twice their size.
constexpr int kOverlayGlyphScale = 2;
constexpr int kOverlayCharAdvance = 6 * kOverlayGlyphScale;
constexpr int kOverlayLineHeight = 9 * kOverlayGlyphScale;

class PreviewOverlay {
public:
    // The panel as an RGBA image no wider than maxWidth (longer lines are cut), rows top first;
    // width and height receive its size. Text is upper case (lower-case letters are drawn as
    // upper case, characters without a glyph as blanks).
    static std::vector<unsigned char> compose(const OverlayContent& content, int maxWidth, int* width, int* height);
    // Draws the panel in the upper-left corner of the width x height window, blended over what is
    // there, and leaves every GL state as it found it.
    static void draw(int width, int height, const OverlayContent& content);
    // The whole width x height window as RGBA rows, bottom row first (the back buffer, as the
    // offline renderer reads it).
    static std::string readPixels(int width, int height);
    // Covers the whole window with pixels as readPixels gave them; GL state is left as found.
    static void drawPixels(int width, int height, const std::string& pixels);
};
