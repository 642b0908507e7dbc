// The pure rules of demotool play: jump sizes by key, where jumps land, the loop, the playback
// clock and how show times are written.
#include "tools/demotool/preview_controls.h"

#include <gtest/gtest.h>

#include "platform/core/platform_surface.h"

TEST(PreviewControls, KeysJumpByTheirSizesAndJumpsStayInsideTheShow) {
    EXPECT_EQ(previewCommandForKey(kKeyRight, false).steps, 300);
    EXPECT_EQ(previewCommandForKey(kKeyRight, true).steps, 60);
    EXPECT_EQ(previewCommandForKey(kKeyLeft, false).steps, -300);
    EXPECT_EQ(previewCommandForKey(kKeyLeft, true).steps, -60);
    EXPECT_EQ(previewCommandForKey(kKeyPageDown, false).steps, 1800);
    EXPECT_EQ(previewCommandForKey(kKeyPageUp, true).steps, -1800);
    EXPECT_EQ(previewCommandForKey(kKeyPeriod, false).action, PreviewAction::StepFrame);
    EXPECT_EQ(previewCommandForKey('S', true).action, PreviewAction::Snapshot);
    EXPECT_EQ(previewCommandForKey('X', false).action, PreviewAction::None);

    EXPECT_EQ(jumpTarget(100, -300, 4200), 0);
    EXPECT_EQ(jumpTarget(4000, 1800, 4200), 4200);
    EXPECT_EQ(jumpTarget(4000, 1800, -1), 5800);
    EXPECT_EQ(jumpTarget(300, -60, 4200), 240);
}

TEST(PreviewControls, LoopWrapsOnlyPastAValidOutPoint) {
    PreviewLoop loop;
    loop.setIn(600);
    loop.enabled = true;
    EXPECT_FALSE(loop.active());  // no out point yet
    EXPECT_EQ(loop.wrap(5000), 5000);
    loop.setOut(900);
    EXPECT_TRUE(loop.active());
    EXPECT_EQ(loop.wrap(900), 900);  // the out point itself still plays
    EXPECT_EQ(loop.wrap(901), 600);
    EXPECT_EQ(loop.wrap(100), 100);  // before the in point: played as it comes
    // An in point set after the out point drops the out point; an out point set before the in
    // point moves the in point back to the start.
    loop.setIn(1000);
    EXPECT_EQ(loop.outStep, -1);
    EXPECT_FALSE(loop.active());
    loop.setOut(500);
    EXPECT_EQ(loop.inStep, 0);
    EXPECT_TRUE(loop.active());
    loop.enabled = false;
    EXPECT_EQ(loop.wrap(700), 700);

    int64_t in = 0;
    int64_t out = 0;
    EXPECT_TRUE(parseLoopRange("40:48.5", &in, &out));
    EXPECT_EQ(in, 2400);
    EXPECT_EQ(out, 2910);
    for (const char* bad : {"48:40", "40:40", "40", ":48", "40:", "-1:4", "a:b", "1:2:3"})
        EXPECT_FALSE(parseLoopRange(bad, &in, &out)) << bad;
}

TEST(PreviewControls, ClockAndTimeText) {
    PlaybackClock clock;
    clock.restart(120, 1000.0);
    EXPECT_EQ(clock.stepAt(900.0), 120);  // a clock that went back stays where it was
    EXPECT_EQ(clock.stepAt(1016.0), 120);
    EXPECT_EQ(clock.stepAt(1016.7), 121);
    EXPECT_EQ(clock.stepAt(2000.0), 180);

    EXPECT_EQ(formatShowTime(0), "0:00.000");
    EXPECT_EQ(formatShowTime(5000), "0:05.000");
    EXPECT_EQ(formatShowTime(61001), "1:01.001");
    EXPECT_EQ(formatShowTime(42999), "0:42.999");
    EXPECT_EQ(formatShowTime(725050), "12:05.050");
    EXPECT_EQ(formatShowTime(-5), "0:00.000");
}
