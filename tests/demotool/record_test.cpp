// End-to-end checks of demotool record and snapshot on the test show: what ffprobe and ffmpeg
// find in the files, decoded frames against snapshots of the same instants and against partial
// recordings, the letterbox, the music's position, interruption and failures.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "demotool_runner.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
constexpr size_t kFrameBytes = static_cast<size_t>(kW) * kH * 3;
constexpr int kBar = 30;  // 320 x 240 letterboxed to 16:9: a 180-row picture with 30-row bars

// Mean volume (dB) of the first seconds of a file's audio.
double meanVolume(const std::string& file, double seconds, const std::string& scratch) {
    const RunResult r = runShell("ffmpeg -hide_banner -nostats -i " + shellQuote(file) + " -map 0:a:0 -t " +
                                     std::to_string(seconds) + " -af volumedetect -f null -",
                                 scratch);
    const size_t at = r.err.find("mean_volume:");
    return at == std::string::npos ? 1e9 : std::stod(r.err.substr(at + 12));
}

// The test show with its music, recorded whole at 320 x 240 (30 fps) once for the suite.
class DemotoolShow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch_ = new ScratchDir();
        show_ = at("show");
        std::filesystem::create_directories(show_);
        ready_ = writePack(show_ + "/data.pak", testShowStream());
        // Music: silence for 1.5 s, then a tone, so its position in a recording can be heard.
        runShell("ffmpeg -v error -y -f lavfi -i 'aevalsrc=if(lt(t\\,1.5)\\,0\\,0.5*sin(2*PI*440*t)):s=44100:d=5' "
                 "-c:a libmp3lame -b:a 64k " + shellQuote(show_ + "/music.mp3"),
                 scratch_->path());
        ready_ = ready_ && fileExists(show_ + "/music.mp3");
        full_ = run({"record", "--size", "320x240", "-o", at("full.avi"), "--dir", show_});
        fullFrames_ = decodeRgb(at("full.avi"), scratch_->path());
    }
    static void TearDownTestSuite() { delete scratch_; }
    void SetUp() override { ASSERT_TRUE(ready_) << "could not write the test show or its music"; }

    static std::string at(const std::string& name) { return scratch_->path() + "/" + name; }
    static RunResult run(std::vector<std::string> args) { return runDemotool(args, scratch_->path()); }
    static std::string frame(int n) { return fullFrames_.substr(n * kFrameBytes, kFrameBytes); }

    static inline ScratchDir* scratch_ = nullptr;
    static inline std::string show_, fullFrames_;
    static inline bool ready_ = false;
    static inline RunResult full_;
};

TEST_F(DemotoolShow, RecordingHoldsTheRenderedFramesAndTheMusic) {
    ASSERT_EQ(full_.exitCode, 0) << full_.err;
    // The show ends at its last key, 2700 ticks = 3.003 s: frames at 0, 1/30, ... 3.0 s.
    EXPECT_NE(full_.out.find("recorded 91 frames"), std::string::npos) << full_.out;
    EXPECT_NE(full_.out.find("p99"), std::string::npos) << full_.out;
    const std::string avi = at("full.avi");
    EXPECT_FALSE(fileExists(avi + ".part"));
    const auto video = probeStream(avi, "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_EQ(video["codec_name"], "ffv1");
    EXPECT_EQ(video["width"], kW);
    EXPECT_EQ(video["height"], kH);
    EXPECT_EQ(video["r_frame_rate"], "30/1");
    EXPECT_EQ(video["nb_read_frames"], "91");
    const double videoSeconds = std::stod(video.value("duration", video["format_duration"].get<std::string>()));
    EXPECT_NEAR(videoSeconds, 91.0 / 30.0, 0.02);
    const auto audio = probeStream(avi, "a", scratch_->path());
    ASSERT_FALSE(audio.is_null()) << "no audio stream";
    EXPECT_EQ(audio["codec_name"], "mp3");  // copied, not re-encoded
    EXPECT_NEAR(std::stod(audio.value("duration", "0")), videoSeconds, 0.1);
    EXPECT_LT(meanVolume(avi, 0.3, scratch_->path()), -60.0) << "recorded from 0: the music starts silent";
    ASSERT_EQ(fullFrames_.size(), 91 * kFrameBytes);

    // Snapshots are the recorded frames of the same instants; they differ and show the letterbox:
    // black bars, a mostly coloured picture between them.
    const RunResult r = run({"snapshot", "--size", "320x240", "--dir", show_, "-o", at("snaps"), "0.5", "1.5", "2.8"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> pictures;
    for (const auto& [name, n] : {std::pair{"0.500.png", 15}, {"1.500.png", 45}, {"2.800.png", 84}}) {
        SCOPED_TRACE(name);
        const std::string png = decodeRgb(at("snaps/") + name, scratch_->path());
        ASSERT_EQ(png.size(), kFrameBytes);
        EXPECT_TRUE(png == frame(n)) << "differs from frame " << n;
        int coloured = 0;
        for (size_t i = 0; i < kFrameBytes; i += 3) {
            const bool black = png[i] == 0 && png[i + 1] == 0 && png[i + 2] == 0;
            const size_t y = i / 3 / kW;
            if (y < kBar || y >= kH - kBar) {
                ASSERT_TRUE(black) << "bar pixel " << i / 3 << " is not black";
            }
            coloured += !black;
        }
        EXPECT_GT(coloured, kW * (kH - 2 * kBar) / 2);
        for (const std::string& earlier : pictures) EXPECT_TRUE(png != earlier);
        pictures.push_back(png);
    }
}

TEST_F(DemotoolShow, PartialRecordingsMatchTheWholeRun) {
    // From 1.5 s: the show is simulated up to the first frame, so the frames are those of the whole
    // run; the music starts at 1.5 s as well, the tone is there from the first frame.
    RunResult r = run({"record", "--size", "320x240", "--from", "1.5", "--to", "2", "-o", at("late.avi"), "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto video = probeStream(at("late.avi"), "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_EQ(video["nb_read_frames"], "15");
    EXPECT_TRUE(decodeRgb(at("late.avi"), scratch_->path()) == fullFrames_.substr(45 * kFrameBytes, 15 * kFrameBytes));
    EXPECT_GT(meanVolume(at("late.avi"), 0.3, scratch_->path()), -30.0);
    // At 60 fps without audio: every other frame is a frame of the 30 fps run.
    r = run({"record", "--size", "320x240", "--fps", "60", "--to", "0.5", "--no-audio", "-o", at("fast.avi"), "--dir",
             show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(probeStream(at("fast.avi"), "a", scratch_->path()).is_null());
    const std::string fast = decodeRgb(at("fast.avi"), scratch_->path());
    ASSERT_EQ(fast.size(), 30 * kFrameBytes);
    for (int n = 0; n < 15; ++n) EXPECT_TRUE(fast.substr(2 * n * kFrameBytes, kFrameBytes) == frame(n)) << n;
}

// Byte offset of the first top-level MP4 box of the given type, or -1.
long boxOffset(const std::string& file, const std::string& type) {
    const std::string bytes = readWholeFile(file);
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        uint64_t size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
        if (bytes.compare(at + 4, 4, type) == 0) return static_cast<long>(at);
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | static_cast<uint8_t>(bytes[at + i]);
        }
        if (size < 8) return -1;
        at += size;
    }
    return -1;
}

TEST_F(DemotoolShow, ContainerFollowsTheExtensionWithVideoAndMusicOfTheRecordedLength) {
    // One second from 1.5 s: 30 frames and the music from 1.5 s on.
    const std::vector<std::string> range = {"record", "--size", "320x240", "--from", "1.5", "--to", "2.5", "--dir", show_};
    const std::string lossless = fullFrames_.substr(45 * kFrameBytes, 30 * kFrameBytes);

    std::vector<std::string> args = range;
    args.insert(args.end(), {"-o", at("share.mp4")});
    RunResult r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("libx264"), std::string::npos) << "the encoder's chatter is quiet: " << r.err;
    EXPECT_NE(r.out.find("recorded 30 frames"), std::string::npos) << r.out;
    auto video = probeStream(at("share.mp4"), "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_EQ(video["major_brand"], "isom");  // MP4, not QuickTime
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_EQ(video["pix_fmt"], "yuv420p");
    EXPECT_EQ(video["nb_read_frames"], "30");
    EXPECT_NEAR(std::stod(video["duration"].get<std::string>()), 1.0, 0.02);
    auto audio = probeStream(at("share.mp4"), "a", scratch_->path());
    ASSERT_FALSE(audio.is_null()) << "no audio stream";
    EXPECT_EQ(audio["codec_name"], "mp3");
    EXPECT_NEAR(std::stod(audio["duration"].get<std::string>()), 1.0, 0.1);
    EXPECT_GT(meanVolume(at("share.mp4"), 0.3, scratch_->path()), -30.0) << "the music from 1.5 s: the tone";
    // The index comes before the media data, so that the file plays while it downloads.
    const long moov = boxOffset(at("share.mp4"), "moov");
    const long mdat = boxOffset(at("share.mp4"), "mdat");
    ASSERT_GE(moov, 0);
    EXPECT_LT(moov, mdat);
    // Lossy, but the same pictures in the same colours: close to the lossless frames on average.
    const std::string decoded = decodeRgb(at("share.mp4"), scratch_->path());
    ASSERT_EQ(decoded.size(), lossless.size());
    double difference = 0.0;
    for (size_t i = 0; i < decoded.size(); ++i)
        difference += std::abs(static_cast<int>(static_cast<uint8_t>(decoded[i])) - static_cast<uint8_t>(lossless[i]));
    EXPECT_LT(difference / static_cast<double>(decoded.size()), 3.0);

    // Matroska keeps the lossless default: the very frames of the AVI recording.
    args = range;
    args.insert(args.end(), {"-o", at("keep.MKV"), "--verbose"});
    r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    video = probeStream(at("keep.MKV"), "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_NE(video["format_name"].get<std::string>().find("matroska"), std::string::npos) << video.dump();
    EXPECT_EQ(video["codec_name"], "ffv1");
    EXPECT_EQ(video["nb_read_frames"], "30");
    EXPECT_NEAR(std::stod(video["format_duration"].get<std::string>()), 1.0, 0.1);
    audio = probeStream(at("keep.MKV"), "a", scratch_->path());
    ASSERT_FALSE(audio.is_null()) << "no audio stream";
    EXPECT_EQ(audio["codec_name"], "mp3");
    EXPECT_TRUE(decodeRgb(at("keep.MKV"), scratch_->path()) == lossless);
    const double mkvAudio = std::stod(runShell("ffprobe -v error -select_streams a:0 -show_entries packet=duration_time "
                                               "-of csv=p=0 " + shellQuote(at("keep.MKV")) +
                                                   " | awk '{s += $1} END {print s + 0}'",
                                               scratch_->path())
                                          .out);
    EXPECT_NEAR(mkvAudio, 1.0, 0.1);

    // QuickTime with a chosen quality; --verbose lets the encoder speak.
    args = {"record", "--size", "320x240", "--to", "0.5", "--no-audio", "--crf", "30", "--verbose", "--dir", show_,
            "-o", at("clip.mov")};
    r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("libx264"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("crf=30.0"), std::string::npos) << r.err;
    video = probeStream(at("clip.mov"), "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_EQ(video["major_brand"], "qt  ");
    EXPECT_EQ(video["nb_read_frames"], "15");
}

TEST_F(DemotoolShow, UsageErrorsAndFailedRecordingsLeaveNoFile) {
    // Files of no known kind and codecs their kind cannot hold are usage errors (2), found before
    // the show is loaded (its directory holds no pack); failures on the way give 1.
    const std::string avi = at("never.avi");
    const struct { std::vector<std::string> args; int exitCode; const char* message; } cases[] = {
        {{"-o", at("x.webm"), "--dir", at("empty")}, 2, "use .avi, .mkv, .mp4 or .mov"},
        {{"-o", at("noextension"), "--dir", at("empty")}, 2, "use .avi"},
        {{"-o", at("x.mp4"), "--codec", "ffv1", "--dir", at("empty")}, 2, ".mp4 file cannot hold ffv1"},
        {{"-o", at("x.mov"), "--codec", "utvideo", "--dir", at("empty")}, 2, ".mov file cannot hold utvideo"},
        {{"-o", at("x.avi"), "--crf", "20", "--dir", at("empty")}, 2, "--crf does not apply to ffv1"},
        {{"-o", at("x.mp4"), "--crf", "52", "--dir", at("empty")}, 2, "bad --crf"},
        {{"-o", avi, "--codec", "no-such-codec", "--dir", show_}, 1, "compressor"},
        {{"-o", at("missing/dir/x.avi"), "--dir", show_}, 1, ""},
        {{"-o", avi, "--to", "1", "--dir", scratch_->path()}, 1, "data.pak"},  // no pack is an error
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[2]);
        std::vector<std::string> args = {"record", "--size", "64x48"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.exitCode == 2) {
            EXPECT_EQ(r.out, "");
        }
        for (const std::string& file : {c.args[1], avi, at("missing")})
            EXPECT_FALSE(fileExists(file) || fileExists(file + ".part")) << file;
    }
}

TEST_F(DemotoolShow, InterruptedRecordingIsFinishedAndPlayable) {
    const std::string avi = at("stopped.avi");
    const std::string part = avi + ".part";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen(at("stopped.err").c_str(), "w", stderr);
        execl(DEMOTOOL_PROGRAM, DEMOTOOL_PROGRAM, "record", "--size", "320x240", "--to", "600", "--dir",
              show_.c_str(), "-o", avi.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Interrupt once frames are being written (the temporary file has grown past its header).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::uintmax_t headerSize = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(part, ec);
        if (!ec && headerSize == 0) headerSize = size > 0 ? size : 1;
        if (!ec && size > headerSize + 100000) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT) << readWholeFile(at("stopped.err"));
    EXPECT_FALSE(fileExists(part));
    const auto video = probeStream(avi, "v", scratch_->path());
    ASSERT_FALSE(video.is_null()) << "the interrupted file is not readable";
    const int frames = std::stoi(video["nb_read_frames"].get<std::string>());
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 18000);
    const RunResult decode = runShell("ffmpeg -v error -i " + shellQuote(avi) + " -f null -", scratch_->path());
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.err, "") << "decodes from end to end without an error";
}

TEST_F(DemotoolShow, OutputThatFailsHalfWayKeepsTheFramesWrittenAndSaysWhy) {
    // The file may grow to half the size of the whole recording, as on a disk that fills up.
    const std::string avi = at("cut.avi");
    const auto limit = static_cast<rlim_t>(std::filesystem::file_size(at("full.avi")) / 2);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const struct rlimit size = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
        signal(SIGXFSZ, SIG_IGN);
        std::freopen("/dev/null", "w", stdout);
        std::freopen(at("cut.err").c_str(), "w", stderr);
        execl(DEMOTOOL_PROGRAM, DEMOTOOL_PROGRAM, "record", "--size", "320x240", "--dir", show_.c_str(), "-o",
              avi.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const std::string err = readWholeFile(at("cut.err"));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_NE(err.find("could not be written: File too large"), std::string::npos) << err;
    EXPECT_NE(err.find("holds the frames that reached the disk"), std::string::npos) << err;
    EXPECT_FALSE(fileExists(avi + ".part"));
    // What reached the disk plays from the start, and is the beginning of the whole recording.
    const RunResult decode = runShell("ffmpeg -v error -i " + shellQuote(avi) + " -f null -", scratch_->path());
    EXPECT_EQ(decode.exitCode, 0) << decode.err;
    const std::string frames = decodeRgb(avi, scratch_->path());
    const size_t count = frames.size() / kFrameBytes;
    EXPECT_GT(count, 10u);
    EXPECT_LT(count, 91u);
    ASSERT_GT(count, 1u);
    // The last frame may be cut short; those before it are whole.
    EXPECT_TRUE(frames.substr(0, (count - 1) * kFrameBytes) == fullFrames_.substr(0, (count - 1) * kFrameBytes));
}

}  // namespace
