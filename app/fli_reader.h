// The FLI/FLC decoder: plays an Autodesk Animator file one frame per call into a 32-bit buffer
// of row stride 1024 pixels. There is one decoder in the process, holding one open file; the
// FliReader object only marks that an animation plays from such a file.
//
// The file is untrusted: frame and chunk sizes are checked against the bytes actually read,
// writes are clipped to the frame's size and to 1024 x 1024, and a frame stops decoding at its
// first invalid chunk, keeping what the valid chunks before it drew.
#pragma once

#include <cstdint>

class FliReader {
public:
    FliReader() = default;
    virtual ~FliReader() = default;
};

// Chunk types the decoder acts on.
enum FliChunkType : uint16_t {
    kFliColor256 = 4,
    kFliDeltaFlc = 7,
    kFliColor64 = 11,
    kFliDeltaFli = 12,
    kFliBlack = 13,
    kFliByteRun = 15,
    kFliCopy = 16,
};

constexpr uint16_t kFliMagic = 0xAF11;
constexpr uint16_t kFlcMagic = 0xAF12;
constexpr uint16_t kFliFrameMagic = 0xF1FA;
constexpr uint16_t kFliPrefixMagic = 0xF100;
constexpr int kFliHeaderSize = 128;
constexpr int kFliFrameHeaderSize = 16;
constexpr int kFliStride = 1024;

// Where the decoder's fatal errors go. The default prints the line on standard output and ends
// the process with exit code 1. A sink that returns (tools that load many packs, fuzz targets)
// leaves the decoder without a file: later frames change nothing.
using FliFatalSink = void (*)(const char* line);
// Installs sink (null restores the default); returns the previous one.
FliFatalSink setFliFatalSink(FliFatalSink sink);

// Opens fileName ("rb"), reads its 128-byte header and rewinds; pixels becomes the destination.
// A file that cannot be opened, is shorter than its header or has another magic is fatal:
// "Wrong header: <file name>: <reason>\n". Replaces any file opened before.
void fliOpen(const char* fileName, uint8_t* pixels);
// Positions at the first frame and reads its header. A failed seek is fatal: "Fseek read
// failed\n".
void fliRewind();
// Advances one frame and decodes it into the destination. Does nothing once frameIndex reaches
// frameCount - 1 (no looping), and for a frame header with an unknown magic or an impossible size.
void fliNextFrame();
// Closes the open file (tests and tools; the player never closes it).
void fliClose();

// Decoder state, for tests and tools.
int fliFrameCount();
int fliFrameIndex();
int fliWidth();
int fliHeight();
// The current colour map: 256 entries of red, green, blue.
const uint8_t* fliPalette();

// Decodes one chunk (its 6-byte header included) of a frame of the given size into pixels (row
// stride 1024) with the decoder's palette. False when the chunk is malformed: whatever it had
// decoded before the fault stays. Used by fliNextFrame; exposed for tests.
bool fliDecodeChunk(const uint8_t* chunk, uint32_t size, int width, int height, uint8_t* pixels);
