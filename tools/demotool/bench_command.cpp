// demotool bench: where a show's frame time goes (engine, render, encoding), as text or JSON.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/recorder/avi_recorder.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/show_bench.h"

namespace {

constexpr size_t kSlowestCount = 5;

double secondsOfStep(int64_t step) { return static_cast<double>(step) / kStepsPerSecond; }

std::string describeCells(const std::vector<DrawnCell>& cells) {
    if (cells.empty()) return "nothing drawn";
    std::string text;
    for (const DrawnCell& c : cells) {
        if (!text.empty()) text += "; ";
        text += "track " + std::to_string(c.track) + " cell " + std::to_string(c.cell) + " " + c.kind;
        if (!c.name.empty()) text += " \"" + c.name + "\"";
    }
    return text;
}

nlohmann::ordered_json passJson(const ShowBench& bench, const FrameCosts& costs) {
    const CostSummary s = costs.summary(kSlowestCount);
    nlohmann::ordered_json j;
    j["frames"] = s.frames;
    j["mean_ms"] = s.mean;
    j["p50_ms"] = s.p50;
    j["p99_ms"] = s.p99;
    j["max_ms"] = s.max;
    nlohmann::ordered_json slowest = nlohmann::ordered_json::array();
    for (const FrameCost& c : s.slowest) {
        nlohmann::ordered_json moment;
        moment["seconds"] = secondsOfStep(c.step);
        moment["step"] = c.step;
        moment["ms"] = c.milliseconds;
        nlohmann::ordered_json cells = nlohmann::ordered_json::array();
        for (const DrawnCell& d : bench.cellsAt(c.step))
            cells.push_back({{"track", d.track}, {"cell", d.cell}, {"kind", d.kind}, {"name", d.name}});
        moment["cells"] = cells;
        slowest.push_back(moment);
    }
    j["slowest"] = slowest;
    return j;
}

void printPass(const ShowBench& bench, const char* title, const FrameCosts& costs) {
    const CostSummary s = costs.summary(kSlowestCount);
    std::printf("%s\n  mean %.3f ms  p50 %.3f ms  p99 %.3f ms  max %.3f ms over %zu frames\n", title, s.mean,
                s.p50, s.p99, s.max, s.frames);
    std::printf("  most expensive moments:\n");
    for (const FrameCost& c : s.slowest)
        std::printf("    %8.3f ms at %8.3f s: %s\n", c.milliseconds, secondsOfStep(c.step),
                    describeCells(bench.cellsAt(c.step)).c_str());
}

}  // namespace

int benchCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"--size", "--fps", "--from", "--to", "--encode", "--dir"}, {"--json", "--engine-only", "--live"},
                   &a, &problem))
        return usageError("bench", problem);
    if (a.help) {
        std::fputs(helpText("bench").c_str(), stdout);
        return kExitOk;
    }
    if (!a.operands.empty()) return usageError("bench", "unexpected argument '" + a.operands[0] + "'");

    BenchSettings settings;
    if (a.has("--size") && !parseSize(a.value("--size"), &settings.width, &settings.height))
        return usageError("bench", "bad --size '" + a.value("--size") + "' (expected WxH, e.g. 640x480)");
    long fps = kDefaultAviFramesPerSecond;
    if (a.has("--fps") && (!parseInteger(a.value("--fps"), 1, 60, &fps) || !isValidOutputRate(static_cast<int>(fps))))
        return usageError("bench", "bad --fps '" + a.value("--fps") +
                                       "' (it must divide 60: 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30 or 60)");
    // Every 60 Hz step drawn, as a live viewer draws them: the render pass is then the live
    // frame cost.
    if (a.flags.count("--live")) {
        if (a.has("--fps") && fps != kStepsPerSecond)
            return usageError("bench", "--live draws every step: drop --fps or make it 60");
        fps = kStepsPerSecond;
    }
    settings.fps = static_cast<int>(fps);
    const bool live = settings.fps == kStepsPerSecond;
    if (a.has("--from") && !parseSeconds(a.value("--from"), &settings.fromSeconds))
        return usageError("bench", "bad --from '" + a.value("--from") + "' (expected seconds, e.g. 12.5)");
    if (a.has("--to") && (!parseSeconds(a.value("--to"), &settings.toSeconds) || settings.toSeconds <= 0.0))
        return usageError("bench", "bad --to '" + a.value("--to") + "' (expected seconds, e.g. 60)");
    if (a.has("--to") && settings.toSeconds <= settings.fromSeconds)
        return usageError("bench", "--to must be after --from");
    if (a.has("--encode")) {
        settings.encodeCodec = a.value("--encode");
        if (settings.encodeCodec.empty()) return usageError("bench", "--encode needs a codec name");
    }
    const bool engineOnly = a.flags.count("--engine-only") != 0;
    if (engineOnly && a.has("--encode")) return usageError("bench", "--encode needs the render pass: drop --engine-only");
    // Taken relative to where the command was started, before the passes enter the show.
    settings.dir = absolutePath(a.has("--dir") ? a.value("--dir") : ".");

    ShowBench bench(settings);
    if (!bench.runEngine() || (!engineOnly && !bench.runRender())) {
        std::fprintf(stderr, "demotool bench: %s\n", bench.error().c_str());
        return kExitFailure;
    }

    const FrameSchedule& schedule = bench.schedule();
    const size_t engineFrames = bench.engine().count();
    const double callsPerFrame =
        engineFrames ? static_cast<double>(bench.engineDrawCalls()) / static_cast<double>(engineFrames) : 0.0;
    if (a.flags.count("--json")) {
        nlohmann::ordered_json doc;
        doc["show"] = settings.dir;
        doc["width"] = settings.width;
        doc["height"] = settings.height;
        doc["from_seconds"] = settings.fromSeconds;
        doc["to_seconds"] = bench.toSeconds();
        doc["fps"] = settings.fps;
        doc["steps"] = schedule.endStep - schedule.firstStep;
        doc["output_frames"] = schedule.frameCount();
        doc["engine"] = passJson(bench, bench.engine());
        doc["engine"]["device"] = "null";
        doc["engine"]["draw_calls_per_frame"] = callsPerFrame;
        doc["engine_cpu"] = passJson(bench, bench.engineCpu());
        if (!engineOnly) {
            doc["render"] = passJson(bench, bench.render());
            doc["render"]["device"] = "headless GL";
            doc["render"]["live"] = live;
            doc["render"]["frames_over_16_7_ms"] = bench.render().countOver(kLiveFrameBudgetMs);
        }
        if (!settings.encodeCodec.empty()) {
            doc["encode"] = passJson(bench, bench.encode());
            doc["encode"]["codec"] = settings.encodeCodec;
        }
        std::printf("%s\n", doc.dump(2).c_str());
        return kExitOk;
    }

    std::printf("bench: %s at %dx%d, %.3f s to %.3f s: %lld steps (60 Hz), %lld output frames at %d fps\n",
                settings.dir.c_str(), settings.width, settings.height, settings.fromSeconds,
                bench.toSeconds(), static_cast<long long>(schedule.endStep - schedule.firstStep),
                static_cast<long long>(schedule.frameCount()), settings.fps);
    char title[160];
    std::snprintf(title, sizeof title, "engine (null device, %.1f draw calls per step), per step:", callsPerFrame);
    printPass(bench, title, bench.engine());
    printPass(bench, "engine in CPU time of the playing thread (without the time other programs ran):",
              bench.engineCpu());
    if (!engineOnly) {
        printPass(bench,
                  live ? "render (headless GL, up to a finished picture), per output frame; every 60 Hz step is "
                         "drawn, so this is the live frame cost:"
                       : "render (headless GL, up to a finished picture), per output frame:",
                  bench.render());
        std::printf("  %zu of %zu frames over 16.7 ms (the 60 Hz frame time)%s\n",
                    bench.render().countOver(kLiveFrameBudgetMs), bench.render().count(),
                    live ? "" : "; --live draws every step as a live viewer does");
    }
    if (!settings.encodeCodec.empty()) {
        std::snprintf(title, sizeof title, "encode (%s: read-back and encoding), per output frame:",
                      settings.encodeCodec.c_str());
        printPass(bench, title, bench.encode());
    }
    return kExitOk;
}
