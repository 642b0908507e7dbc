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
#include <sstream>
#include <string>
#include <vector>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"

namespace {

namespace fs = std::filesystem;

struct RealFile {
    const char* name;
    bool shared;           // kept in ../shared only (no licence to copy it)
    int decodedFrames;     // frames drawn: frameCount - 1, less one for a prefix
    int withoutReference;  // frames that ffmpeg refuses
};

fs::path locate(const RealFile& file) {
    return file.shared ? fs::path(DEMO_SHARED_DIR) / "testdata/flic" / file.name
                       : fs::path(DEMO_SOURCE_DIR) / "tests/data_files/flic" / file.name;
}

bool haveFfmpeg() { return std::system("command -v ffmpeg > /dev/null 2>&1") == 0; }

// Every frame ffmpeg decodes, as 8-bit indices followed by the 256-entry palette (B, G, R, A).
std::vector<uint8_t> ffmpegFrames(const fs::path& path) {
    const std::string command = "ffmpeg -v quiet -i '" + path.string() + "' -f rawvideo -pix_fmt pal8 -fps_mode passthrough -";
    std::vector<uint8_t> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
    pclose(pipe);
    return out;
}

// The colours a palette entry had, from the frame of each change on.
struct ColourChange {
    int frame;
    uint32_t colour;
};

uint32_t packRgb(const uint8_t* rgb) { return uint32_t(rgb[0]) | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]) << 16; }

// Follows ffmpeg's frames (indices and palette) and checks the decoder's picture against them.
class ReferenceTracker {
public:
    ReferenceTracker(size_t pixels, int width, bool fli)
        : pixels_(pixels), width_(width), fli_(fli), indexSince_(pixels, 0), lastIndex_(pixels, 0) {}

    // Whether canvas shows reference frame `frame` (indices then palette); records it when it does.
    // The first mismatch is described in failure.
    bool matches(const uint8_t* indices, int frame, const uint8_t* canvas, std::string& failure) {
        const uint8_t* palette = indices + pixels_;
        for (int i = 0; i < 256; ++i) {
            const uint8_t* bgra = palette + 4 * i;
            uint8_t rgb[3] = {bgra[2], bgra[1], bgra[0]};
            if (fli_)
                for (uint8_t& c : rgb) c &= 0xFC;
            const uint32_t colour = packRgb(rgb);
            if (history_[i].empty() || history_[i].back().colour != colour) history_[i].push_back({frame, colour});
        }
        int paletteOnly = 0;
        for (size_t p = 0; p < pixels_; ++p) {
            const uint8_t index = indices[p];
            const int since = frame == 0 || index != lastIndex_[p] ? frame : indexSince_[p];
            const int x = static_cast<int>(p % width_);
            const int y = static_cast<int>(p / width_);
            const uint32_t got = packRgb(canvas + (static_cast<size_t>(y) * 1024 + x) * 4);
            const std::vector<ColourChange>& changes = history_[index];
            if (got == changes.back().colour) continue;
            // The colour of this index in any frame from (just before) it was set until now.
            auto it = std::upper_bound(changes.begin(), changes.end(), since - 1,
                                       [](int f, const ColourChange& change) { return f < change.frame; });
            size_t c = it == changes.begin() ? 0 : static_cast<size_t>(it - changes.begin()) - 1;
            bool found = false;
            for (; c < changes.size() && !found; ++c) found = changes[c].colour == got;
            if (!found) {
                std::ostringstream text;
                text << "pixel (" << x << ", " << y << ") is 0x" << std::hex << got << ", index " << std::dec
                     << int(index) << " is 0x" << std::hex << changes.back().colour;
                failure = text.str();
                return false;
            }
            ++paletteOnly;
        }
        for (size_t p = 0; p < pixels_; ++p) {
            if (frame == 0 || indices[p] != lastIndex_[p]) indexSince_[p] = frame;
            lastIndex_[p] = indices[p];
        }
        paletteOnlyPixels_ += paletteOnly;
        return true;
    }
    long paletteOnlyPixels() const { return paletteOnlyPixels_; }

private:
    size_t pixels_;
    int width_;
    bool fli_;
    std::vector<ColourChange> history_[256];
    std::vector<int> indexSince_;
    std::vector<uint8_t> lastIndex_;
    long paletteOnlyPixels_ = 0;
};

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealFlic : public testing::TestWithParam<RealFile> {
protected:
    void TearDown() override { fliClose(); }
};

}  // namespace

TEST_P(RealFlic, DecodesEveryFrameLikeFfmpeg) {
    const fs::path path = locate(GetParam());
    if (!fs::exists(path)) GTEST_SKIP() << path << " is not available";
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";

    const std::vector<uint8_t> file = readFile(path);
    ASSERT_GE(file.size(), 144u);
    const bool fli = file[4] == 0x11;
    const bool prefix = file[128 + 4] == 0x00 && file[128 + 5] == 0xF1;

    std::vector<uint8_t> canvas(kFrameBufferBytes, 0);
    fliOpen(path.string().c_str(), canvas.data());
    const int w = fliWidth();
    const int h = fliHeight();
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
    auto picture = [&] {
        return std::vector<uint8_t>(canvas.begin(), canvas.begin() + static_cast<ptrdiff_t>(h) * 4096);
    };
    std::vector<uint8_t> previous = picture();
    size_t next = 0;  // the next reference frame
    int mismatchedFrames = 0;
    int framesWithoutReference = 0;
    for (int frame = 0; frame < decodedFrames; ++frame) {
        fliNextFrame();
        std::string failure;
        if (next < referenceFrames &&
            tracker.matches(reference.data() + next * frameBytes, static_cast<int>(next), canvas.data(), failure)) {
            ++next;
        } else if (frame > 0 && picture() == previous &&
                   referenceFrames - next < static_cast<size_t>(decodedFrames - frame)) {
            ++framesWithoutReference;  // a frame ffmpeg dropped, which changes nothing here
        } else {
            ADD_FAILURE() << GetParam().name << " frame " << frame << " (reference " << next << "): " << failure;
            if (++mismatchedFrames > 3) break;
            ++next;
        }
        previous = picture();
    }
    EXPECT_EQ(mismatchedFrames, 0);
    EXPECT_EQ(framesWithoutReference, GetParam().withoutReference);
    RecordProperty("palette_only_pixels", std::to_string(tracker.paletteOnlyPixels()));
    RecordProperty("frames_without_reference", framesWithoutReference);
    // No looping: the calls past the last frame change nothing.
    const std::vector<uint8_t> last = canvas;
    for (int i = 0; i < 5; ++i) fliNextFrame();
    EXPECT_EQ(canvas, last);
    EXPECT_EQ(fliFrameIndex(), std::max(fliFrameCount() - 1, 0));
}

INSTANTIATE_TEST_SUITE_P(Files, RealFlic,
                         testing::Values(RealFile{"2422.flc", false, 25, 0}, RealFile{"a.fli", false, 383, 0},
                                         RealFile{"hopper.fli", false, 0, 0}, RealFile{"CENSORED.FLI", true, 359, 0},
                                         RealFile{"Pacman.fli", true, 114, 7}, RealFile{"DIGIFLY.FLC", true, 58, 0}),
                         [](const testing::TestParamInfo<RealFile>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });
