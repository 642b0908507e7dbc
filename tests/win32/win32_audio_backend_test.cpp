// The Windows music backend: the system's MP3 codec decodes the sample show's music to PCM of the
// file's length, and inputs that are not MP3 are refused without a crash.
#include "platform/win32/win32_audio_backend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/message_box.h"
#include "platform/audio/fsound.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(Win32AudioBackend, DecodesTheSampleMusicToItsLength) {
    const fs::path music = fs::path(DEMO_SAMPLE_SHOW_DIR) / "music.mp3";
    if (!fs::exists(music)) GTEST_SKIP() << "no sample show at " << music;
    const std::vector<uint8_t> bytes = readFile(music);
    Win32AudioBackend::Pcm pcm;
    ASSERT_TRUE(Win32AudioBackend::decodeMp3(bytes.data(), bytes.size(), pcm));
    EXPECT_EQ(pcm.rate, 44100);
    ASSERT_GT(pcm.channels, 0);
    // make_show encodes at a constant 192 kbit/s: the duration is the size over that rate.
    const double seconds = static_cast<double>(pcm.bytes.size()) / (pcm.rate * pcm.channels * 2);
    const double expected = static_cast<double>(bytes.size()) * 8 / 192000.0;
    EXPECT_NEAR(seconds, expected, 1.0);
    // Not silence.
    int loud = 0;
    for (size_t i = 0; i + 1 < pcm.bytes.size(); i += 2)
        if (static_cast<int16_t>(pcm.bytes[i] | (pcm.bytes[i + 1] << 8)) > 4000) ++loud;
    EXPECT_GT(loud, 1000);

    // The first 50 kB alone: a short piece, no more.
    Win32AudioBackend::Pcm head;
    ASSERT_TRUE(Win32AudioBackend::decodeMp3(bytes.data(), 50000, head));
    EXPECT_LT(head.bytes.size(), pcm.bytes.size() / 10);
}

TEST(Win32AudioBackend, RefusesWhatIsNotMp3) {
    Win32AudioBackend::Pcm pcm;
    EXPECT_FALSE(Win32AudioBackend::decodeMp3(nullptr, 0, pcm));
    std::vector<uint8_t> noise(20000);
    uint32_t s = 7;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((s = s * 214013u + 2531011u) >> 16);
    for (uint8_t& b : noise)
        if (b == 0xFF) b = 0xFE;  // no frame sync anywhere
    EXPECT_FALSE(Win32AudioBackend::decodeMp3(noise.data(), noise.size(), pcm));
    // An ID3 tag that claims more than the file holds.
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    EXPECT_FALSE(Win32AudioBackend::decodeMp3(tag.data(), tag.size(), pcm));

    // Through the sound library calls: a missing file is no stream, and the calls stay harmless.
    // Playing without music is said in one report line (the program has no terminal to say it
    // on): no wave output, or no music.
    static std::vector<std::string> lines;
    lines.clear();
    const ReportLineSink previousSink = setReportLineSink([](const char* line) { lines.emplace_back(line); });
    Win32AudioBackend backend;
    AudioBackend* previous = setAudioBackend(&backend);
    FSOUND_Init(44100, 32, 0);
    FSOUND_STREAM* stream = FSOUND_Stream_OpenFile("no_such_music.mp3", 0x20130, 0);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_PlayEx(-1, stream, nullptr, 1), -1);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    FSOUND_Close();
    setAudioBackend(previous);
    setReportLineSink(previousSink);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0] == "No sound device (no wave output): playing without music." ||
                lines[0] == "no_such_music.mp3 cannot be read: playing without music.")
        << lines[0];
}
