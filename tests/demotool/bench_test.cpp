// demotool bench on the test show: its figures are present and consistent, its JSON parses, the
// engine pass draws nothing, and the summary of frame costs picks the right percentiles.
#include <gtest/gtest.h>

#include "demotool_runner.h"
#include "platform/posix/egl_surface.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/frame_costs.h"
#include "tools/demotool/offline_show.h"
#include "tools/demotool/progress.h"
#include "tools/demotool/show_bench.h"

namespace {

// Checks one pass's figures: frames as expected, 0 < p50 <= p99 <= max, mean within (0, max], and
// the five slowest moments in falling order, each at a time of the run with the cells drawn there.
void expectSaneFigures(const nlohmann::json& pass, long frames, double toSeconds, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(pass.is_object());
    EXPECT_EQ(pass.value("frames", -1L), frames);
    const double p50 = pass.value("p50_ms", -1.0), p99 = pass.value("p99_ms", -1.0);
    const double mean = pass.value("mean_ms", -1.0), max = pass.value("max_ms", -1.0);
    EXPECT_GT(p50, 0.0);
    EXPECT_LE(p50, p99);
    EXPECT_LE(p99, max);
    EXPECT_GT(mean, 0.0);
    EXPECT_LE(mean, max);
    EXPECT_LT(max, 60000.0);
    const auto& slowest = pass["slowest"];
    ASSERT_EQ(slowest.size(), 5u);
    EXPECT_EQ(slowest[0].value("ms", -1.0), max);
    for (size_t i = 0; i < slowest.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(slowest[i].value("ms", 0.0), slowest[i - 1].value("ms", 0.0));
        }
        const double at = slowest[i].value("seconds", -1.0);
        EXPECT_GE(at, 0.0);
        EXPECT_LT(at, toSeconds);
        EXPECT_NEAR(at, slowest[i].value("step", -1) / 60.0, 1e-9);
    }
}

class BenchShow : public ::testing::Test {
protected:
    void SetUp() override {
        show_ = scratch_ / "show";
        std::filesystem::create_directories(show_);
        ASSERT_TRUE(writePack(show_ + "/data.pak", testShowStream()));
    }
    RunResult run(std::vector<std::string> args) { return runDemotool(args, scratch_.path()); }

    ScratchDir scratch_;
    std::string show_;
};

}  // namespace

TEST(FrameCosts, SummaryTakesNearestRankPercentilesAndTheSlowestInOrder) {
    FrameCosts costs;
    EXPECT_EQ(costs.summary().frames, 0u);
    EXPECT_EQ(costs.summary().p99, 0.0);
    // Steps 0..199 costing 1..100 twice over, in a shuffled order.
    for (int i = 0; i < 200; ++i) costs.add(i, static_cast<double>((i * 37) % 100 + 1));
    const CostSummary s = costs.summary(3);
    EXPECT_EQ(s.frames, 200u);
    EXPECT_DOUBLE_EQ(s.mean, 50.5);
    EXPECT_EQ(s.p50, 50.0);
    EXPECT_EQ(s.p99, 99.0);
    EXPECT_EQ(s.max, 100.0);
    ASSERT_EQ(s.slowest.size(), 3u);
    // The two frames of cost 100 come first, the earlier step first; then one of cost 99.
    EXPECT_EQ(s.slowest[0].milliseconds, 100.0);
    EXPECT_EQ(s.slowest[1].milliseconds, 100.0);
    EXPECT_LT(s.slowest[0].step, s.slowest[1].step);
    EXPECT_EQ(s.slowest[2].milliseconds, 99.0);
    // Strictly over: the two frames of 100 and the two of 99 are over 98.5, a cost equal to the
    // limit is not.
    EXPECT_EQ(costs.countOver(98.5), 4u);
    EXPECT_EQ(costs.countOver(99.0), 2u);
    EXPECT_EQ(costs.countOver(100.0), 0u);
    EXPECT_EQ(FrameCosts().countOver(0.0), 0u);
}

TEST(FrameTimes, NearestRankPercentilesAndTheProgressLine) {
    FrameTimes times;
    EXPECT_EQ(times.percentile(0.5), 0.0);
    for (double ms : {5.0, 1.0, 4.0, 2.0, 3.0}) times.add(ms);
    EXPECT_EQ(times.percentile(0.5), 3.0);  // rank ceil(2.5) = 3
    EXPECT_EQ(times.percentile(0.99), 5.0);
    EXPECT_EQ(times.percentile(0.0), 1.0);
    EXPECT_EQ(times.mean(), 3.0);
    EXPECT_EQ(times.max(), 5.0);

    EXPECT_EQ(formatClock(3599.4), "59:59");
    EXPECT_EQ(formatClock(3600.0), "1:00:00");
    EXPECT_EQ(formatClock(59.6), "1:00");
    EXPECT_EQ(formatClock(-3.0), "0:00");
    // 30 of 300 frames in 10 s: 3 fps, 270 frames left take 1:30.
    EXPECT_EQ(ProgressBar::line(30, 300, 10.0),
              "[" + std::string(3, '#') + std::string(27, '.') + "] 30/300 frames  10%    3.0 fps 1:30 left");
    EXPECT_EQ(ProgressBar::line(0, 300, 0.0).substr(32), " 0/300 frames   0%    0.0 fps ? left");
}

TEST_F(BenchShow, JsonHoldsEveryPassWithSaneFigures) {
    const RunResult r = run({"bench", "--json", "--size", "320x240", "--encode", "ffv1", "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    // The show ends at 3.003 s: steps 0 .. 180 are played, every second one is an output frame
    // and only those are drawn.
    EXPECT_EQ(doc.value("steps", -1L), 181);
    EXPECT_EQ(doc.value("output_frames", -1L), 91);
    EXPECT_EQ(doc.value("width", 0), 320);
    const double to = doc.value("to_seconds", 0.0);
    EXPECT_NEAR(to, 3.003, 0.001);
    expectSaneFigures(doc["engine"], 181, to, "engine");
    expectSaneFigures(doc["engine_cpu"], 181, to, "engine_cpu");
    expectSaneFigures(doc["render"], 91, to, "render");
    expectSaneFigures(doc["encode"], 91, to, "encode");
    EXPECT_EQ(doc["encode"].value("codec", ""), "ffv1");
    EXPECT_GT(doc["engine"].value("draw_calls_per_frame", 0.0), 0.0);
    // Every moment names the cells drawn there; the scene sits on track 0 throughout.
    for (const auto& moment : doc["render"]["slowest"]) {
        ASSERT_FALSE(moment["cells"].empty());
        EXPECT_EQ(moment["cells"][0].value("track", -1), 0);
        EXPECT_EQ(moment["cells"][0].value("kind", ""), "scene");
        EXPECT_EQ(moment["cells"][0].value("name", ""), "The Scene");
    }
    // No video is left behind, in the show or the working directory.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch_.path()))
        EXPECT_NE(entry.path().extension(), ".avi") << entry.path();
}

TEST_F(BenchShow, TextReportAndOptions) {
    const RunResult r = run({"bench", "--engine-only", "--from", "1", "--to", "2", "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // As record plays them: steps 60 .. 118, the last one the output frame at 1.967 s; the
    // render pass is left out.
    EXPECT_NE(r.out.find("59 steps (60 Hz)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("30 output frames"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("engine (null device"), std::string::npos);
    EXPECT_NE(r.out.find("p99"), std::string::npos);
    EXPECT_NE(r.out.find("track 0 cell 0 scene \"The Scene\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("render ("), std::string::npos);

    EXPECT_EQ(run({"bench", "--engine-only", "--encode", "ffv1", "--dir", show_}).exitCode, kExitUsage);
    EXPECT_EQ(run({"bench", "--fps", "7", "--dir", show_}).exitCode, kExitUsage);
    EXPECT_EQ(run({"bench", "--from", "2", "--to", "1", "--dir", show_}).exitCode, kExitUsage);
    const RunResult late = run({"bench", "--engine-only", "--from", "10", "--dir", show_});
    EXPECT_EQ(late.exitCode, kExitFailure);
    EXPECT_NE(late.err.find("nothing to play"), std::string::npos) << late.err;
    const RunResult missing = run({"bench", "--dir", scratch_ / "nowhere"});
    EXPECT_EQ(missing.exitCode, kExitFailure);
    const RunResult badCodec = run({"bench", "--encode", "no-such-codec", "--to", "0.5", "--dir", show_});
    EXPECT_EQ(badCodec.exitCode, kExitFailure);
    EXPECT_NE(badCodec.err.find("no-such-codec"), std::string::npos) << badCodec.err;
    EXPECT_NE(run({"help", "bench"}).out.find("--encode CODEC"), std::string::npos);
}

TEST_F(BenchShow, LiveDrawsEveryStepAndCountsTheFramesOverTheLiveBudget) {
    const RunResult r = run({"bench", "--live", "--json", "--size", "320x240", "--to", "1", "--dir", show_});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << r.out;
    // Steps 0 .. 59, every one drawn.
    EXPECT_EQ(doc.value("fps", 0), 60);
    EXPECT_EQ(doc.value("output_frames", -1L), 60);
    EXPECT_EQ(doc["render"].value("frames", -1L), 60);
    EXPECT_TRUE(doc["render"].value("live", false));
    // The count agrees with the figures: none over when the slowest is within, at least one
    // when it is not, more than 1% of them when p99 is over.
    const long over = doc["render"].value("frames_over_16_7_ms", -1L);
    const double max = doc["render"].value("max_ms", 0.0), p99 = doc["render"].value("p99_ms", 0.0);
    EXPECT_LE(over, 60);
    EXPECT_EQ(over == 0, max <= kLiveFrameBudgetMs) << over << " over, max " << max;
    if (p99 > kLiveFrameBudgetMs) {
        EXPECT_GE(over, 1);
    }

    // --fps 60 is the same; other rates are not the live cost but still count their frames.
    const RunResult text = run({"bench", "--fps", "60", "--size", "320x240", "--to", "0.5", "--dir", show_});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("this is the live frame cost"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" of 30 frames over 16.7 ms"), std::string::npos) << text.out;
    const RunResult recorded = run({"bench", "--size", "320x240", "--to", "0.5", "--dir", show_});
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    EXPECT_EQ(recorded.out.find("live frame cost"), std::string::npos) << recorded.out;
    EXPECT_NE(recorded.out.find(" of 15 frames over 16.7 ms"), std::string::npos) << recorded.out;

    EXPECT_EQ(run({"bench", "--live", "--fps", "30", "--dir", show_}).exitCode, kExitUsage);
    EXPECT_EQ(run({"bench", "--live", "--fps", "60", "--engine-only", "--to", "0.5", "--dir", show_}).exitCode, 0);
    EXPECT_NE(run({"help", "bench"}).out.find("--live"), std::string::npos);
}

TEST_F(BenchShow, TheEnginePassDrawsNothing) {
    std::string why;
    if (!EglSurface::platformAvailable(&why)) GTEST_SKIP() << "no headless GL here: " << why;
    // A picture on the current GL context, then a whole engine pass: the device that draws
    // nothing is handed the show's primitives, and the picture stays as it was. Neither changes
    // the working directory.
    const std::filesystem::path here = std::filesystem::current_path();
    OfflineShow show;
    ASSERT_TRUE(show.open(show_, 160, 90)) << show.error();
    show.drawStep(60);
    show.finishFrame();
    const std::string before = show.readRgba();
    ASSERT_FALSE(before.empty());
    BenchSettings settings;
    settings.dir = show_;
    settings.width = 160;
    settings.height = 90;
    ShowBench bench(settings);
    ASSERT_TRUE(bench.runEngine()) << bench.error();
    EXPECT_EQ(bench.engine().count(), 181u);
    EXPECT_GT(bench.engineDrawCalls(), 181);
    show.finishFrame();
    EXPECT_TRUE(show.readRgba() == before);
    EXPECT_EQ(std::filesystem::current_path(), here);
}
