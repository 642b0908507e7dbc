// The player on a host window (a headless GL context): run sets up GL and starts the show
// without a loop, frames driven by the host draw the due picture inside the letterbox, and the
// recording operations reach the window's recorder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_buffer.h"
#include "app/fsound.h"
#include "app/picture_clip.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "data/mesh_registry.h"
#include "platform/clock.h"
#include "platform/headless_context.h"
#include "platform/message_box.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

// Pixel (x, y) of a bottom-row-first RGBA read-back, counted from the top.
std::vector<int> pixelFromTop(const std::string& rgba, int width, int height, int x, int y) {
    const size_t at = (static_cast<size_t>(height - 1 - y) * width + x) * 4;
    return {static_cast<uint8_t>(rgba[at]), static_cast<uint8_t>(rgba[at + 1]), static_cast<uint8_t>(rgba[at + 2])};
}

}  // namespace

TEST(PlayerHost, HostDrivenFramesDrawTheDuePictureAndRecord) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    HeadlessContext context;
    if (!context.open(1024, 768)) GTEST_SKIP() << context.error();

    FSoundRecorder sound;
    CapturedMessageBoxes boxes;
    ManualClock clock(10000);
    resetAnimationList();

    // One picture, frames 0 to 100, in an even orange.
    PackWriter w;
    w.openMemory();
    writeEmptyMeshSection(w);
    w.writeInt(0);
    w.writeInt(0);
    w.writeInt(1);
    w.writeInt(1);
    writeCellHeader(w, kCellPicture, 0, 100);
    std::vector<uint8_t> pixels(kFrameBufferBytes);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 200;
        pixels[i + 1] = 100;
        pixels[i + 2] = 20;
        pixels[i + 3] = 255;
    }
    PictureClip picture;
    picture.setPixels(pixels.data());
    picture.save(w);
    w.writeInt(0);
    boxes.clear();

    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    Player player;
    ASSERT_EQ(loadShowFrom(reader, registry, player), kShowLoaded);

    ASSERT_EQ(player.run(1024, 768, context.surface(), 1), 1);
    ASSERT_NE(player.getWindow(), nullptr);
    EXPECT_EQ(player.getStartTime(), 10000u);  // started by the window's set-up
    EXPECT_NE(player.getTrackTexture(0), 0u);
    EXPECT_EQ(sound.calls().at(2), "FSOUND_Stream_PlayEx(-1, stream, 0, 1)");

    // The letterbox keeps drawing to the upper region for its first frames, then to the picture.
    for (int frame = 0; frame < 6; ++frame) {
        clock.set(10000 + 400 + 20 * frame);
        player.getWindow()->driveFrame(false);
    }
    EXPECT_EQ(player.getShowTime(), 500);
    const std::string rgba = context.readRgba();
    ASSERT_EQ(rgba.size(), 1024u * 768u * 4u);
    EXPECT_EQ(pixelFromTop(rgba, 1024, 768, 512, 384), (std::vector<int>{200, 100, 20}));
    EXPECT_EQ(pixelFromTop(rgba, 1024, 768, 512, 760), (std::vector<int>{0, 0, 0}));  // the lower bar

    // Recording goes through the window to its recorder.
    const fs::path avi = fs::path(testing::TempDir()) / "h5_player_host.avi";
    fs::remove(avi);
    player.getWindow()->recorder().setFileName(avi.string());
    EXPECT_NE(player.startRecording(), nullptr);
    for (int i = 0; i < 3; ++i) {
        clock.advance(33);
        player.renderFrame(1024, 768, 0);
        EXPECT_EQ(player.captureFrame(), 0);
    }
    player.stopRecording();
    EXPECT_TRUE(fs::exists(avi));
    EXPECT_GT(fs::file_size(avi), 1000u);
    EXPECT_TRUE(boxes.calls().empty()) << boxes.calls().front().text;
    fs::remove(avi);
}
