// Fuzz target: one packed (palette run-length) frame expanded into the 1024 x 1024 frame buffer,
// then into a small destination whose capacity the first byte chooses.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "app/frame_buffer.h"
#include "app/packed_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static uint8_t* pixels = allocateFrameBuffer();
    const int length = static_cast<int>(std::min<size_t>(size, INT32_MAX));
    decodePackedFrame(data, pixels, length);
    if (size > 0) {
        static uint8_t small[4 * 256];
        decodePackedFrame(data, small, length, 1 + data[size - 1]);
    }
    return 0;
}
