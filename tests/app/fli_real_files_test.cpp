// The FLI/FLC decoder on real files, frame by frame against ffmpeg's flic decoder.
//
// Two differences are by design. The decoder writes 32-bit colours as it decodes, with no 8-bit
// frame kept, so a palette change recolours only the pixels drawn after it, where ffmpeg
// recolours the whole picture; a pixel therefore has to show its ffmpeg colour index in the
// palette of some frame since the index was last set there. And COLOR_64 components are
// multiplied by 4, where ffmpeg also copies the top bits into the low two, so the comparison
// masks those two bits in FLI files. Frames that ffmpeg refuses (Pacman.fli's "no change" delta
// chunks, which start at the line below the picture) are missing from its output; the decoder
// treats them as valid and draws nothing, so a frame that changed nothing may stand for a
// missing one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"

namespace {

namespace fs = std::filesystem;

struct RealFile {
    const char* name;
    int decodedFrames;     // frames drawn: frameCount - 1, less one for a prefix
    int withoutReference;  // frames that ffmpeg refuses
};

// Every frame ffmpeg decodes, as 8-bit indices followed by the 256-entry palette (B, G, R, A).
std::vector<uint8_t> ffmpegFrames(const fs::path& path) {
    const std::string command =
        "ffmpeg -v quiet -i '" + path.string() + "' -f rawvideo -pix_fmt pal8 -fps_mode passthrough -";
    std::vector<uint8_t> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
    pclose(pipe);
    return out;
}

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return r | uint32_t(g) << 8 | uint32_t(b) << 16;
}

// Follows ffmpeg's frames (indices and palette) and checks the decoder's picture against them.
class ReferenceTracker {
public:
    ReferenceTracker(size_t pixels, int width, bool fli)
        : width_(width), mask_(fli ? 0xFC : 0xFF), since_(pixels, 0), last_(pixels, 0) {}

    // Whether canvas shows reference frame `frame` (indices then palette); records it when it does.
    // The first mismatch is described in failure.
    bool matches(const uint8_t* indices, int frame, const uint8_t* canvas, std::string& failure) {
        const uint8_t* bgra = indices + since_.size();
        for (int i = 0; i < 256; ++i) {
            const uint32_t colour =
                rgb(bgra[4 * i + 2] & mask_, bgra[4 * i + 1] & mask_, bgra[4 * i] & mask_);
            if (history_[i].empty() || history_[i].back().second != colour)
                history_[i].push_back({frame, colour});
        }
        for (size_t p = 0; p < since_.size(); ++p) {
            const int since = frame == 0 || indices[p] != last_[p] ? frame : since_[p];
            const uint8_t* px = canvas + ((p / width_) * 1024 + p % width_) * 4;
            const uint32_t got = rgb(px[0], px[1], px[2]);
            const auto& changes = history_[indices[p]];  // (frame, colour) from that frame on
            if (got == changes.back().second) continue;
            // The colour of this index in any frame from (just before) it was set until now.
            size_t c = changes.size() - 1;
            while (c > 0 && changes[c].first > since - 1) --c;
            while (c < changes.size() && changes[c].second != got) ++c;
            if (c == changes.size()) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%zu, %zu) is 0x%06x, index %d is 0x%06x", p % width_,
                              p / width_, got, indices[p], changes.back().second);
                failure = text;
                return false;
            }
        }
        for (size_t p = 0; p < since_.size(); ++p) {
            if (frame == 0 || indices[p] != last_[p]) since_[p] = frame;
            last_[p] = indices[p];
        }
        return true;
    }

private:
    size_t width_;
    uint8_t mask_;
    std::vector<std::pair<int, uint32_t>> history_[256];
    std::vector<int> since_;
    std::vector<uint8_t> last_;
};

class RealFlic : public testing::TestWithParam<RealFile> {
protected:
    void TearDown() override { fliClose(); }
};

}  // namespace

TEST_P(RealFlic, DecodesEveryFrameLikeFfmpeg) {
    // Files without a licence to copy them are kept in ../shared only.
    fs::path path = fs::path(DEMO_SOURCE_DIR) / "tests/data_files/flic" / GetParam().name;
    if (!fs::exists(path)) path = fs::path(DEMO_SHARED_DIR) / "testdata/flic" / GetParam().name;
    if (!fs::exists(path)) GTEST_SKIP() << path << " is not available";
    if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    uint8_t file[144] = {};
    ASSERT_TRUE(std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(file), sizeof file));
    const bool fli = file[4] == 0x11;
    const bool prefix = file[128 + 4] == 0x00 && file[128 + 5] == 0xF1;

    std::vector<uint8_t> canvas(kFrameBufferBytes, 0);
    fliOpen(path.string().c_str(), canvas.data());
    const int w = fliWidth(), h = fliHeight();
    const size_t pixels = static_cast<size_t>(w) * h;
    const size_t frameBytes = pixels + 1024;
    const std::vector<uint8_t> reference = ffmpegFrames(path);
    // ffmpeg also outputs the ring frame (back to the first picture) at the end; it is not used.
    const size_t referenceFrames = reference.size() / frameBytes > 0 ? reference.size() / frameBytes - 1 : 0;

    // Calls advance until frameIndex reaches frameCount - 1; a prefix takes the first call.
    const int decodedFrames = fliFrameCount() - 1 - (prefix ? 1 : 0);
    EXPECT_EQ(std::max(decodedFrames, 0), GetParam().decodedFrames);
    if (prefix) fliNextFrame();

    ReferenceTracker tracker(pixels, w, fli);
    // The picture rows the frame covers, to tell whether a frame changed anything.
    auto picture = [&] { return std::vector<uint8_t>(canvas.begin(), canvas.begin() + ptrdiff_t(h) * 4096); };
    std::vector<uint8_t> previous = picture();
    size_t next = 0;  // the next reference frame
    int mismatchedFrames = 0, framesWithoutReference = 0;
    for (int frame = 0; frame < decodedFrames; ++frame) {
        fliNextFrame();
        std::string failure;
        if (next < referenceFrames && tracker.matches(reference.data() + next * frameBytes,
                                                      static_cast<int>(next), canvas.data(), failure)) {
            ++next;
        } else if (frame > 0 && picture() == previous &&
                   referenceFrames - next < static_cast<size_t>(decodedFrames - frame)) {
            ++framesWithoutReference;  // a frame ffmpeg dropped, which changes nothing here
        } else {
            ADD_FAILURE() << GetParam().name << " frame " << frame << " (reference " << next
                          << "): " << failure;
            if (++mismatchedFrames > 3) break;
            ++next;
        }
        previous = picture();
    }
    EXPECT_EQ(mismatchedFrames, 0);
    EXPECT_EQ(framesWithoutReference, GetParam().withoutReference);
    // No looping: the calls past the last frame change nothing.
    const std::vector<uint8_t> last = canvas;
    for (int i = 0; i < 5; ++i) fliNextFrame();
    EXPECT_EQ(canvas, last);
    EXPECT_EQ(fliFrameIndex(), std::max(fliFrameCount() - 1, 0));
}

INSTANTIATE_TEST_SUITE_P(Files, RealFlic,
                         testing::Values(RealFile{"2422.flc", 25, 0}, RealFile{"a.fli", 383, 0},
                                         RealFile{"hopper.fli", 0, 0}, RealFile{"CENSORED.FLI", 359, 0},
                                         RealFile{"Pacman.fli", 114, 7}, RealFile{"DIGIFLY.FLC", 58, 0}),
                         [](const testing::TestParamInfo<RealFile>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });
