// A 5 x 7 pixel font for the show's title cards: upper-case letters, digits and a little
// punctuation. Lower-case letters are drawn as upper case; unknown characters as blanks.
#pragma once

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// Horizontal advance of one character in glyph pixels (the glyph and one pixel of spacing).
constexpr int kGlyphAdvance = 6;

// True when pixel (x, y) of character c's glyph is lit; (0, 0) is the top-left pixel.
bool glyphPixel(char c, int x, int y);
