// The sound calls on SDL2_mixer with the dummy audio driver: a paused start that waits for the
// first unpause, and silence (never a failure) for missing or unreadable music or no audio.
#include "platform/audio/fsound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/core/clock.h"
#include "platform/null/null_audio_backend.h"
#include "platform/posix/sdl_audio_backend.h"
#include "support/test_bytes.h"

namespace {

namespace fs = std::filesystem;

// Half a second of 16-bit mono silence as a WAV file.
std::string writeWav(const std::string& name) { return writeTemp(name, wavBytes(44100, 1, std::vector<int16_t>(22050))); }

// Every test runs on SDL's dummy audio driver, and leaves it set.
class SdlAudioTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        previous_ = setAudioBackend(&sdl_);
    }
    void TearDown() override {
        FSOUND_Close();
        setAudioBackend(previous_);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    SdlAudioBackend sdl_;
    AudioBackend* previous_ = nullptr;
};

}  // namespace

TEST_F(SdlAudioTest, PausedStartWaitsForTheFirstUnpause) {
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(writeWav("music_test.wav").c_str(), 0x20130, 0);
    ASSERT_NE(stream, nullptr);
    const int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(Mix_PlayingMusic(), 0);  // nothing sounds before the unpause
    EXPECT_EQ(FSOUND_SetPaused(channel, 1), 1);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 0), 1);
    EXPECT_EQ(FSOUND_SetPaused(channel, 0), 1);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(Mix_PausedMusic(), 0);
    EXPECT_EQ(FSOUND_SetPaused(channel, 1), 1);
    EXPECT_EQ(Mix_PausedMusic(), 1);
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    // An MP3 stream starts at the position set, and seeks while playing.
    const fs::path mp3 = fs::path(testing::TempDir()) / "music_tone.mp3";
    const std::string make =
        "ffmpeg -v quiet -y -f lavfi -i sine=frequency=440:duration=3 -c:a libmp3lame '" + mp3.string() + "'";
    if (std::system(make.c_str()) != 0 || !fs::exists(mp3)) GTEST_SKIP() << "no MP3 encoder";
    stream = FSOUND_Stream_OpenFile(mp3.string().c_str(), 0x20130, 0);
    ASSERT_NE(stream, nullptr);
    const int mp3Channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 1500), 1);
    EXPECT_EQ(FSOUND_SetPaused(mp3Channel, 0), 1);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 0), 1);
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
}

TEST_F(SdlAudioTest, MissingOrUnreadableMusicOrNoDevicePlaysNothing) {
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    EXPECT_EQ(FSOUND_Stream_OpenFile((testing::TempDir() + "/absent.mp3").c_str(), 0x20130, 0), nullptr);
    const std::string junk = writeTemp("junk.mp3", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c'});
    EXPECT_EQ(FSOUND_Stream_OpenFile(junk.c_str(), 0x20130, 0), nullptr);
    // Every call accepts the null handle and the channel -1 it leads to.
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, nullptr, nullptr, 1), -1);
    EXPECT_EQ(FSOUND_SetPaused(-1, 1), 0);
    EXPECT_EQ(FSOUND_Stream_SetTime(nullptr, 0), 0);
    EXPECT_EQ(FSOUND_SetPaused(-1, 0), 0);
    EXPECT_EQ(FSOUND_Stream_Close(nullptr), 0);
    FSOUND_Close();

    // Without an audio device nothing opens and every call is silent.
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    EXPECT_EQ(FSOUND_Stream_OpenFile(writeWav("music_no_device.wav").c_str(), 0x20130, 0), nullptr);
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, nullptr, nullptr, 1), -1);
    EXPECT_EQ(FSOUND_SetPaused(0, 0), 0);
}

TEST(NullAudio, KeepsTheSetPositionAndRunsWithTheShowClockWhileUnpaused) {
    NullAudioBackend silence;
    AudioBackend* previous = setAudioBackend(&silence);
    ManualClock clock(1000);
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    EXPECT_EQ(FSOUND_Stream_OpenFile((testing::TempDir() + "/absent.mp3").c_str(), 0x20130, 0), nullptr);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(writeWav("music_null.wav").c_str(), 0x20130, 0);
    ASSERT_NE(stream, nullptr);
    const int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1);
    EXPECT_EQ(channel, 0);
    clock.advance(500);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);  // paused start: time stands still
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 2000), 1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 2000);
    EXPECT_EQ(FSOUND_SetPaused(channel, 0), 1);
    clock.advance(250);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 2250);
    EXPECT_EQ(FSOUND_SetPaused(channel, 1), 1);
    clock.advance(1000);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 2250);
    EXPECT_EQ(FSOUND_SetPaused(channel, 0), 1);
    clock.advance(300);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 100), 1);  // a seek while running restarts from there
    clock.advance(40);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 140);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, -500), 1);  // before the start: the start
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
    EXPECT_EQ(FSOUND_SetPaused(channel, 1), 0);  // nothing is on the channel any more
    FSOUND_Close();
    setAudioBackend(previous);
}
