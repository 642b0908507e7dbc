// Picture files of show sources: PNG and JPEG read at any size, fitted to the 1024x1024 picture
// format, written as RGBA PNG; indexed (palette) PNG files written and read with their palette
// kept entry for entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The side of the picture format and of an animation frame, in pixels.
constexpr int kSourcePictureSide = 1024;
constexpr size_t kSourcePicturePixels = size_t(kSourcePictureSide) * kSourcePictureSide;

// An RGBA picture of any size, 4 bytes a pixel, top row first.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Writes a 1024x1024 RGBA picture (4 bytes a pixel, top row first) as a PNG file, making its
// folder. False when it cannot be written.
bool writePicturePng(const std::string& path, const uint8_t* rgba);

// Decodes a PNG or JPEG file (told apart by its first bytes) of at most 16384 pixels a side into
// RGBA. False with the reason in why.
bool readPictureFile(const std::string& path, std::vector<uint8_t>* rgba, int* width, int* height, std::string* why);

// A picture of any size as the 1024x1024 RGBA picture format: one of another size is scaled to
// fit (bilinear), centred, with opaque black bars beside or above and below it.
std::vector<uint8_t> fitPicture(const std::vector<uint8_t>& rgba, int width, int height);

// readPictureFile, then fitPicture.
bool readPicture(const std::string& path, std::vector<uint8_t>* rgba, std::string* why);

// A 1024x1024 picture of palette indices with its 256 colours, each 4 bytes (red, green, blue,
// alpha), as a packed animation frame holds them.
struct PalettePicture {
    std::vector<uint8_t> indices = std::vector<uint8_t>(kSourcePicturePixels, 0);
    uint8_t palette[1024] = {};
};

// Writes picture as an 8-bit palette PNG of 256 entries; the alphas go in a transparency table
// unless every entry is opaque. False when it cannot be written.
bool writePalettePng(const std::string& path, const PalettePicture& picture);

// What readPalettePng found.
enum class PalettePng { Read, NotPalette, Failed };

// Reads an 8-bit (or smaller) palette PNG of 1024x1024 pixels with its palette as it stands
// (entries the file does not hold are opaque black; entries without transparency are opaque).
// NotPalette for a readable PNG of another kind or size, Failed (with why) when it does not read.
PalettePng readPalettePng(const std::string& path, PalettePicture* picture, std::string* why);
