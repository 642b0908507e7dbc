// End-to-end checks of demotool record and snapshot on the test show: what ffprobe and ffmpeg
// find in the files, decoded frames against snapshots of the same instants, the letterbox and
// badge, the music's position, repeatability, interruption and failures.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "demotool_runner.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
constexpr size_t kFrameBytes = static_cast<size_t>(kW) * kH * 3;
// 320 x 240 letterboxed to 16:9: a 180-row picture with 30-row bars.
constexpr int kBar = 30;

// Mean volume (dB) of the first seconds of a file's audio.
double meanVolume(const std::string& file, double seconds, const std::string& scratch) {
    const RunResult r = runShell("ffmpeg -hide_banner -nostats -i " + shellQuote(file) + " -map 0:a:0 -t " +
                                     std::to_string(seconds) + " -af volumedetect -f null -",
                                 scratch);
    const size_t at = r.err.find("mean_volume:");
    if (at == std::string::npos) return 1e9;
    return std::stod(r.err.substr(at + 12));
}

// The pixel (x, y), counted from the top left, of packed RGB rows.
const uint8_t* pixel(const std::string& rgb, int x, int y) {
    return reinterpret_cast<const uint8_t*>(rgb.data()) + (static_cast<size_t>(y) * kW + x) * 3;
}

bool isBlack(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

class DemotoolShow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch_ = new ScratchDir();
        show_ = scratch_->path() + "/show";
        std::filesystem::create_directories(show_);
        packWritten_ = writePack(show_ + "/data.pak", testShowStream());
        // Music: silence for 1.5 s, then a tone, so its position in a recording can be heard.
        runShell("ffmpeg -v error -y -f lavfi -i 'aevalsrc=if(lt(t\\,1.5)\\,0\\,0.5*sin(2*PI*440*t)):s=44100:d=5' "
                 "-c:a libmp3lame -b:a 64k " + shellQuote(show_ + "/music.mp3"),
                 scratch_->path());
    }
    static void TearDownTestSuite() {
        delete scratch_;
        scratch_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(packWritten_);
        ASSERT_TRUE(fileExists(show_ + "/music.mp3")) << "ffmpeg could not make the test music";
    }

    static std::string at(const std::string& name) { return scratch_->path() + "/" + name; }
    static RunResult run(std::vector<std::string> args) { return runDemotool(args, scratch_->path()); }

    static ScratchDir* scratch_;
    static std::string show_;
    static bool packWritten_;
};

ScratchDir* DemotoolShow::scratch_ = nullptr;
std::string DemotoolShow::show_;
bool DemotoolShow::packWritten_ = false;

TEST_F(DemotoolShow, RecordingHoldsTheRenderedFramesAndTheMusic) {
    const std::string avi = at("full.avi");
    RunResult r = run({"record", "--size", "320x240", "-o", avi, "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The show ends at its last key, 2700 ticks = 3.003 s: frames at 0, 1/30, ... 3.0 s.
    EXPECT_NE(r.out.find("recorded 91 frames"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("p99"), std::string::npos) << r.out;
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
    // Recorded from 0: the music's first second is silent.
    EXPECT_LT(meanVolume(avi, 0.3, scratch_->path()), -60.0);

    const std::string snaps = at("snaps");
    r = run({"snapshot", "--size", "320x240", "--dir", show_, "-o", snaps, "0.5", "1.5", "2.8", "18.8", "19"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string frames = decodeRgb(avi, scratch_->path());
    ASSERT_EQ(frames.size(), 91 * kFrameBytes);
    const std::pair<const char*, int> instants[] = {{"0.500.png", 15}, {"1.500.png", 45}, {"2.800.png", 84}};
    std::vector<std::string> pictures;
    for (const auto& [name, frame] : instants) {
        const std::string png = decodeRgb(snaps + "/" + name, scratch_->path());
        ASSERT_EQ(png.size(), kFrameBytes) << name;
        EXPECT_TRUE(png == frames.substr(frame * kFrameBytes, kFrameBytes)) << name << " differs from frame " << frame;
        pictures.push_back(png);
    }
    EXPECT_TRUE(pictures[0] != pictures[1]);
    EXPECT_TRUE(pictures[1] != pictures[2]);
    EXPECT_TRUE(pictures[0] != pictures[2]);
    const std::string beforeBadge = decodeRgb(snaps + "/18.800.png", scratch_->path());
    const std::string withBadge = decodeRgb(snaps + "/19.000.png", scratch_->path());
    ASSERT_EQ(beforeBadge.size(), kFrameBytes);
    ASSERT_EQ(withBadge.size(), kFrameBytes);
    pictures.push_back(beforeBadge);
    pictures.push_back(withBadge);

    // The bars are black and the picture between them is not.
    for (const std::string& picture : pictures) {
        int coloured = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool black = isBlack(pixel(picture, x, y));
                if (y < kBar || y >= kH - kBar) {
                    ASSERT_TRUE(black) << "bar pixel (" << x << ", " << y << ") is not black";
                } else if (!black) {
                    ++coloured;
                }
            }
        EXPECT_GT(coloured, kW * (kH - 2 * kBar) / 2);
    }
    // Past the show's end the picture stays the same; from 18.888 s the 64 x 16 badge shows in
    // the lower right of the picture.
    int changed = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (std::memcmp(pixel(beforeBadge, x, y), pixel(withBadge, x, y), 3) == 0) continue;
            ++changed;
            EXPECT_TRUE(x >= kW - 60 && x < kW - 60 + 64 && y >= kH / 2) << "(" << x << ", " << y << ")";
        }
    EXPECT_GT(changed, 52 * 14 / 2);
}

TEST_F(DemotoolShow, FromSimulatesTheShowBeforeItsFirstFrame) {
    const std::string avi = at("late.avi");
    RunResult r = run({"record", "--size", "320x240", "--from", "1.5", "--to", "2", "-o", avi, "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto video = probeStream(avi, "v", scratch_->path());
    ASSERT_FALSE(video.is_null());
    EXPECT_EQ(video["nb_read_frames"], "15");
    // The box has fallen by then: the first frame is the one the whole run shows at 1.5 s.
    r = run({"snapshot", "--size", "320x240", "--dir", show_, "-o", at("late"), "1.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string frames = decodeRgb(avi, scratch_->path());
    ASSERT_EQ(frames.size(), 15 * kFrameBytes);
    EXPECT_TRUE(frames.substr(0, kFrameBytes) == decodeRgb(at("late/1.500.png"), scratch_->path()));
    // The music starts at 1.5 s as well: the tone is there from the first frame.
    EXPECT_GT(meanVolume(avi, 0.3, scratch_->path()), -30.0);
}

TEST_F(DemotoolShow, SameOptionsGiveIdenticalFrames) {
    const std::vector<std::string> options = {"record", "--size", "320x240", "--fps", "60", "--to", "1.8",
                                              "--no-audio", "--dir", show_, "-o"};
    std::vector<std::string> first = options;
    first.push_back(at("a.avi"));
    std::vector<std::string> second = options;
    second.push_back(at("b.avi"));
    ASSERT_EQ(run(first).exitCode, 0);
    ASSERT_EQ(run(second).exitCode, 0);
    EXPECT_TRUE(probeStream(at("a.avi"), "a", scratch_->path()).is_null());
    const std::string a = decodeRgb(at("a.avi"), scratch_->path());
    ASSERT_EQ(a.size(), 108 * kFrameBytes);
    EXPECT_TRUE(a == decodeRgb(at("b.avi"), scratch_->path()));
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
        if (!ec && headerSize > 0 && size > headerSize + 100000) break;
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
    // Decodes from end to end without an error.
    const RunResult decode = runShell("ffmpeg -v error -i " + shellQuote(avi) + " -f null -", scratch_->path());
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.err, "");
}

TEST_F(DemotoolShow, FailedRecordingLeavesNoFile) {
    const std::string avi = at("never.avi");
    RunResult r = run({"record", "--size", "64x48", "--codec", "no-such-codec", "-o", avi, "--dir", show_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("compressor"), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(avi));
    EXPECT_FALSE(fileExists(avi + ".part"));

    r = run({"record", "--size", "64x48", "-o", at("missing/dir/x.avi"), "--dir", show_});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fileExists(at("missing")));

    // A directory without a pack is an error, not an empty recording.
    r = run({"record", "--size", "64x48", "--to", "1", "-o", avi, "--dir", scratch_->path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("data.pak"), std::string::npos) << r.err;
    EXPECT_FALSE(fileExists(avi));
}

}  // namespace
