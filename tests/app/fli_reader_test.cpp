// The FLI/FLC decoder: every chunk type on crafted data, frame stepping, damaged and hostile
// files, and the fatal header errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "test_packs.h"

namespace {

using Px = std::vector<uint8_t>;
const Px kUntouched(4, 0x55);
const Px kBlack = {0, 0, 0, 255};

// A 1024 x 1024 destination of exactly 4 MiB, so that a stray write is caught by the sanitizer.
struct Canvas {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kFrameBufferBytes, 0x55);
    uint8_t* data() { return bytes.data(); }
    Px rgba(int x, int y) const {
        const uint8_t* at = bytes.data() + (static_cast<size_t>(y) * 1024 + x) * 4;
        return {at, at + 4};
    }
};

// Palette entry i as the ramp palette sets it: (i, 255 - i, 7).
Px ramp(int index, uint8_t alpha = 0x55) { return {uint8_t(index), uint8_t(255 - index), 7, alpha}; }

// An expected pixel as a code: a ramp index (alpha untouched), kOpaque + index, kUntouched or kBlack.
enum : int { kOpaque = 256, kSame = -1, kDark = -2 };
Px expectedPixel(int code) {
    if (code == kSame || code == kDark) return code == kSame ? kUntouched : kBlack;
    return ramp(code & 255, code >= kOpaque ? 255 : 0x55);
}

bool decode(const std::vector<uint8_t>& chunk, int w, int h, uint8_t* pixels) {
    return fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), w, h, pixels);
}

// 16-bit little-endian words.
std::vector<uint8_t> words(std::initializer_list<uint16_t> values) {
    std::vector<uint8_t> b;
    for (uint16_t v : values) put16(b, v);
    return b;
}

// A palette chunk: a packet count, then packets given as (skip, count, count * 3 components).
std::vector<uint8_t> paletteChunk(uint16_t type, uint16_t packets, const std::vector<uint8_t>& body) {
    return fliChunk(type, joined({words({packets}), body}));
}

void setRampPalette() {
    std::vector<uint8_t> body = {0, 0};  // 256 entries
    for (int i = 0; i < 256; ++i) body.insert(body.end(), {uint8_t(i), uint8_t(255 - i), 7});
    ASSERT_TRUE(decode(paletteChunk(kFliColor256, 1, body), 1, 1, nullptr));
}

class FliFileTest : public testing::Test {
protected:
    void TearDown() override { fliClose(); }
    Canvas canvas;
};

}  // namespace

TEST(FliChunks, PalettePacketsSkipAndRunOnAcrossPackets) {
    setRampPalette();
    // Two packets: skip 0 count 16, then skip 8 count 4: entries 0-15 and 24-27.
    std::vector<uint8_t> body = {0, 16};
    for (int i = 0; i < 16; ++i) body.insert(body.end(), {1, 2, 3});
    body.insert(body.end(), {8, 4});
    for (int i = 0; i < 4; ++i) body.insert(body.end(), {4, 5, 6});
    ASSERT_TRUE(decode(paletteChunk(kFliColor256, 2, body), 1, 1, nullptr));
    const uint8_t* p = fliPalette();
    const std::pair<int, int> entries[] = {{15 * 3 + 2, 3}, {16 * 3, 16}, {23 * 3, 23},  // 16 to 23 untouched
                                           {24 * 3, 4},     {27 * 3 + 2, 6}, {28 * 3, 28}};
    for (auto [at, value] : entries) EXPECT_EQ(p[at], value) << "byte " << at;
    // COLOR_64 scales each component by 4.
    ASSERT_TRUE(decode(paletteChunk(kFliColor64, 1, {5, 1, 63, 1, 0}), 1, 1, nullptr));
    EXPECT_EQ(Px(p + 15, p + 18), (Px{252, 4, 0}));

    // A packet that runs past entry 255 sets what fits and is refused; so is a packet count that
    // runs past the chunk.
    std::vector<uint8_t> over = {250, 10};
    over.resize(2 + 30, 1);
    EXPECT_FALSE(decode(paletteChunk(kFliColor256, 1, over), 1, 1, nullptr));
    EXPECT_EQ(p[255 * 3], 1);
    EXPECT_FALSE(decode(paletteChunk(kFliColor256, 3, {0, 2, 1, 1, 1}), 1, 1, nullptr));
}

TEST(FliChunks, EveryChunkTypeWritesItsPixelsAndHostileOnesStayInside) {
    setRampPalette();
    // BYTE_RUN lines of 2000 pixels made of 127-pixel runs, on 1100 lines.
    std::vector<uint8_t> wideRuns;
    for (int y = 0; y < 1100; ++y) {
        wideRuns.push_back(16);
        for (int i = 0; i < 16; ++i) wideRuns.insert(wideRuns.end(), {127, 4});
    }
    const struct {
        const char* what;
        std::vector<uint8_t> chunk;
        int width, height;
        bool valid;
        std::vector<std::array<int, 3>> pixels;  // x, y and the expected pixel's code afterwards
    } cases[] = {
        // Line 0: three of 1 then one literal 2; line 1: literals 3, 2, 1, 0. Runs leave alpha alone.
        {"BYTE_RUN", fliChunk(kFliByteRun, {2, 3, 1, 0xFF, 2, 1, 0xFC, 3, 2, 1, 0}), 4, 2, true,
         {{0, 0, 1}, {2, 0, 1}, {3, 0, 2}, {0, 1, 3}, {3, 1, 0}, {4, 0, kSame}}},
        // From line 1, one line: skip 2, copy 5 6; skip 0, repeat 7 three times.
        {"DELTA_FLI", fliChunk(kFliDeltaFli, joined({words({1, 1}), {2, 2, 2, 5, 6, 0, 0xFD, 7}})), 8, 4,
         true,
         {{1, 1, kSame}, {2, 1, 5}, {3, 1, 6}, {6, 1, 7}, {7, 1, kSame}, {2, 0, kSame}}},
        // Skip two lines; one packet (skip 1, copy the pair 4 5); then a last-pixel word (index 9
        // at column 4) and one packet repeating the pair (1, 2) twice.
        {"DELTA_FLC",
         fliChunk(kFliDeltaFlc,
                  joined({words({2, 0xFFFE, 1}), {1, 1, 4, 5}, words({0x8009, 1}), {0, 0xFE, 1, 2}})),
         5, 4, true, {{0, 0, kSame}, {1, 2, 4}, {2, 2, 5}, {0, 3, 1}, {3, 3, 2}, {4, 3, 9}}},
        {"DELTA_FLC prefix word 01", fliChunk(kFliDeltaFlc, words({1, 0x4001})), 5, 4, false, {}},
        {"BLACK", fliChunk(kFliBlack, {}), 3, 2, true, {{2, 1, kDark}, {3, 1, kSame}}},
        {"COPY", fliChunk(kFliCopy, {9, 8, 7, 6}), 2, 2, true, {{1, 0, kOpaque + 8}, {0, 1, kOpaque + 7}}},
        {"unknown type", fliChunk(18, {1, 2, 3}), 2, 2, true, {{0, 0, kSame}}},
        // Frames larger than 1024 x 1024 are clipped to the buffer.
        {"BLACK 2000 x 1500", fliChunk(kFliBlack, {}), 2000, 1500, true, {{1023, 1023, kDark}}},
        {"COPY 2000 x 1100", fliChunk(kFliCopy, std::vector<uint8_t>(2000u * 1100u, 3)), 2000, 1100, true,
         {{1023, 1023, kOpaque + 3}}},
        {"BYTE_RUN 2000 x 1100", fliChunk(kFliByteRun, wideRuns), 2000, 1100, true, {{1023, 1023, 4}}},
        {"DELTA_FLC skipping below the picture",
         fliChunk(kFliDeltaFlc, joined({words({1, 0xC000, 1}), {0, 0x80, 1, 2}})), 1024, 1024, true, {}},
        {"DELTA_FLI from line 65535",
         fliChunk(kFliDeltaFli, joined({words({0xFFFF, 2}), {1, 255, 0x81, 5, 0}})), 1024, 65535, true, {}},
        // Data that stops short of what the runs need.
        {"BYTE_RUN literal of 16 with 2 indices", fliChunk(kFliByteRun, {1, 0xF0, 6, 6}), 16, 1, false, {}},
        {"COPY short", fliChunk(kFliCopy, {1, 2, 3}), 4, 4, false, {{3, 3, kSame}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Canvas canvas;
        EXPECT_EQ(decode(c.chunk, c.width, c.height, canvas.data()), c.valid);
        for (auto [x, y, code] : c.pixels)
            EXPECT_EQ(canvas.rgba(x, y), expectedPixel(code)) << x << ", " << y;
    }
    const auto black = fliChunk(kFliBlack, {});
    EXPECT_FALSE(fliDecodeChunk(black.data(), 5, 1, 1, nullptr));  // shorter than a header
}

TEST_F(FliFileTest, FramesAdvanceOnePerCallWithoutLooping) {
    std::vector<uint8_t> body = {0, 0};
    for (int i = 0; i < 256; ++i) body.insert(body.end(), {uint8_t(i), 0, 0});
    const auto f0 = fliFrame({paletteChunk(kFliColor256, 1, body), fliChunk(kFliCopy, {1, 2, 3, 4})});
    const auto f1 = fliFrame({fliChunk(kFliCopy, {5, 6, 7, 8})});
    const auto file = fliFile(kFliMagic, 3, 2, 2, {f0, f1, fliFrame({fliChunk(kFliCopy, {9, 9, 9, 9})})});
    fliOpen(writeTemp("three.fli", file).c_str(), canvas.data());
    EXPECT_EQ(fliFrameCount(), 3);
    EXPECT_EQ(canvas.rgba(0, 0)[0], 0x55);  // opening decodes nothing
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0)[0], 1);
    EXPECT_EQ(canvas.rgba(1, 1)[0], 4);
    EXPECT_EQ(canvas.rgba(2, 0)[0], 0x55);  // a 2 x 2 frame stays in the top-left corner
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0)[0], 5);
    EXPECT_EQ(fliFrameIndex(), 2);
    // frameIndex has reached frameCount - 1: the picture stays, no wrap to the first frame.
    fliNextFrame();
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0)[0], 5);
    EXPECT_EQ(fliFrameIndex(), 2);
    fliRewind();
    EXPECT_EQ(fliFrameIndex(), 0);
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0)[0], 1);
}

TEST_F(FliFileTest, OddAndDamagedFramesDecodeWhatIsValid) {
    const auto black = fliFrame({fliChunk(kFliBlack, {})});
    auto withBytes = [](std::vector<uint8_t> frame, std::initializer_list<std::pair<int, uint8_t>> bytes) {
        for (auto [at, value] : bytes) frame[at] = value;
        return frame;
    };
    const auto prefix = fliFrame({fliChunk(kFliBlack, {})}, kFliPrefixMagic);
    const auto odd = fliFrame({fliChunk(kFliBlack, {})}, 0x1234);
    const auto huge = withBytes(black, {{0, 0xF0}, {1, 0xFF}, {2, 0xFF}, {3, 0xFF}});
    const auto tiny = withBytes(black, {{0, 8}});
    const auto overCount = withBytes(black, {{6, 40}});
    // Chunk 2 claims 1000 bytes, more than its frame holds: chunk 1 is drawn, chunk 3 is not reached.
    const auto badChunk = fliFrame({fliChunk(kFliBlack, {}),
                                    withBytes(fliChunk(kFliCopy, {7, 7, 7, 7}), {{0, 0xE8}, {1, 3}}),
                                    fliChunk(kFliCopy, {1, 1, 1, 1})});
    auto cut = fliFile(kFliMagic, 4, 2, 2, {badChunk, fliFrame({fliChunk(kFliCopy, {3, 3, 3, 3})})});
    cut.resize(cut.size() - 2);  // cut inside the last frame
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        int calls;
        Px pixel;   // at (1, 1) afterwards
        int index;  // the frame index afterwards, or -1
    } cases[] = {
        {"one frame", fliFile(kFlcMagic, 1, 2, 2, {black}), 2, kUntouched, 0},
        // A prefix (0xF100) advances the counter without drawing; the frame after it draws.
        {"prefix", fliFile(kFlcMagic, 3, 2, 2, {prefix, black, black}), 1, kUntouched, 1},
        {"after a prefix", fliFile(kFlcMagic, 3, 2, 2, {prefix, black, black}), 2, kBlack, 2},
        // An unknown frame magic stops the advance: nothing is read or drawn.
        {"odd magic", fliFile(kFlcMagic, 3, 2, 2, {odd, black}), 2, kUntouched, -1},
        {"chunk past its frame", fliFile(kFliMagic, 3, 2, 2, {badChunk, badChunk}), 1, kBlack, -1},
        // A frame size far beyond the file: the read is bounded by the file, nothing follows it.
        {"frame past the file", fliFile(kFliMagic, 5, 2, 2, {huge, badChunk}), 3, kBlack, -1},
        {"frame smaller than its header", fliFile(kFliMagic, 3, 2, 2, {tiny, badChunk}), 2, kUntouched, -1},
        {"file cut inside a frame", cut, 4, kBlack, -1},
        {"chunk count past the chunks", fliFile(kFliMagic, 2, 2, 2, {overCount}), 1, kBlack, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Canvas canvas;
        fliOpen(writeTemp("case.fli", c.file).c_str(), canvas.data());
        for (int i = 0; i < c.calls; ++i) fliNextFrame();
        EXPECT_EQ(canvas.rgba(1, 1), c.pixel);
        if (c.index >= 0) { EXPECT_EQ(fliFrameIndex(), c.index); }
    }
}

TEST(FliOpen, BadHeadersEndTheProcessNamingTheFileAndWhy) {
    const std::pair<std::string, std::string> files[] = {
        {testing::TempDir() + "/no_such.fli", "No such file or directory"},
        {writeTemp("magic.fli", fliFile(0x1234, 2, 2, 2, {})), "magic 0x1234"},
        {writeTemp("short.fli", {0, 0, 0, 0, 0x11, 0xAF}), "6 bytes, shorter than the 128-byte header"}};
    for (const auto& [file, reason] : files) {
        // Windows paths hold backslashes: literal ones in the pattern.
        std::string pattern;
        for (char c : file) pattern += c == '\\' ? std::string("\\\\") : std::string(1, c);
        // The message goes to standard output, which the child sends to the captured stderr.
        EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), fliOpen(file.c_str(), nullptr)),
                    testing::ExitedWithCode(1), "^Wrong header: " + pattern + ": " + reason + ".*\n")
            << file;
    }
}
