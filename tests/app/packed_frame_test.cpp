// Packed (palette run-length) frames: runs, palette changes, partial frames and damaged input.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/packed_frame.h"
#include "test_packs.h"

namespace {

uint32_t pixelAt(const std::vector<uint8_t>& buffer, int i) {
    uint32_t v;
    std::memcpy(&v, buffer.data() + 4 * i, 4);
    return v;
}

}  // namespace

TEST(PackedFrame, RunsAndPaletteChangesFillPixelsInSequence) {
    std::vector<uint32_t> first(256, 0), second(256, 0);
    first[3] = 0xFF0000FFu;
    first[7] = 0xFF00FF00u;
    second[3] = 0xFFFF0000u;
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, first, 2, 3);  // 2 pixels of first[3]
    frame.insert(frame.end(), {5, 7});        // 5 of first[7]
    appendPaletteRecord(frame, second, 1, 3); // 1 of second[3]
    frame.insert(frame.end(), {0, 0});        // a palette record needs a full table: this one is cut
    std::vector<uint8_t> pixels(64 * 4, 0xAB);
    const int written = decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size()), 64);
    EXPECT_EQ(written, 8);
    EXPECT_EQ(pixelAt(pixels, 0), 0xFF0000FFu);
    EXPECT_EQ(pixelAt(pixels, 1), 0xFF0000FFu);
    for (int i = 2; i < 7; ++i) EXPECT_EQ(pixelAt(pixels, i), 0xFF00FF00u);
    EXPECT_EQ(pixelAt(pixels, 7), 0xFFFF0000u);
    // Pixels past those written are left as they were.
    EXPECT_EQ(pixelAt(pixels, 8), 0xABABABABu);
}

TEST(PackedFrame, FrameWithoutLeadingPaletteIsRejected) {
    const std::vector<uint8_t> frame = {4, 1, 4, 1};
    std::vector<uint8_t> pixels(16 * 4, 0x11);
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size()), 16), 0);
    EXPECT_EQ(pixelAt(pixels, 0), 0x11111111u);
}

TEST(PackedFrame, NeverWritesPastTheCapacity) {
    // 255-pixel runs would fill 4 * 255 pixels; the buffer holds 300 and a guard follows.
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0x01020304u), 255, 0);
    for (int i = 0; i < 3; ++i) frame.insert(frame.end(), {255, 0});
    std::vector<uint8_t> pixels(310 * 4, 0xEE);
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size()), 300), 300);
    EXPECT_EQ(pixelAt(pixels, 299), 0x01020304u);
    EXPECT_EQ(pixelAt(pixels, 300), 0xEEEEEEEEu);
}

TEST(PackedFrame, FullFrameFillsTheWholeBufferAndStopsThere) {
    // One more run than 1024 x 1024 pixels need; the decoder must stop at the end of the buffer.
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0xFF102030u), 0, 0);
    const int runs = kFrameBufferPixels / 256 + 1;
    for (int i = 0; i < runs; ++i) frame.insert(frame.end(), {128, 0, 128, 0});
    std::vector<uint8_t> pixels(static_cast<size_t>(kFrameBufferBytes), 0);
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size())), kFrameBufferPixels);
    EXPECT_EQ(pixelAt(pixels, kFrameBufferPixels - 1), 0xFF102030u);
}

TEST(PackedFrame, TruncatedRecordsStopTheFrame) {
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, std::vector<uint32_t>(256, 0x05050505u), 3, 0);
    frame.push_back(9);  // a run without its colour byte
    std::vector<uint8_t> pixels(32 * 4, 0);
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size()), 32), 3);
    // A palette record cut inside its table writes nothing.
    EXPECT_EQ(decodePackedFrame(frame.data(), pixels.data(), 500, 32), 0);
}
