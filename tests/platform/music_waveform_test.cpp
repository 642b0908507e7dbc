// decodeMusicWaveform: the length and the per-column envelope of a known sound, and refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/posix/music_waveform.h"
#include "support/test_bytes.h"

namespace {

// A 16-bit stereo WAV file at 8000 Hz: one second of silence, then one second of a square wave
// of amplitude 0.5 on the left channel and -0.25..0.25 on the right.
std::vector<uint8_t> testWav() {
    std::vector<int16_t> samples;
    for (int i = 0; i < 16000; ++i) {
        const int sign = (i / 20) % 2 ? 1 : -1;
        samples.push_back(static_cast<int16_t>(i < 8000 ? 0 : sign * 16384));
        samples.push_back(static_cast<int16_t>(i < 8000 ? 0 : -sign * 8192));
    }
    return wavBytes(8000, 2, samples);
}

TEST(MusicWaveform, GivesTheLengthAndEachColumnsExtremes) {
    MusicWaveform w;
    std::string error;
    ASSERT_TRUE(decodeMusicWaveform(writeTemp("music_waveform.wav", testWav()), 4, &w, &error)) << error;
    EXPECT_NEAR(w.seconds, 2.0, 1e-9);
    ASSERT_EQ(w.low.size(), 4u);
    ASSERT_EQ(w.high.size(), 4u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_FLOAT_EQ(w.low[c], c < 2 ? 0.0f : -0.5f) << c;
        EXPECT_FLOAT_EQ(w.high[c], c < 2 ? 0.0f : 0.5f) << c;
    }

    EXPECT_FALSE(decodeMusicWaveform("/nonexistent/music.mp3", 4, &w, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_FALSE(decodeMusicWaveform(writeTemp("music_waveform.txt", {'n', 'o', 't'}), 4, &w, &error));
}

}  // namespace
