// The player on a host window (a headless GL context): run sets up GL and starts the show
// without a loop, and frames driven by the host draw the due picture inside the letterbox.
#include <gtest/gtest.h>

#include <string>

#include "app/animation.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "platform/core/clock.h"
#include "platform/posix/headless_context.h"
#include "support/audio_call_log.h"
#include "support/captured_message_boxes.h"
#include "test_packs.h"

TEST(PlayerHost, HostDrivenFramesDrawTheDuePicture) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    HeadlessContext context;
    if (!context.open(1024, 768)) GTEST_SKIP() << context.error();

    AudioCallLog sound;
    CapturedMessageBoxes boxes;
    ManualClock clock(10000);
    resetAnimationList();

    // One picture, frames 0 to 100, in an even orange: no animations, one track of one cell.
    PackWriter w;
    w.openMemory();
    MeshRegistry().save(w);
    for (int32_t v : {0, 0, 1, 1}) w.writeInt(v);
    writePictureCell(w, 0, 100, 0xFF1464C8u);  // 200, 100, 20
    w.writeInt(0);
    boxes.clear();

    PackReader reader;
    openOver(reader, w);
    MeshRegistry registry;
    Player player;
    ASSERT_TRUE(loadShowFrom(reader, registry, player.timeline()).loaded());

    ASSERT_EQ(player.run(1024, 768, context.surface(), 1), 1);
    ASSERT_NE(player.getWindow(), nullptr);
    EXPECT_EQ(player.getStartTime(), 10000u);  // started by the window's set-up
    EXPECT_NE(player.getTrackTexture(0), 0u);
    EXPECT_EQ(sound.calls().at(2), "play(stream, paused)");

    // The letterbox keeps drawing to the upper region for its first frames, then to the picture.
    for (int frame = 0; frame < 6; ++frame) {
        clock.set(10000 + 400 + 20 * frame);
        player.getWindow()->drawFrame();
    }
    EXPECT_EQ(player.getShowTime(), 500);
    // Pixel (x, y) counted from the top of the bottom-row-first read-back.
    const std::string rgba = context.readRgba();
    ASSERT_EQ(rgba.size(), 1024u * 768u * 4u);
    auto fromTop = [&](int x, int y) { return rgba.substr((size_t(767 - y) * 1024 + x) * 4, 3); };
    EXPECT_EQ(fromTop(512, 384), "\xC8\x64\x14");
    EXPECT_EQ(fromTop(512, 760), std::string(3, '\0'));  // the lower bar
    EXPECT_TRUE(boxes.calls().empty()) << boxes.calls().front().text;
}
