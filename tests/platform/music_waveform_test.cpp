// decodeMusicWaveform: the length and the per-column envelope of a known sound, and refusals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/music_waveform.h"

namespace {

// A file name in the temporary folder of its own for this process.
std::string tempFile(const char* suffix) {
    return (std::filesystem::temp_directory_path() / ("music_waveform_" + std::to_string(::getpid()) + suffix)).string();
}

// A 16-bit stereo WAV file at 8000 Hz: one second of silence, then one second of a square wave
// of amplitude 0.5 on the left channel and -0.25..0.25 on the right.
void writeWav(const std::string& path) {
    constexpr int kRate = 8000;
    std::vector<int16_t> samples;
    for (int i = 0; i < 2 * kRate; ++i) {
        const int sign = (i / 20) % 2 ? 1 : -1;
        samples.push_back(static_cast<int16_t>(i < kRate ? 0 : sign * 16384));
        samples.push_back(static_cast<int16_t>(i < kRate ? 0 : -sign * 8192));
    }
    const auto bytes = static_cast<uint32_t>(samples.size() * 2);
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + bytes);
    out << "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(kRate);
    u32(kRate * 4);
    u16(4);
    u16(16);
    out << "data";
    u32(bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

TEST(MusicWaveform, GivesTheLengthAndEachColumnsExtremes) {
    const std::string path = tempFile(".wav");
    writeWav(path);
    MusicWaveform w;
    std::string error;
    ASSERT_TRUE(decodeMusicWaveform(path, 4, &w, &error)) << error;
    std::remove(path.c_str());
    EXPECT_NEAR(w.seconds, 2.0, 1e-9);
    ASSERT_EQ(w.low.size(), 4u);
    ASSERT_EQ(w.high.size(), 4u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(w.low[c], c < 2 ? 0.0f : -0.5f) << c;
        EXPECT_FLOAT_EQ(w.high[c], c < 2 ? 0.0f : 0.5f) << c;
    }

    EXPECT_FALSE(decodeMusicWaveform("/nonexistent/music.mp3", 4, &w, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    const std::string text = tempFile(".txt");
    std::ofstream(text) << "not a sound";
    EXPECT_FALSE(decodeMusicWaveform(text, 4, &w, &error));
    std::remove(text.c_str());
}

}  // namespace
