// The recorder on Video for Windows: uncompressed files of the expected size, a second recording
// replacing the first under the same name, failures that leave nothing behind, a failed frame or
// a failed rename that keep the frames written, and a recording numbered over several files past
// the file limit. The files it keeps under <build>/win32_avi are then read by ffprobe and ffmpeg
// (tests/windows/recorder_probe.sh).
#include "platform/recorder/avi_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace fs = std::filesystem;

namespace {

fs::path outputFolder() {
    const fs::path folder = fs::path(DEMO_BINARY_DIR) / "win32_avi";
    fs::create_directories(folder);
    return folder;
}

// A w x h frame, bottom row first: the lower half blue, the upper half red, a green column at x 0.
std::vector<uint8_t> halves(int w, int h) {
    std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = y < h / 2 ? 255 : 0;
            p[1] = x == 0 ? 255 : 0;
            p[2] = y < h / 2 ? 0 : 255;
        }
    return bgr;
}

// Records frames of w x h to path with the default (uncompressed) codec; finish's result.
int record(const fs::path& path, int w, int h, int frames) {
    AviRecorder recorder;
    recorder.setFileName(path.string());
    EXPECT_EQ(recorder.open(w, h), 0) << recorder.status();
    EXPECT_EQ(recorder.status(), "Ok");
    const std::vector<uint8_t> frame = halves(w, h);
    for (int i = 0; i < frames; ++i) EXPECT_EQ(recorder.writeFrame(frame.data()), 0) << recorder.status();
    EXPECT_EQ(recorder.getFrameIndex(), frames);
    EXPECT_TRUE(fs::exists(AviRecorder::temporaryNameFor(path.string())));
    return recorder.finish();
}

}  // namespace

TEST(AviRecorderVfw, WritesUncompressedFramesUnderTheFinalName) {
    // 160 x 90: rows of 480 bytes; 75 x 40: rows of 225 bytes padded to 228.
    for (auto [w, h, frames] : {std::tuple{160, 90, 5}, std::tuple{75, 40, 3}}) {
        const fs::path path = outputFolder() / ("frames_" + std::to_string(w) + "x" + std::to_string(h) + ".avi");
        fs::remove(path);
        ASSERT_EQ(record(path, w, h, frames), 0);
        ASSERT_TRUE(fs::exists(path));
        EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(path.string())));
        const uintmax_t frameBytes = static_cast<uintmax_t>((w * 24 + 31) / 32 * 4) * h;
        EXPECT_GE(fs::file_size(path), frames * frameBytes);
        EXPECT_LT(fs::file_size(path), frames * frameBytes + 16384);
    }
}

TEST(AviRecorderVfw, SecondRecordingReplacesTheFirst) {
    const fs::path path = outputFolder() / "replaced.avi";
    fs::remove(path);
    ASSERT_EQ(record(path, 64, 32, 8), 0);
    const uintmax_t first = fs::file_size(path);
    ASSERT_EQ(record(path, 64, 32, 2), 0);
    EXPECT_LT(fs::file_size(path), first);
    EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(path.string())));
}

TEST(AviRecorderVfw, FailuresReportAndLeaveNothing) {
    const fs::path path = outputFolder() / "failed.avi";
    fs::remove(path);
    AviRecorder recorder;
    recorder.setFileName(path.string());
    const std::vector<uint8_t> frame = halves(32, 16);
    EXPECT_NE(recorder.writeFrame(frame.data()), 0);  // nothing open

    recorder.setCodec("ZZZZ");  // no such compressor
    EXPECT_LT(recorder.open(32, 16), 0);
    EXPECT_EQ(recorder.status().rfind("AVI Compressed Stream creation failed.", 0), 0u) << recorder.status();
    EXPECT_FALSE(recorder.isOpen());
    EXPECT_NE(recorder.writeFrame(frame.data()), 0);

    recorder.setCodec("");
    recorder.setFileName((outputFolder() / "no_such_folder" / "x.avi").string());
    EXPECT_LT(recorder.open(32, 16), 0);
    EXPECT_EQ(recorder.status().rfind("AVI Engine failed to initialize. Check filename ", 0), 0u) << recorder.status();

    recorder.setFileName(path.string());
    EXPECT_NE(recorder.open(0, 16), 0);
    EXPECT_EQ(recorder.status(), "AVI Stream creation failed. Check Bitmap info.");
    EXPECT_EQ(recorder.finish(), 0);  // nothing open: nothing to finish
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(path.string())));
}

TEST(AviRecorderVfw, AFailedFrameEndsTheFileWithTheFramesBeforeIt) {
    const fs::path path = outputFolder() / "tenth_fails.avi";
    fs::remove(path);
    AviRecorder recorder;
    recorder.setFileName(path.string());
    recorder.setFailingFrame(9);
    ASSERT_EQ(recorder.open(64, 32), 0) << recorder.status();
    const std::vector<uint8_t> frame = halves(64, 32);
    for (int i = 0; i < 9; ++i) ASSERT_EQ(recorder.writeFrame(frame.data()), 0) << recorder.status();
    EXPECT_NE(recorder.writeFrame(frame.data()), 0);
    EXPECT_FALSE(recorder.isOpen());
    EXPECT_NE(recorder.writeFrame(frame.data()), 0);  // nothing is taken after a failure
    EXPECT_LT(recorder.finish(), 0);
    EXPECT_TRUE(recorder.fileKept());
    EXPECT_FALSE(recorder.partialKept());
    EXPECT_EQ(recorder.getFramesWritten(), 9);
    EXPECT_EQ(recorder.status().rfind("frame 10 could not be written: 0x", 0), 0u) << recorder.status();
    EXPECT_NE(recorder.status().find("the file holds the 9 frames written before it"), std::string::npos)
        << recorder.status();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(path.string())));
}

TEST(AviRecorderVfw, AFailedRenameKeepsTheFileUnderItsTemporaryNameAndSaysSo) {
    // The earlier recording still open in a player that shares it with nobody.
    const fs::path path = outputFolder() / "held_open.avi";
    const std::string temp = AviRecorder::temporaryNameFor(path.string());
    fs::remove(path);
    fs::remove(temp);
    HANDLE held = CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    AviRecorder recorder;
    recorder.setFileName(path.string());
    ASSERT_EQ(recorder.open(64, 32), 0) << recorder.status();
    const std::vector<uint8_t> frame = halves(64, 32);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(recorder.writeFrame(frame.data()), 0) << recorder.status();
    EXPECT_LT(recorder.finish(), 0);
    CloseHandle(held);
    EXPECT_TRUE(recorder.partialKept());
    EXPECT_FALSE(recorder.fileKept());
    EXPECT_EQ(recorder.getFramesWritten(), 4);
    EXPECT_EQ(recorder.status().rfind("AVI file could not be renamed to " + path.string(), 0), 0u) << recorder.status();
    EXPECT_NE(recorder.status().find("the recording is in " + temp), std::string::npos) << recorder.status();
    ASSERT_TRUE(fs::exists(temp));
    EXPECT_EQ(fs::file_size(path), 0u);  // the held file is left as it was
    EXPECT_GE(fs::file_size(temp), 4u * 64 * 32 * 3);
}

TEST(AviRecorderVfw, PastTheFileLimitTheRecordingGoesOnInNumberedFiles) {
    const fs::path path = outputFolder() / "long.avi";
    for (int part = 1; part <= 4; ++part) fs::remove(AviRecorder::partNameFor(path.string(), part));
    AviRecorder recorder;
    recorder.setFileName(path.string());
    const uintmax_t frameBytes = 64 * 32 * 3;
    recorder.setFileByteLimit(static_cast<int64_t>(3 * frameBytes));  // three frames a file
    ASSERT_EQ(recorder.open(64, 32), 0) << recorder.status();
    const std::vector<uint8_t> frame = halves(64, 32);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(recorder.writeFrame(frame.data()), 0) << i << ": " << recorder.status();
    EXPECT_EQ(recorder.finish(), 0) << recorder.status();
    EXPECT_TRUE(recorder.fileKept());
    EXPECT_EQ(recorder.getFramesWritten(), 8);
    const int expectedFrames[] = {3, 3, 2};
    for (int part = 1; part <= 3; ++part) {
        const std::string name = AviRecorder::partNameFor(path.string(), part);
        ASSERT_TRUE(fs::exists(name)) << name;
        EXPECT_FALSE(fs::exists(AviRecorder::temporaryNameFor(name))) << name;
        EXPECT_GE(fs::file_size(name), expectedFrames[part - 1] * frameBytes) << name;
        EXPECT_LT(fs::file_size(name), expectedFrames[part - 1] * frameBytes + 16384) << name;
    }
    EXPECT_FALSE(fs::exists(AviRecorder::partNameFor(path.string(), 4)));
}
