// Expansion of packed (palette run-length) frames into 32-bit pixels.
#include "app/packed_frame.h"

#include <algorithm>
#include <cstring>

int decodePackedFrame(const uint8_t* source, uint8_t* pixels, int length, int capacity) {
    if (!source || !pixels || length <= 0 || capacity <= 0) return 0;
    // Without a palette record first there is no colour to index.
    if (source[0] != 0) return 0;

    uint32_t palette[256];
    int p = 0;
    int w = 0;
    while (p < length) {
        if (source[p] == 0) {
            // Palette record: 0, 1024 palette bytes, then a run.
            if (length - p < 1 + kPackedPaletteBytes + 2) break;
            std::memcpy(palette, source + p + 1, kPackedPaletteBytes);
            p += 1 + kPackedPaletteBytes;
        }
        if (length - p < 2) break;
        int count = source[p];
        const uint32_t colour = palette[source[p + 1]];
        p += 2;
        if (count > capacity - w) count = capacity - w;
        uint8_t* out = pixels + static_cast<size_t>(w) * 4;
        // One pixel, then copies of what the run holds so far: at most 8 block copies a run.
        if (count > 0) std::memcpy(out, &colour, 4);
        for (int done = 1; done < count; done *= 2)
            std::memcpy(out + 4 * done, out, 4 * static_cast<size_t>(std::min(done, count - done)));
        w += count;
        if (w >= capacity) break;
    }
    return w;
}
