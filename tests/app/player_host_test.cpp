// The player on a host window (a headless GL context): run sets up GL and starts the show
// without a loop, and frames driven by the host draw the due picture inside the letterbox; a
// session's composed step leaves the end of the frame to the host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/animation.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "app/show_session.h"
#include "platform/core/clock.h"
#include "platform/posix/headless_context.h"
#include "support/audio_call_log.h"
#include "support/captured_message_boxes.h"
#include "support/scripted_surface.h"
#include "test_packs.h"

namespace {

// Skips the test where this machine has no surfaceless EGL platform.
#define SKIP_WITHOUT_HEADLESS_GL()                                                            \
    do {                                                                                      \
        std::string why_;                                                                     \
        if (!EglSurface::platformAvailable(&why_)) GTEST_SKIP() << "no headless GL here: " << why_; \
    } while (0)

// A show of one picture in an even orange (200, 100, 20), frames 0 to 100: no animations, one
// track of one cell, due from the first step.
std::vector<uint8_t> orangePicturePack() {
    PackWriter w;
    w.openMemory();
    MeshRegistry().save(w);
    for (int32_t v : {0, 0, 1, 1}) w.writeInt(v);
    writePictureCell(w, 0, 100, 0xFF1464C8u);
    w.writeInt(0);
    return w.bytes();
}

}  // namespace

TEST(PlayerHost, HostDrivenFramesDrawTheDuePicture) {
    SKIP_WITHOUT_HEADLESS_GL();
    HeadlessContext context;
    if (!context.open(1024, 768)) GTEST_SKIP() << context.error();

    AudioCallLog sound;
    CapturedMessageBoxes boxes;
    ManualClock clock(10000);
    resetAnimationList();

    const std::vector<uint8_t> bytes = orangePicturePack();
    boxes.clear();

    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size(), "data.pak");
    MeshRegistry registry;
    Player player;
    ASSERT_TRUE(loadShowFrom(reader, registry, player.timeline()).loaded());

    ASSERT_EQ(player.run(1024, 768, context.surface(), 1), 1);
    ASSERT_NE(player.getWindow(), nullptr);
    EXPECT_EQ(player.getStartTime(), 10000u);  // started by the window's set-up
    EXPECT_NE(player.getTrackTexture(0), 0u);
    EXPECT_EQ(sound.calls().at(2), "play(stream, paused)");

    // The letterbox keeps drawing to the upper region for its first frames, then to the picture.
    // The last frame is read where a recorder reads it: drawn, before its swap and letterbox.
    std::string rgba;
    for (int frame = 0; frame < 6; ++frame) {
        clock.set(10000 + 400 + 20 * frame);
        player.getWindow()->drawFrame([&] {
            rgba = context.readRgba();
            return 0;
        });
    }
    EXPECT_EQ(player.getShowTime(), 500);
    // Pixel (x, y) counted from the top of the bottom-row-first read-back.
    ASSERT_EQ(rgba.size(), 1024u * 768u * 4u);
    auto fromTop = [&](int x, int y) { return rgba.substr((size_t(767 - y) * 1024 + x) * 4, 3); };
    EXPECT_EQ(fromTop(512, 384), "\xC8\x64\x14");
    EXPECT_EQ(fromTop(512, 760), std::string(3, '\0'));  // the lower bar
    EXPECT_TRUE(boxes.calls().empty()) << boxes.calls().front().text;
}

TEST(PlayerHost, AComposedStepLeavesTheDrawnPictureAndItsSwapAndLetterboxToTheHost) {
    SKIP_WITHOUT_HEADLESS_GL();
    HeadlessContext context;
    if (!context.open(1024, 768)) GTEST_SKIP() << context.error();

    const std::vector<uint8_t> bytes = orangePicturePack();
    const std::string folder = testing::TempDir();
    CapturedMessageBoxes boxes;
    // The window's first frames draw into the upper region only and clear it black after their
    // swap (the letterbox's counter rule): a drawn step's picture there is gone once the step
    // returns. A pixel 150 rows from the top, in the picture's upper part (rows bottom-up).
    auto upper = [](const std::string& rgba) { return rgba.substr((size_t(767 - 150) * 1024 + 512) * 4, 3); };
    std::string drawn;
    {
        ShowSession session;
        ASSERT_TRUE(session.openStream(folder, bytes).loaded());
        ASSERT_TRUE(session.attach(context.surface(), 1024, 768));
        session.step(0, StepDrawing::Hidden);
        session.step(1, StepDrawing::Drawn, [&] {
            drawn = context.readRgba();
            return 7;
        });
        EXPECT_EQ(upper(context.readRgba()), std::string(3, '\0'));
    }
    ASSERT_EQ(upper(drawn), "\xC8\x64\x14");

    // A composed step captures the same picture and leaves it for the host to show; the host's
    // swapAndLetterbox then ends the frame as the drawn step does.
    ShowSession session;
    ASSERT_TRUE(session.openStream(folder, bytes).loaded());
    ASSERT_TRUE(session.attach(context.surface(), 1024, 768));
    session.step(0, StepDrawing::Hidden);
    std::string composed;
    EXPECT_EQ(session.step(1, StepDrawing::Composed, [&] {
        composed = context.readRgba();
        return 7;
    }), 7);
    EXPECT_TRUE(composed == drawn) << "the composed picture differs from the drawn one";
    EXPECT_TRUE(context.readRgba() == drawn);
    session.swapAndLetterbox();
    EXPECT_EQ(upper(context.readRgba()), std::string(3, '\0'));
    EXPECT_EQ(session.lastStep(), 1);
}

TEST(PlayerHost, TheStepsASeekComputesAreNeverShown) {
    SKIP_WITHOUT_HEADLESS_GL();
    // A host window over headless GL that counts its swaps: each one shows a buffer.
    ScriptedSurface surface(std::make_unique<EglSurface>());
    CapturedMessageBoxes boxes;
    ShowSession session;
    ASSERT_TRUE(session.openStream(testing::TempDir(), orangePicturePack()).loaded());
    ASSERT_TRUE(session.attach(&surface, 1024, 768));
    const int before = surface.swaps();
    session.step(0, StepDrawing::Drawn);
    EXPECT_EQ(surface.swaps(), before + 1);
    // A jump (or a live catch-up) computes the steps up to its target without drawing them: the
    // window keeps the last drawn frame until the target's own frame is shown.
    session.seek(40);
    EXPECT_EQ(session.lastStep(), 39);
    EXPECT_EQ(surface.swaps(), before + 1);
    session.step(40, StepDrawing::Drawn);
    EXPECT_EQ(surface.swaps(), before + 2);
    session.seek(20);  // back: the show starts afresh and computes steps 0 to 19
    EXPECT_EQ(session.lastStep(), 19);
    EXPECT_EQ(surface.swaps(), before + 2);
}
