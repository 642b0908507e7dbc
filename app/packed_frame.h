// The program's own palette run-length frame form, as stored inside the pack for animation cells:
// records of (count, index) runs, with palette records (0, 1024 palette bytes, count, index).
#pragma once

#include <cstdint>

#include "app/frame_buffer.h"

// Size of a palette record's table: 256 colours of 4 bytes, stored as they are written.
constexpr int kPackedPaletteBytes = 1024;

// Expands length bytes of a packed frame into pixels (4-byte words written one after another)
// and returns the number of pixels written. The frame must begin with a palette record; one that
// does not is rejected (nothing written, 0 returned). Writing stops at capacity pixels and at
// the first record that runs past length. Pixels beyond those written are left unchanged.
int decodePackedFrame(const uint8_t* source, uint8_t* pixels, int length,
                      int capacity = kFrameBufferPixels);
