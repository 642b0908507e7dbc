// The AVI recorder: lossless round trips decoded back by ffmpeg, the temporary-name rule, failures
// that leave nothing behind, copied audio, and recording through the window.
#include "platform/recorder/avi_recorder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gl_test_support.h"
#include "platform/core/frame_client.h"
#include "platform/gl/gl_window.h"
#include "support/captured_message_boxes.h"

namespace fs = std::filesystem;

namespace {

// Runs a shell command and returns its standard output (binary-safe).
std::string capture(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int rc = pclose(pipe);
    if (status) *status = rc;
    return out;
}

// Every frame of the file as BGR bytes decoded by ffmpeg, flipped back to bottom row first.
std::string decodeBgr(const fs::path& file) {
    int status = -1;
    std::string bytes = capture("ffmpeg -v error -i '" + file.string() +
                                "' -vf vflip -f rawvideo -pix_fmt bgr24 - 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << "ffmpeg could not decode " << file;
    return bytes;
}

// A deterministic frame with every byte value in use, bottom row first.
std::string pattern(int w, int h, int frame) {
    std::string pixels(static_cast<size_t>(w) * h * 3, '\0');
    uint32_t s = 12345u + static_cast<uint32_t>(frame) * 7919u;
    for (char& b : pixels) {
        s = s * 214013u + 2531011u;
        b = static_cast<char>(s >> 16);
    }
    return pixels;
}

// Writes pattern frame f; returns writeFrame's result.
int writePattern(AviRecorder& recorder, int w, int h, int f) {
    const std::string frame = pattern(w, h, f);
    return recorder.writeFrame(reinterpret_cast<const uint8_t*>(frame.data()));
}

class AviRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("avi_recorder_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AviRecorderTest, LosslessCodecsRoundTripExactlyUnderTheTemporaryNameUntilFinished) {
    const int w = 37, h = 21;  // 111-byte rows: not a multiple of 4
    for (const std::string name : {"ffv1.avi", "rawvideo.avi", "utvideo.avi", "ffv1.mkv", "utvideo.mkv"}) {
        SCOPED_TRACE(name);
        const std::string codec = name.substr(0, name.find('.'));
        const fs::path file = dir_ / name;
        AviRecorder recorder;
        ASSERT_EQ(recorder.open(file.string(), w, h, 30, codec, "", 0.0), 0) << recorder.status();
        EXPECT_EQ(recorder.status(), "Ok");
        // Written under the temporary name until finished.
        EXPECT_TRUE(fs::exists(AviRecorder::temporaryNameFor(file.string())));
        EXPECT_FALSE(fs::exists(file));
        std::string expected;
        for (int f = 0; f < 4; ++f) {
            ASSERT_EQ(writePattern(recorder, w, h, f), 0) << recorder.status();
            expected += pattern(w, h, f);
        }
        EXPECT_EQ(recorder.finish(), 0);
        EXPECT_EQ(recorder.finish(), 0);  // again: nothing left to do
        EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(file.string())));
        ASSERT_TRUE(fs::exists(file));
        const std::string decoded = decodeBgr(file);
        EXPECT_TRUE(decoded == expected) << "decoded frames differ: " << decoded.size() << " bytes";
    }
    // A recording cut short without finish() is completed by the destructor.
    const fs::path cut = dir_ / "cut.avi";
    {
        AviRecorder recorder;
        ASSERT_EQ(recorder.open(cut.string(), 16, 16, 25, "ffv1", "", 0.0), 0);
        ASSERT_EQ(writePattern(recorder, 16, 16, 1), 0);
    }
    EXPECT_EQ(decodeBgr(cut), pattern(16, 16, 1));
    // The frame rate is the one asked for.
    const std::string rate = capture("ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 '" +
                                     (dir_ / "ffv1.avi").string() + "'");
    EXPECT_EQ(rate, "30/1\n");
}

TEST_F(AviRecorderTest, FailuresReportTheirReasonAndLeaveNoFile) {
    AviRecorder recorder;
    EXPECT_LT(writePattern(recorder, 8, 8, 0), 0);  // nothing open
    EXPECT_EQ(recorder.finish(), 0);

    const fs::path missingDir = dir_ / "no" / "such" / "dir" / "x.avi";
    EXPECT_LT(recorder.open(missingDir.string(), 8, 8, 30, "", "", 0.0), 0);
    EXPECT_EQ(recorder.status(), "AVI Engine failed to initialize. Check filename " + missingDir.string() +
                                     ".A disk error occurred while opening the file.");
    EXPECT_FALSE(recorder.isOpen());

    const fs::path file = dir_ / "x.avi";
    EXPECT_LT(recorder.open(file.string(), 8, 8, 30, "no-such-codec", "", 0.0), 0);
    EXPECT_EQ(recorder.status(), "AVI Compressed Stream creation failed. A suitable compressor cannot be found.");
    EXPECT_LT(recorder.open(file.string(), 8, 8, 30, "pcm_s16le", "", 0.0), 0);
    EXPECT_EQ(recorder.status().rfind("AVI Compressed Stream creation failed.Compression is not supported", 0), 0u);
    EXPECT_LT(recorder.open(file.string(), 0, 8, 30, "", "", 0.0), 0);
    EXPECT_EQ(recorder.status(), "AVI Stream creation failed. Check Bitmap info.");
    EXPECT_LT(recorder.open(file.string(), 8, 8, 30, "", (dir_ / "missing.mp3").string(), 0.0), 0);
    // A name of no known kind of video, and a codec its kind of file cannot hold.
    EXPECT_LT(recorder.open((dir_ / "x.webm").string(), 8, 8, 30, "", "", 0.0), 0);
    EXPECT_NE(recorder.status().find("use .avi, .mkv, .mp4 or .mov"), std::string::npos) << recorder.status();
    EXPECT_LT(recorder.open((dir_ / "x.mp4").string(), 8, 8, 30, "utvideo", "", 0.0), 0);
    EXPECT_NE(recorder.status().find(".mp4 file cannot hold utvideo"), std::string::npos) << recorder.status();
    EXPECT_LT(recorder.open((dir_ / "x.mkv").string(), 8, 8, 30, "rawvideo", "", 0.0), 0);
    EXPECT_NE(recorder.status().find(".mkv file cannot hold rawvideo"), std::string::npos) << recorder.status();
    EXPECT_TRUE(fs::is_empty(dir_));
    EXPECT_EQ(AviRecorder::checkOutput("a/b.MKV", "utvideo"), "");
    EXPECT_EQ(AviRecorder::checkOutput("a/b.mov", ""), "");
    EXPECT_NE(AviRecorder::checkOutput("a.mkv/b", "ffv1"), "");
    EXPECT_EQ(AviRecorder::defaultCodecFor("x.Mp4"), kDefaultShareCodec);
    EXPECT_EQ(AviRecorder::defaultCodecFor("x.mkv"), kDefaultAviCodec);
}

TEST_F(AviRecorderTest, AFailedFrameEndsTheFileWithTheFramesBeforeIt) {
    const fs::path file = dir_ / "tenth.avi";
    AviRecorder recorder;
    recorder.setFailingFrame(9);
    ASSERT_EQ(recorder.open(file.string(), 16, 8, 30, "", "", 0.0), 0) << recorder.status();
    for (int f = 0; f < 10; ++f) ASSERT_EQ(writePattern(recorder, 16, 8, f), 0);
    // The worker's failure refuses every frame handed over after it.
    recorder.waitForFrames();
    EXPECT_NE(writePattern(recorder, 16, 8, 10), 0);
    EXPECT_FALSE(recorder.isOpen());
    EXPECT_LT(recorder.finish(), 0);
    EXPECT_TRUE(recorder.fileKept());
    EXPECT_EQ(recorder.getFramesWritten(), 9);
    EXPECT_EQ(recorder.status().rfind("frame 10 could not be written", 0), 0u) << recorder.status();
    EXPECT_NE(recorder.status().find("holds the 9 frames"), std::string::npos) << recorder.status();
    std::string expected;
    for (int f = 0; f < 9; ++f) expected += pattern(16, 8, f);
    EXPECT_EQ(decodeBgr(file), expected);
    EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(file.string())));
}

TEST_F(AviRecorderTest, AFailedRenameKeepsTheFinishedFileUnderItsTemporaryName) {
    // The final name is taken by a folder that cannot be replaced.
    const fs::path file = dir_ / "taken.avi";
    fs::create_directories(file / "inside");
    AviRecorder recorder;
    ASSERT_EQ(recorder.open(file.string(), 16, 8, 30, "", "", 0.0), 0) << recorder.status();
    for (int f = 0; f < 4; ++f) ASSERT_EQ(writePattern(recorder, 16, 8, f), 0);
    EXPECT_LT(recorder.finish(), 0);
    EXPECT_TRUE(recorder.partialKept());
    EXPECT_FALSE(recorder.fileKept());
    const std::string temp = AviRecorder::temporaryNameFor(file.string());
    EXPECT_EQ(recorder.status().rfind("AVI file could not be renamed to " + file.string(), 0), 0u) << recorder.status();
    EXPECT_NE(recorder.status().find("the recording is in " + temp), std::string::npos) << recorder.status();
    std::string expected;
    for (int f = 0; f < 4; ++f) expected += pattern(16, 8, f);
    EXPECT_EQ(decodeBgr(temp), expected);
}

TEST(AviRecorderNames, PartsAreNumberedBeforeTheExtension) {
    EXPECT_EQ(AviRecorder::partNameFor("Untitled.avi", 1), "Untitled.avi");
    EXPECT_EQ(AviRecorder::partNameFor("Untitled.avi", 2), "Untitled_002.avi");
    EXPECT_EQ(AviRecorder::partNameFor("c:\\shows\\x.y.avi", 12), "c:\\shows\\x.y_012.avi");
    EXPECT_EQ(AviRecorder::partNameFor("a.d/noext", 3), "a.d/noext_003");
    EXPECT_EQ(AviRecorder::partNameFor("dir/.avi", 2), "dir/.avi_002");
    EXPECT_EQ(AviRecorder::partNameFor("x.avi", 1000), "x_1000.avi");
}

TEST_F(AviRecorderTest, CopiesMp3AudioFromTheStartPosition) {
    const fs::path mp3 = dir_ / "tone.mp3";
    int status = -1;
    // 1.5 s of silence, then 1.5 s of a tone.
    capture("ffmpeg -v error -f lavfi -i anullsrc=r=44100:cl=mono:d=1.5 -f lavfi -i sine=f=440:r=44100:d=1.5 "
            "-filter_complex concat=n=2:v=0:a=1 -c:a libmp3lame -b:a 64k '" + mp3.string() + "' 2>&1",
            &status);
    ASSERT_EQ(status, 0) << "could not make the test MP3";

    const fs::path file = dir_ / "with_audio.avi";
    AviRecorder recorder;
    ASSERT_EQ(recorder.open(file.string(), 32, 18, 30, "ffv1", mp3.string(), 1.5), 0) << recorder.status();
    for (int f = 0; f < 30; ++f) ASSERT_EQ(writePattern(recorder, 32, 18, f), 0);
    ASSERT_EQ(recorder.finish(), 0) << recorder.status();

    const std::string streams =
        capture("ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 '" + file.string() + "'");
    EXPECT_NE(streams.find("ffv1,video"), std::string::npos) << streams;
    EXPECT_NE(streams.find("mp3,audio"), std::string::npos) << streams;
    // About one second of the remaining 1.5 s of audio: it ends with the video.
    const double seconds = std::stod(capture("ffprobe -v error -select_streams a:0 -show_entries packet=duration_time "
                                             "-of csv=p=0 '" + file.string() + "' | awk '{s += $1} END {print s + 0}'"));
    EXPECT_NEAR(seconds, 1.0, 0.1);
    // And it is the tone, not the silence before the start position.
    const std::string volume = capture("ffmpeg -i '" + file.string() +
                                       "' -map 0:a -af volumedetect -f null - 2>&1 | grep -o 'max_volume: [-0-9.]*'");
    ASSERT_EQ(volume.rfind("max_volume: ", 0), 0u) << volume;
    EXPECT_GT(std::stod(volume.substr(12)), -20.0) << volume;
}

// Clears its picture to one colour, with the last column red over the picture rows.
class StripeClient : public FrameClient {
public:
    int renderFrame(int width, int, int) override {
        glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(width - 1, 0, 1, kPictureRows);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        return 0;
    }
    void start() override {}
    int getShowTime() override { return 0; }
    static constexpr int kPictureRows = 20;  // of 21 at 37 x 21: the top bar is one row
};

TEST_F(AviRecorderTest, WindowRecordsWhatItDrawsTightlyPackedAtAnOddWidth) {
    const int w = 37, h = 21;
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, w, h);
    StripeClient client;
    GLWindow window(context.surface());
    window.setPlayer(&client);
    ASSERT_EQ(window.openWindow("Test", w, h, 32, false), 1);
    const fs::path file = dir_ / "window.avi";
    window.recorder().setFileName(file.string());
    window.recorder().setCodec("rawvideo");
    for (int i = 0; i < 6; ++i) window.drawFrame();  // past the letterbox's first frames

    const auto* buffer = static_cast<const uint8_t*>(window.startRecording());
    ASSERT_NE(buffer, nullptr);
    // Blue, green, red bytes, bottom row first, no padding between rows.
    std::string frame;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame += y >= StripeClient::kPictureRows ? std::string(3, '\0')
                     : x == w - 1                    ? std::string("\0\0\xff", 3)
                                                     : std::string("\xbf\x80\x40");
    for (int f = 0; f < 3; ++f) {
        ASSERT_EQ(window.drawFrame([&] { return window.captureFrame(); }), 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), frame.size()), frame) << f;
    }
    window.stopRecording();
    EXPECT_EQ(decodeBgr(file), frame + frame + frame);

    // An unusable file name: the box, and the show goes on without recording.
    CapturedMessageBoxes boxes;
    window.recorder().setFileName((dir_ / "missing" / "x.avi").string());
    EXPECT_NE(window.startRecording(), nullptr);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "error init avi");
    EXPECT_EQ(boxes.calls()[0].caption, "");
    EXPECT_NE(window.captureFrame(), 0);
    window.stopRecording();
}

}  // namespace
