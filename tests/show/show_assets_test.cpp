// The show's generated assets against the player's own decoders: the FLC writer's files play
// back frame for frame through the FLI/FLC decoder, packed frames expand to the pictures they
// were made from, and the music carries a beat on the 16-frames-per-beat grid the cuts use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/packed_frame.h"
#include "show/show_test_util.h"
#include "tools/make_show/artwork.h"
#include "tools/make_show/flc_writer.h"
#include "tools/make_show/music.h"
#include "tools/make_show/show_timing.h"

namespace {

// Plays a written FLC file through the player's decoder and compares every decoded frame with
// the picture it was encoded from (the decoder shows frames 0 .. n-2, one per call).
void expectPlaysBack(const FlcAnimation& animation, const std::string& path) {
    ASSERT_TRUE(writeFlc(animation, path));
    std::vector<uint8_t> pixels(kFrameBufferBytes, 0);
    fliOpen(path.c_str(), pixels.data());
    ASSERT_EQ(fliFrameCount(), static_cast<int>(animation.frames.size()));
    ASSERT_EQ(fliWidth(), animation.width);
    ASSERT_EQ(fliHeight(), animation.height);
    for (size_t f = 0; f + 1 < animation.frames.size(); ++f) {
        fliNextFrame();
        int wrong = 0;
        for (int y = 0; y < animation.height; ++y)
            for (int x = 0; x < animation.width; ++x) {
                const uint8_t index = animation.frames[f][static_cast<size_t>(y) * animation.width + x];
                const uint8_t* px = pixels.data() + (static_cast<size_t>(y) * kFrameBufferSide + x) * 4;
                for (int c = 0; c < 3; ++c) wrong += px[c] != animation.palette[3 * index + c];
            }
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
    fliClose();
}

}  // namespace

TEST(ShowAssets, SpinnerFlcPlaysBackThroughTheDecoder) {
    TempFolder folder;
    expectPlaysBack(makeSpinnerAnimation(), folder.path() + "/spinner.flc");
}

TEST(ShowAssets, FlcWriterHandlesBusyLinesSkippedLinesAndLongGaps) {
    // A line whose runs and literals alternate needs more than 255 packets; the next frame
    // changes two far-apart pixels of one line, leaves lines untouched and repaints others.
    FlcAnimation a;
    a.width = 1024;
    a.height = 6;
    for (int i = 0; i < 256; ++i) {
        a.palette[3 * i] = static_cast<uint8_t>(i);
        a.palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        a.palette[3 * i + 2] = static_cast<uint8_t>(i * 7);
    }
    std::vector<uint8_t> first(1024 * 6, 9);
    for (int x = 0; x < 1024; ++x) first[x] = (x % 4 == 0) ? static_cast<uint8_t>(x / 4) : 200;
    std::vector<uint8_t> second = first;
    second[2 * 1024 + 3] = 77;
    second[2 * 1024 + 1000] = 78;
    for (int x = 0; x < 1024; ++x) second[5 * 1024 + x] = static_cast<uint8_t>(x % 3 == 0 ? 5 : 6);
    a.frames = {first, second, second};
    TempFolder folder;
    expectPlaysBack(a, folder.path() + "/busy.flc");
    EXPECT_GT(encodeByteRun(first, 1024, 6).size(), 1024u) << "the busy line is stored";
}

TEST(ShowAssets, WipeFramesExpandToTheirPictures) {
    std::vector<uint8_t> pixels(kFrameBufferBytes);
    for (int f : {0, 9, kWipeFrames / 2, kWipeFrames - 1}) {
        IndexedPicture picture = makeWipeFrame(f, kWipeFrames);
        std::vector<uint8_t> packed = encodePackedFrame(picture);
        ASSERT_EQ(decodePackedFrame(packed.data(), pixels.data(), static_cast<int>(packed.size())), kFrameBufferPixels);
        int wrong = 0;
        for (size_t i = 0; i < picture.indices.size(); ++i)
            wrong += std::memcmp(pixels.data() + 4 * i, picture.palette + 4 * picture.indices[i], 4) != 0;
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
    // Half-way the picture is fully covered; the last frame leaves it clear.
    IndexedPicture closed = makeWipeFrame(kWipeFrames / 2, kWipeFrames);
    EXPECT_EQ(std::count(closed.indices.begin(), closed.indices.end(), 0), 0);
    IndexedPicture open = makeWipeFrame(kWipeFrames - 1, kWipeFrames);
    EXPECT_EQ(std::count(open.indices.begin(), open.indices.end(), 0), static_cast<long>(open.indices.size()));
}

TEST(ShowAssets, MusicHasAKickOnEveryBeatOfTheGrooveAndLastsTheShow) {
    const std::vector<int16_t> music = synthesizeMusic();
    EXPECT_GE(musicSeconds(), kShowFrames * kSecondsPerFrame);
    ASSERT_EQ(music.size(), 2 * static_cast<size_t>(musicSeconds() * kMusicSampleRate));
    auto energy = [&](double from, double to) {
        size_t a = static_cast<size_t>(from * kMusicSampleRate), b = static_cast<size_t>(to * kMusicSampleRate);
        double sum = 0;
        for (size_t i = a; i < b; ++i) sum += std::pow(music[2 * i] / 32768.0, 2);
        return sum / static_cast<double>(b - a);
    };
    // Bars 4 to 29 have a kick on every beat (but for the two snare fills); it lands on the beat.
    int beats = 0, onBeat = 0;
    for (int bar = 4; bar < 30; ++bar)
        for (int beat = 0; beat < 4; ++beat) {
            if ((bar == 19 || bar == 27) && beat >= 2) continue;
            const double t = barFrame(bar, beat) * kSecondsPerFrame;
            ++beats;
            if (energy(t, t + 0.03) > 2.0 * energy(t - 0.06, t - 0.01)) ++onBeat;
        }
    EXPECT_EQ(onBeat, beats);
}

TEST(ShowAssets, Mp3FileIsWrittenWithAnInfoFrame) {
    TempFolder folder;
    std::vector<int16_t> tone(2 * kMusicSampleRate);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(8000 * std::sin(i * 0.05));
    const std::string path = folder.path() + "/tone.mp3";
    std::string error;
    ASSERT_TRUE(writeMp3(tone, path, &error)) << error;
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(4096);
    const size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    ASSERT_GT(n, 64u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1] & 0xE0, 0xE0) << "an MPEG frame header first";
    const std::string head(bytes.begin(), bytes.begin() + n);
    EXPECT_TRUE(head.find("Info") != std::string::npos || head.find("Xing") != std::string::npos);
    // One second at 192 kbit/s: about 24 kB.
    EXPECT_GT(size, 20000);
    EXPECT_LT(size, 40000);
    EXPECT_FALSE(writeMp3(tone, folder.path() + "/missing/dir/tone.mp3", &error));
}
