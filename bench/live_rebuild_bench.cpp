// Rebuild-to-picture of demotool play on a show source (goal: under a second): from a saved
// change of one scene file to the first frame of the rebuilt show drawn at the same time, the way
// play does it: the change seen by polling the files (with the settling wait), the build into
// the pack folder beside the playing show, the reload, the seek from a fresh start and one drawn
// frame on a headless GL context. Counters split the time: the wait until the change is built,
// the build, the load and the seek with the frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/posix/headless_context.h"
#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/demotool/preview_show.h"
#include "tools/show_source/live_build.h"
#include "tools/show_source/show_source.h"

namespace fs = std::filesystem;

namespace {

double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The whole file with its first line that starts with key replaced by key and value.
bool replaceLine(const fs::path& path, const std::string& key, const std::string& value) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = text.rfind("\n" + key);
    if (at == std::string::npos) return false;
    const size_t end = text.find('\n', at + 1);
    text.replace(at + 1, end - at - 1, key + value);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return true;
}

// One source played at seconds, its scene file's background changed at every iteration.
void rebuildToPicture(benchmark::State& state, const fs::path& source, const std::string& sceneFile, double seconds) {
    CapturedMessageBoxes boxes;
    ScratchDir packs;
    HeadlessContext context;
    if (!context.open(1024, 768)) {
        state.SkipWithError(context.error().c_str());
        return;
    }
    LiveBuild live(source.string(), packs.path());
    if (live.build() != LiveBuild::Outcome::Rebuilt) {
        state.SkipWithError("the source does not build");
        return;
    }
    PreviewShow show(context.surface(), 1024, 768, packs.path());
    std::string error;
    const int64_t step = static_cast<int64_t>(seconds * 60.0 + 0.5);
    if (!show.load(&error) || show.drawStep(step) != 0) {
        state.SkipWithError(error.c_str());
        return;
    }
    context.finish();

    double waitMs = 0, buildMs = 0, loadMs = 0, drawMs = 0;
    int round = 0;
    for (auto _ : state) {
        const std::string red = (++round % 2) ? "0.5" : "0.25";
        if (!replaceLine(source / sceneFile, "background: ", "[" + red + ", 0.1, 0.2]")) {
            state.SkipWithError("no background line to change");
            break;
        }
        const double saved = nowMs();
        // The play loop: it looks at the files between frames until the change has settled.
        while (!live.changeSettled(nowMs())) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double seen = nowMs();
        LiveBuild::Outcome outcome = LiveBuild::Outcome::Unchanged;
        show.runBeside([&] { outcome = live.build(); });
        const double built = nowMs();
        if (outcome != LiveBuild::Outcome::Rebuilt || !show.load(&error)) {
            state.SkipWithError("the rebuild failed");
            break;
        }
        const double loaded = nowMs();
        show.drawStep(step);
        context.finish();
        const double drawn = nowMs();
        waitMs += seen - saved;
        buildMs += built - seen;
        loadMs += loaded - built;
        drawMs += drawn - loaded;
    }
    const auto average = benchmark::Counter::kAvgIterations;
    state.counters["wait_ms"] = benchmark::Counter(waitMs, average);
    state.counters["build_ms"] = benchmark::Counter(buildMs, average);
    state.counters["load_ms"] = benchmark::Counter(loadMs, average);
    state.counters["seek_draw_ms"] = benchmark::Counter(drawMs, average);
}

// The starter example (a cube under a controller) at 3 s.
void BM_RebuildToPictureStarter(benchmark::State& state) {
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", source, fs::copy_options::recursive);
    rebuildToPicture(state, source, "scenes/cube.yaml", 3.0);
}
BENCHMARK(BM_RebuildToPictureStarter)->Unit(benchmark::kMillisecond)->UseRealTime();

// The sample show unpacked, one of its scenes changed while it plays at the time given (12 s:
// the second scene; 60 s: the last one, a long seek).
void BM_RebuildToPictureSampleShow(benchmark::State& state) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string error;
    if (!unpackShow((fs::path(DEMO_BINARY_DIR) / "show" / "data.pak").string(), source.string(), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const double seconds = static_cast<double>(state.range(0));
    rebuildToPicture(state, source, seconds < 25 ? "scenes/002-unnamed.yaml" : "scenes/005-unnamed.yaml", seconds);
}
BENCHMARK(BM_RebuildToPictureSampleShow)->Arg(12)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
