// The sound calls on SDL2_mixer with the dummy audio driver: a paused start that waits for the
// first unpause, and silence (never a failure) for missing or unreadable music or no audio.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/fsound.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

// Half a second of 16-bit mono silence as a WAV file.
std::string writeWav(const std::string& name) {
    const uint32_t samples = 22050;
    std::vector<uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + samples * 2);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);
    put16(b, 1);
    put32(b, 44100);
    put32(b, 88200);
    put16(b, 2);
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, samples * 2);
    b.resize(b.size() + samples * 2, 0);
    const fs::path path = fs::path(testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return path.string();
}

class FSoundTest : public testing::Test {
protected:
    void SetUp() override {
        const char* driver = std::getenv("SDL_AUDIODRIVER");
        previous_ = driver ? driver : "";
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override {
        FSOUND_Close();
        if (previous_.empty()) unsetenv("SDL_AUDIODRIVER");
        else setenv("SDL_AUDIODRIVER", previous_.c_str(), 1);
    }
    std::string previous_;
};

}  // namespace

TEST_F(FSoundTest, PausedStartWaitsForTheFirstUnpause) {
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
}

TEST_F(FSoundTest, Mp3StreamStartsAtTheGivenPosition) {
    const fs::path mp3 = fs::path(testing::TempDir()) / "music_tone.mp3";
    const std::string make = "ffmpeg -v quiet -y -f lavfi -i sine=frequency=440:duration=3 -c:a libmp3lame '" +
                             mp3.string() + "'";
    if (std::system(make.c_str()) != 0 || !fs::exists(mp3)) GTEST_SKIP() << "no MP3 encoder";
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(mp3.string().c_str(), 0x20130, 0);
    ASSERT_NE(stream, nullptr);
    const int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 1500), 1);
    EXPECT_EQ(FSOUND_SetPaused(channel, 0), 1);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(FSOUND_Stream_SetTime(stream, 0), 1);  // seeking a playing stream
    EXPECT_EQ(FSOUND_Stream_Close(stream), 1);
}

TEST_F(FSoundTest, MissingOrUnreadableMusicPlaysNothing) {
    ASSERT_EQ(FSOUND_Init(44100, 32, 0), 1);
    const std::string missing = (fs::path(testing::TempDir()) / "absent.mp3").string();
    EXPECT_EQ(FSOUND_Stream_OpenFile(missing.c_str(), 0x20130, 0), nullptr);
    const fs::path junk = fs::path(testing::TempDir()) / "junk.mp3";
    std::ofstream(junk, std::ios::binary) << "this is not music at all";
    EXPECT_EQ(FSOUND_Stream_OpenFile(junk.string().c_str(), 0x20130, 0), nullptr);
    // Every call accepts the null handle and the channel -1 it leads to.
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, nullptr, nullptr, 1), -1);
    EXPECT_EQ(FSOUND_SetPaused(-1, 1), 0);
    EXPECT_EQ(FSOUND_Stream_SetTime(nullptr, 0), 0);
    EXPECT_EQ(FSOUND_SetPaused(-1, 0), 0);
    EXPECT_EQ(FSOUND_Stream_Close(nullptr), 0);
}

TEST_F(FSoundTest, WithoutAnAudioDeviceEveryCallIsSilent) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(FSOUND_Init(44100, 32, 0), 0);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile(writeWav("music_no_device.wav").c_str(), 0x20130, 0);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1), -1);
    EXPECT_EQ(FSOUND_SetPaused(0, 0), 0);
    FSOUND_Close();
}
