// The FLI/FLC decoder: every chunk type on crafted data, frame stepping, damaged and hostile
// files, the fatal header errors, and real files against ffmpeg's flic decoder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

// A 1024 x 1024 destination of exactly 4 MiB, so that a stray write is caught by the sanitizer.
struct Canvas {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kFrameBufferBytes, 0x55);
    uint8_t* data() { return bytes.data(); }
    const uint8_t* at(int x, int y) const { return bytes.data() + (static_cast<size_t>(y) * 1024 + x) * 4; }
    std::vector<uint8_t> rgba(int x, int y) const { return {at(x, y), at(x, y) + 4}; }
};

// Sets every palette entry i to (i, 255 - i, 7) with a COLOR_256 chunk.
void setRampPalette() {
    std::vector<uint8_t> data;
    put16(data, 1);
    data.push_back(0);
    data.push_back(0);  // 256 entries
    for (int i = 0; i < 256; ++i) data.insert(data.end(), {uint8_t(i), uint8_t(255 - i), 7});
    const auto chunk = fliChunk(kFliColor256, data);
    ASSERT_TRUE(fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), 1, 1, nullptr));
}

std::vector<uint8_t> ramp(int index, uint8_t alpha) { return {uint8_t(index), uint8_t(255 - index), 7, alpha}; }

bool decode(const std::vector<uint8_t>& chunk, int w, int h, Canvas& canvas) {
    return fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), w, h, canvas.data());
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = fs::path(testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

// Runs fn in a child process; its exit code and what it printed on standard output.
std::pair<int, std::string> runChild(const std::function<void()>& fn) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {-1, ""};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDOUT_FILENO);
        fn();
        _exit(0);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace

TEST(FliChunks, PalettePacketsSkipAndRunOnAcrossPackets) {
    setRampPalette();
    // Two packets: skip 0 count 16, then skip 8 count 4: entries 0-15 and 24-27.
    std::vector<uint8_t> data;
    put16(data, 2);
    data.insert(data.end(), {0, 16});
    for (int i = 0; i < 16; ++i) data.insert(data.end(), {1, 2, 3});
    data.insert(data.end(), {8, 4});
    for (int i = 0; i < 4; ++i) data.insert(data.end(), {4, 5, 6});
    const auto chunk = fliChunk(kFliColor256, data);
    ASSERT_TRUE(fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), 1, 1, nullptr));
    const uint8_t* p = fliPalette();
    EXPECT_EQ(p[15 * 3 + 2], 3);
    EXPECT_EQ(p[16 * 3 + 0], 16);  // untouched
    EXPECT_EQ(p[23 * 3 + 0], 23);
    EXPECT_EQ(p[24 * 3 + 0], 4);
    EXPECT_EQ(p[27 * 3 + 2], 6);
    EXPECT_EQ(p[28 * 3 + 0], 28);

    // COLOR_64 scales each component by 4.
    std::vector<uint8_t> data64;
    put16(data64, 1);
    data64.insert(data64.end(), {5, 1, 63, 1, 0});
    const auto chunk64 = fliChunk(kFliColor64, data64);
    ASSERT_TRUE(fliDecodeChunk(chunk64.data(), uint32_t(chunk64.size()), 1, 1, nullptr));
    EXPECT_EQ(p[5 * 3 + 0], 252);
    EXPECT_EQ(p[5 * 3 + 1], 4);
    EXPECT_EQ(p[5 * 3 + 2], 0);
}

TEST(FliChunks, ByteRunDeltaFliBlackAndCopyWritePixels) {
    setRampPalette();
    Canvas canvas;
    // BYTE_RUN 4 x 2: line 0 = three of 1 then one literal 2; line 1 = literals 3, 2, 1, 0.
    const auto brun = fliChunk(kFliByteRun, {2, 3, 1, 0xFF, 2, 1, 0xFC, 3, 2, 1, 0});
    ASSERT_TRUE(decode(brun, 4, 2, canvas));
    EXPECT_EQ(canvas.rgba(0, 0), ramp(1, 0x55));  // the run leaves alpha alone
    EXPECT_EQ(canvas.rgba(2, 0), ramp(1, 0x55));
    EXPECT_EQ(canvas.rgba(3, 0), ramp(2, 0x55));
    EXPECT_EQ(canvas.rgba(0, 1), ramp(3, 0x55));
    EXPECT_EQ(canvas.rgba(3, 1), ramp(0, 0x55));
    EXPECT_EQ(canvas.rgba(4, 0), std::vector<uint8_t>(4, 0x55));

    // DELTA_FLI from line 1, one line: skip 2, copy 5 6; skip 0, repeat 7 three times.
    std::vector<uint8_t> lc;
    put16(lc, 1);
    put16(lc, 1);
    lc.insert(lc.end(), {2, 2, 2, 5, 6, 0, 0xFD, 7});
    ASSERT_TRUE(decode(fliChunk(kFliDeltaFli, lc), 8, 4, canvas));
    EXPECT_EQ(canvas.rgba(1, 1), ramp(2, 0x55));  // skipped, unchanged
    EXPECT_EQ(canvas.rgba(2, 1), ramp(5, 0x55));
    EXPECT_EQ(canvas.rgba(3, 1), ramp(6, 0x55));
    EXPECT_EQ(canvas.rgba(6, 1), ramp(7, 0x55));
    EXPECT_EQ(canvas.rgba(7, 1), std::vector<uint8_t>(4, 0x55));

    // BLACK covers width x height and makes it opaque; FLI_COPY sets indices and alpha.
    ASSERT_TRUE(decode(fliChunk(kFliBlack, {}), 3, 2, canvas));
    EXPECT_EQ(canvas.rgba(2, 1), std::vector<uint8_t>({0, 0, 0, 255}));
    EXPECT_EQ(canvas.rgba(3, 1), ramp(6, 0x55));
    ASSERT_TRUE(decode(fliChunk(kFliCopy, {9, 8, 7, 6}), 2, 2, canvas));
    EXPECT_EQ(canvas.rgba(1, 0), ramp(8, 255));
    EXPECT_EQ(canvas.rgba(0, 1), ramp(7, 255));
    // Types the decoder does not know are skipped without effect.
    ASSERT_TRUE(decode(fliChunk(18, {1, 2, 3}), 2, 2, canvas));
    EXPECT_EQ(canvas.rgba(0, 1), ramp(7, 255));
}

TEST(FliChunks, DeltaFlcLineSkipAndLastPixelWords) {
    setRampPalette();
    Canvas canvas;
    std::vector<uint8_t> ss2;
    put16(ss2, 2);  // two coded lines
    put16(ss2, 0xFFFE);  // skip two lines
    put16(ss2, 1);       // one packet
    ss2.insert(ss2.end(), {1, 1, 4, 5});  // skip 1, copy one pair
    put16(ss2, 0x8000 | 9);  // last pixel of the line (column width - 1) is index 9
    put16(ss2, 1);
    ss2.insert(ss2.end(), {0, 0xFE, 1, 2});  // repeat the pair (1, 2) twice
    ASSERT_TRUE(decode(fliChunk(kFliDeltaFlc, ss2), 5, 4, canvas));
    EXPECT_EQ(canvas.rgba(0, 0), std::vector<uint8_t>(4, 0x55));
    EXPECT_EQ(canvas.rgba(1, 2), ramp(4, 0x55));
    EXPECT_EQ(canvas.rgba(2, 2), ramp(5, 0x55));
    EXPECT_EQ(canvas.rgba(0, 3), ramp(1, 0x55));
    EXPECT_EQ(canvas.rgba(3, 3), ramp(2, 0x55));
    EXPECT_EQ(canvas.rgba(4, 3), ramp(9, 0x55));

    // A prefix word with the top bits 01 has no meaning: the chunk is invalid.
    std::vector<uint8_t> bad;
    put16(bad, 1);
    put16(bad, 0x4001);
    EXPECT_FALSE(decode(fliChunk(kFliDeltaFlc, bad), 5, 4, canvas));
}

TEST(FliChunks, HostileChunksStayInsideTheirBuffers) {
    setRampPalette();
    Canvas canvas;
    // A palette packet that runs past entry 255 sets what fits and is refused.
    std::vector<uint8_t> pal;
    put16(pal, 1);
    pal.insert(pal.end(), {250, 10});
    for (int i = 0; i < 10; ++i) pal.insert(pal.end(), {1, 1, 1});
    auto chunk = fliChunk(kFliColor256, pal);
    EXPECT_FALSE(fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), 1, 1, nullptr));
    EXPECT_EQ(fliPalette()[255 * 3], 1);
    setRampPalette();
    // A packet count that runs past the chunk.
    std::vector<uint8_t> shortPal;
    put16(shortPal, 3);
    shortPal.insert(shortPal.end(), {0, 2, 1, 1, 1});
    chunk = fliChunk(kFliColor256, shortPal);
    EXPECT_FALSE(fliDecodeChunk(chunk.data(), uint32_t(chunk.size()), 1, 1, nullptr));
    setRampPalette();

    // Frames larger than 1024 x 1024 are clipped to the buffer.
    EXPECT_TRUE(decode(fliChunk(kFliBlack, {}), 2000, 1500, canvas));
    EXPECT_EQ(canvas.rgba(1023, 1023), std::vector<uint8_t>({0, 0, 0, 255}));
    std::vector<uint8_t> copy(2000u * 1100u, 3);
    EXPECT_TRUE(decode(fliChunk(kFliCopy, copy), 2000, 1100, canvas));
    EXPECT_EQ(canvas.rgba(1023, 1023), ramp(3, 255));
    // BYTE_RUN lines of 2000 pixels made of 127-pixel runs, on 1100 lines.
    std::vector<uint8_t> brun;
    for (int y = 0; y < 1100; ++y) {
        brun.push_back(16);
        for (int i = 0; i < 16; ++i) brun.insert(brun.end(), {127, 4});
    }
    EXPECT_TRUE(decode(fliChunk(kFliByteRun, brun), 2000, 1100, canvas));
    EXPECT_EQ(canvas.rgba(1023, 1023), ramp(4, 255));
    // DELTA_FLC skipping far below the picture, and DELTA_FLI starting there.
    std::vector<uint8_t> ss2;
    put16(ss2, 1);
    put16(ss2, 0xC000);
    put16(ss2, 1);
    ss2.insert(ss2.end(), {0, 0x80, 1, 2});
    EXPECT_TRUE(decode(fliChunk(kFliDeltaFlc, ss2), 1024, 1024, canvas));
    std::vector<uint8_t> lc;
    put16(lc, 0xFFFF);
    put16(lc, 2);
    lc.insert(lc.end(), {1, 255, 0x81, 5, 0});
    EXPECT_TRUE(decode(fliChunk(kFliDeltaFli, lc), 1024, 65535, canvas));

    // Runs whose data stops short of the chunk end: what came before stays, the chunk fails.
    const auto cut = fliChunk(kFliByteRun, {1, 0xF0, 6, 6});  // a 16-index literal with 2 indices
    EXPECT_FALSE(decode(cut, 16, 1, canvas));
    EXPECT_FALSE(decode(fliChunk(kFliCopy, {1, 2, 3}), 4, 4, canvas));
    EXPECT_FALSE(fliDecodeChunk(cut.data(), 5, 16, 1, canvas.data()));  // shorter than a header
}

class FliFileTest : public testing::Test {
protected:
    void TearDown() override { fliClose(); }
    Canvas canvas;
};

TEST_F(FliFileTest, FramesAdvanceOnePerCallWithoutLooping) {
    std::vector<uint8_t> pal;
    put16(pal, 1);
    pal.insert(pal.end(), {0, 0});
    for (int i = 0; i < 256; ++i) pal.insert(pal.end(), {uint8_t(i), 0, 0});
    const auto f0 = fliFrame({fliChunk(kFliColor256, pal), fliChunk(kFliCopy, {1, 2, 3, 4})});
    const auto f1 = fliFrame({fliChunk(kFliCopy, {5, 6, 7, 8})});
    const auto f2 = fliFrame({fliChunk(kFliCopy, {9, 9, 9, 9})});
    fliOpen(writeTemp("three.fli", fliFile(kFliMagic, 3, 2, 2, {f0, f1, f2})).c_str(), canvas.data());
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

TEST_F(FliFileTest, OneFrameFilesAndPrefixFramesChangeNothing) {
    const auto copy = fliFrame({fliChunk(kFliBlack, {})});
    fliOpen(writeTemp("one.flc", fliFile(kFlcMagic, 1, 2, 2, {copy})).c_str(), canvas.data());
    fliNextFrame();
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0), std::vector<uint8_t>(4, 0x55));
    EXPECT_EQ(fliFrameIndex(), 0);

    // A prefix (0xF100) advances the counter without drawing; the frame after it draws.
    const auto prefix = fliFrame({fliChunk(kFliBlack, {})}, kFliPrefixMagic);
    fliOpen(writeTemp("prefix.flc", fliFile(kFlcMagic, 3, 2, 2, {prefix, copy, copy})).c_str(), canvas.data());
    fliNextFrame();
    EXPECT_EQ(fliFrameIndex(), 1);
    EXPECT_EQ(canvas.rgba(0, 0), std::vector<uint8_t>(4, 0x55));
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0), std::vector<uint8_t>({0, 0, 0, 255}));

    // An unknown frame magic stops the advance: nothing is read or drawn.
    const auto odd = fliFrame({fliChunk(kFliBlack, {})}, 0x1234);
    Canvas fresh;
    fliOpen(writeTemp("odd.flc", fliFile(kFlcMagic, 3, 2, 2, {odd, copy})).c_str(), fresh.data());
    fliNextFrame();
    fliNextFrame();
    EXPECT_EQ(fresh.rgba(0, 0), std::vector<uint8_t>(4, 0x55));
}

TEST_F(FliFileTest, DamagedFramesDecodeWhatIsValid) {
    // Chunk 2 claims more bytes than its frame holds: chunk 1 is drawn, chunk 3 is not reached.
    auto bad = fliChunk(kFliCopy, {7, 7, 7, 7});
    bad[0] = 0xE8;
    bad[1] = 0x03;  // 1000 bytes
    const auto frame = fliFrame({fliChunk(kFliBlack, {}), bad, fliChunk(kFliCopy, {1, 1, 1, 1})});
    fliOpen(writeTemp("badchunk.fli", fliFile(kFliMagic, 3, 2, 2, {frame, frame})).c_str(), canvas.data());
    fliNextFrame();
    EXPECT_EQ(canvas.rgba(0, 0), std::vector<uint8_t>({0, 0, 0, 255}));

    // A frame size far beyond the file: the read is bounded by the file, nothing follows it.
    auto huge = fliFrame({fliChunk(kFliBlack, {})});
    huge[0] = 0xF0;
    huge[1] = huge[2] = huge[3] = 0xFF;
    Canvas second;
    fliOpen(writeTemp("huge.fli", fliFile(kFliMagic, 5, 2, 2, {huge, frame})).c_str(), second.data());
    fliNextFrame();
    EXPECT_EQ(second.rgba(0, 0), std::vector<uint8_t>({0, 0, 0, 255}));
    fliNextFrame();
    fliNextFrame();

    // A frame size smaller than its own header, and a file cut inside a frame.
    auto tiny = fliFrame({fliChunk(kFliBlack, {})});
    tiny[0] = 8;
    Canvas third;
    fliOpen(writeTemp("tiny.fli", fliFile(kFliMagic, 3, 2, 2, {tiny, frame})).c_str(), third.data());
    fliNextFrame();
    fliNextFrame();
    EXPECT_EQ(third.rgba(0, 0), std::vector<uint8_t>(4, 0x55));
    auto file = fliFile(kFliMagic, 4, 2, 2, {frame, fliFrame({fliChunk(kFliCopy, {3, 3, 3, 3})})});
    file.resize(file.size() - 2);
    Canvas fourth;
    fliOpen(writeTemp("cut.fli", file).c_str(), fourth.data());
    for (int i = 0; i < 4; ++i) fliNextFrame();
    EXPECT_EQ(fourth.rgba(0, 0), std::vector<uint8_t>({0, 0, 0, 255}));

    // A chunk count larger than the chunks present.
    auto overCount = fliFrame({fliChunk(kFliBlack, {})});
    overCount[6] = 40;
    Canvas fifth;
    fliOpen(writeTemp("count.fli", fliFile(kFliMagic, 2, 2, 2, {overCount})).c_str(), fifth.data());
    fliNextFrame();
    EXPECT_EQ(fifth.rgba(1, 1), std::vector<uint8_t>({0, 0, 0, 255}));
}

TEST(FliOpen, BadFilesEndTheProcessWithTheirMessages) {
    const std::string missing = (fs::path(testing::TempDir()) / "no_such.fli").string();
    auto result = runChild([&] { fliOpen(missing.c_str(), nullptr); });
    EXPECT_EQ(result.first, 1);
    EXPECT_EQ(result.second, "Wrong header\n");

    auto wrongMagic = fliFile(0x1234, 2, 2, 2, {});
    const std::string bad = writeTemp("magic.fli", wrongMagic);
    result = runChild([&] { fliOpen(bad.c_str(), nullptr); });
    EXPECT_EQ(result.first, 1);
    EXPECT_EQ(result.second, "Wrong header\n");

    const std::string shortFile = writeTemp("short.fli", {0, 0, 0, 0, 0x11, 0xAF});
    result = runChild([&] { fliOpen(shortFile.c_str(), nullptr); });
    EXPECT_EQ(result.first, 1);
    EXPECT_EQ(result.second, "Wrong header\n");

    // A pipe cannot seek back to the first frame.
    const std::string fifo = (fs::path(testing::TempDir()) / "fli_fifo").string();
    ::unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto header = fliFile(kFliMagic, 2, 2, 2, {});
    result = runChild([&] {
        std::thread writer([&] {
            FILE* f = std::fopen(fifo.c_str(), "wb");
            if (!f) return;
            std::fwrite(header.data(), 1, header.size(), f);
            std::fclose(f);
        });
        writer.detach();
        fliOpen(fifo.c_str(), nullptr);
    });
    ::unlink(fifo.c_str());
    EXPECT_EQ(result.first, 1);
    EXPECT_EQ(result.second, "Fseek read failed\n");
}
