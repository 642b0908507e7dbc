// A small Autodesk Animator FLC writer for 8-bit frames: a COLOR_256 palette and a BYTE_RUN
// picture in the first frame, DELTA_FLC word deltas in the frames after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FlcAnimation {
    int width = 0;   // even, at most 1024
    int height = 0;  // at most 1024
    uint8_t palette[256 * 3] = {};       // red, green, blue per entry, 8 bits each
    std::vector<std::vector<uint8_t>> frames;  // width x height colour indices each, row by row
    int msPerFrame = 33;
};

// The complete file: 128-byte header (magic 0xAF12), then one chunked frame per picture.
std::vector<uint8_t> encodeFlc(const FlcAnimation& animation);
// Writes encodeFlc's bytes to path; false when the file cannot be written.
bool writeFlc(const FlcAnimation& animation, const std::string& path);

// Chunk bodies, exposed for tests: the BYTE_RUN lines of a whole picture and the DELTA_FLC
// lines that turn previous into next (both without the 6-byte chunk header).
std::vector<uint8_t> encodeByteRun(const std::vector<uint8_t>& picture, int width, int height);
std::vector<uint8_t> encodeDeltaFlc(const std::vector<uint8_t>& previous, const std::vector<uint8_t>& next, int width,
                                    int height);
