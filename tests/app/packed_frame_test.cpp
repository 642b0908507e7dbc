// Packed (palette run-length) frames: runs, palette changes, partial frames and damaged input.
#include "app/packed_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_packs.h"

namespace {

uint32_t pixelAt(const std::vector<uint8_t>& buffer, int i) {
    uint32_t v;
    std::memcpy(&v, buffer.data() + 4 * i, 4);
    return v;
}

int decode(const std::vector<uint8_t>& frame, std::vector<uint8_t>& pixels, int capacity) {
    return decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size()), capacity);
}

}  // namespace

TEST(PackedFrame, RunsAndPaletteChangesFillPixelsInSequence) {
    std::vector<uint32_t> first(256, 0), second(256, 0);
    first[3] = 0xFF0000FFu;
    first[7] = 0xFF00FF00u;
    second[3] = 0xFFFF0000u;
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, first, 2, 3);   // 2 pixels of first[3]
    frame.insert(frame.end(), {5, 7});         // 5 of first[7]
    appendPaletteRecord(frame, second, 1, 3);  // 1 of second[3]
    frame.insert(frame.end(), {0, 0});         // a palette record needs a full table: this one is cut
    std::vector<uint8_t> pixels(64 * 4, 0xAB);
    EXPECT_EQ(decode(frame, pixels, 64), 8);
    const uint32_t expected[] = {0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u,
                                 0xFF00FF00u, 0xFF00FF00u, 0xFFFF0000u, 0xABABABABu};  // the rest left alone
    for (int i = 0; i < 9; ++i) EXPECT_EQ(pixelAt(pixels, i), expected[i]) << "pixel " << i;
}

TEST(PackedFrame, DamagedFramesNeverWritePastTheirDataOrTheCapacity) {
    // No leading palette: rejected, nothing written.
    std::vector<uint8_t> pixels(310 * 4, 0xEE);
    EXPECT_EQ(decode({4, 1, 4, 1}, pixels, 300), 0);
    EXPECT_EQ(pixelAt(pixels, 0), 0xEEEEEEEEu);

    // 255-pixel runs would fill 4 * 255 pixels; the buffer holds 300 and a guard follows.
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0x01020304u), 255, 0);
    for (int i = 0; i < 3; ++i) frame.insert(frame.end(), {255, 0});
    EXPECT_EQ(decode(frame, pixels, 300), 300);
    EXPECT_EQ(pixelAt(pixels, 299), 0x01020304u);
    EXPECT_EQ(pixelAt(pixels, 300), 0xEEEEEEEEu);

    // One more run than 1024 x 1024 pixels need: the decoder stops at the end of the frame buffer.
    frame.clear();
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0xFF102030u), 0, 0);
    for (int i = 0; i < kFrameBufferPixels / 256 + 1; ++i) frame.insert(frame.end(), {128, 0, 128, 0});
    std::vector<uint8_t> full(static_cast<size_t>(kFrameBufferBytes), 0);
    EXPECT_EQ(decodePackedFrame(frame.data(), full.data(), static_cast<int>(frame.size())),
              kFrameBufferPixels);
    EXPECT_EQ(pixelAt(full, kFrameBufferPixels - 1), 0xFF102030u);

    // A run without its colour byte ends the frame; a palette record cut inside its table writes
    // nothing.
    frame.clear();
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0x05050505u), 3, 0);
    frame.push_back(9);
    EXPECT_EQ(decode(frame, pixels, 32), 3);
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), 500, 32), 0);
}
