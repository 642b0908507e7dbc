// demotool's command line and frame clock: option parsing, usage errors with exit code 2, and
// which 60 Hz steps become output frames.
#include <gtest/gtest.h>

#include "demotool_runner.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/frame_schedule.h"

namespace {

TEST(DemotoolCommandLine, ParsesOptionsAndRefusesBadValues) {
    ParsedArgs a;
    std::string error;
    ASSERT_TRUE(parseArgs({"-o", "x.avi", "--fps=15", "--no-audio", "3", "--", "--to"}, {"-o", "--fps", "--to"},
                          {"--no-audio"}, &a, &error));
    EXPECT_EQ(a.value("-o"), "x.avi");
    EXPECT_EQ(a.value("--fps"), "15");
    EXPECT_TRUE(a.flags.count("--no-audio"));
    EXPECT_EQ(a.operands, (std::vector<std::string>{"3", "--to"}));
    ASSERT_TRUE(parseArgs({"-oout"}, {"-o"}, {}, &a, &error));
    EXPECT_EQ(a.value("-o"), "out");
    EXPECT_FALSE(parseArgs({"--fps"}, {"--fps"}, {}, &a, &error));
    EXPECT_FALSE(parseArgs({"--bogus"}, {"--fps"}, {}, &a, &error));
    EXPECT_FALSE(parseArgs({"--no-audio=1"}, {}, {"--no-audio"}, &a, &error));

    int w = 0, h = 0;
    EXPECT_TRUE(parseSize("320x240", &w, &h));
    EXPECT_EQ(w * 1000 + h, 320240);
    EXPECT_TRUE(parseSize("16384x16384", &w, &h));
    for (const char* bad : {"320", "0x240", "320x", "x240", "-3x4", "320x240x1", "99999x10", "16385x10", "10x16385", "720", "8k", "p720"})
        EXPECT_FALSE(parseSize(bad, &w, &h)) << bad;
    const struct { const char* name; int w, h; } named[] = {
        {"720p", 1280, 720}, {"1080p", 1920, 1080}, {"1440p", 2560, 1440}, {"4k", 3840, 2160}, {"4K", 3840, 2160}};
    for (const auto& n : named) {
        ASSERT_TRUE(parseSize(n.name, &w, &h)) << n.name;
        EXPECT_EQ(w, n.w) << n.name;
        EXPECT_EQ(h, n.h) << n.name;
    }
    double s = 0;
    EXPECT_TRUE(parseSeconds("12.5", &s));
    EXPECT_EQ(s, 12.5);
    for (const char* bad : {"", "-1", "+1", "nan", "inf", "1s", " 2", "1e99"}) EXPECT_FALSE(parseSeconds(bad, &s)) << bad;
}

TEST(DemotoolCommandLine, BadUsageGivesTheSynopsisAndExitCode2) {
    ScratchDir dir;
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"record", "--fps", "7"},
        {"record", "--size", "12"},
        {"record", "--from", "5", "--to", "2"},
        {"record", "extra"},
        {"record", "-o"},
        {"snapshot", "1.0"},
        {"snapshot", "-o", dir.path(), "soon"},
        {"inspect", "a.pak", "b.pak"},
        {"timeline", "a.pak"},
        {"timeline", "-o", "t.svg", "a.pak", "b.pak"},
        {"timeline", "-o", "t.svg", "--dir", ".", "a.pak"},
        {"help", "frobnicate"},
    };
    for (const auto& args : bad) {
        std::string words;
        for (const auto& a : args) words += a + " ";
        SCOPED_TRACE(words);
        const RunResult r = runDemotool(args, dir.path());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("usage: demotool"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const RunResult r = runDemotool({"help", "record"}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: demotool record"), std::string::npos);
    EXPECT_NE(r.out.find("--no-audio"), std::string::npos);
}

TEST(FrameSchedule, TakesEveryStepOnTheOutputRateBeforeTheEnd) {
    // 30 fps from 0 to 2 s: steps 0, 2, ..., 118.
    FrameSchedule s = FrameSchedule::make(0.0, 2.0, 30);
    EXPECT_EQ(s.frameCount(), 60);
    EXPECT_TRUE(s.isCaptured(0));
    EXPECT_FALSE(s.isCaptured(1));
    EXPECT_TRUE(s.isCaptured(118));
    EXPECT_FALSE(s.isCaptured(120));
    EXPECT_EQ(s.endStep, 119);
    // From 1.5 s: steps before 90 are drawn only; the first frame is step 90.
    s = FrameSchedule::make(1.5, 2.0, 30);
    EXPECT_EQ(s.firstStep, 90);
    EXPECT_FALSE(s.isCaptured(88));
    EXPECT_DOUBLE_EQ(s.firstSeconds(), 1.5);
    // Frame counts; an end between steps still takes the step before it (2700 ticks = 3.0033 s).
    const struct { double from, to; int fps, frames; } counts[] = {
        {0.0, 2700 / 899.0, 30, 91}, {1.5, 2.0, 30, 15}, {0.5, 1.5, 1, 1}, {1.0, 1.0, 60, 0}};
    for (const auto& c : counts)
        EXPECT_EQ(FrameSchedule::make(c.from, c.to, c.fps).frameCount(), c.frames) << c.from << " .. " << c.to;

    EXPECT_EQ(stepMilliseconds(1), 16u);
    EXPECT_EQ(stepMilliseconds(3), 50u);
    EXPECT_EQ(stepMilliseconds(216000), 3600000u);
    EXPECT_EQ(stepNearestSeconds(12.5), 750);
    for (int fps : {1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60}) EXPECT_TRUE(isValidOutputRate(fps)) << fps;
    for (int fps : {0, 7, 25, 50, 120}) EXPECT_FALSE(isValidOutputRate(fps)) << fps;
}

}  // namespace
