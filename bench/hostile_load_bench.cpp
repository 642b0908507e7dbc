// Loading the pack shapes that once cost gigabytes, minutes or a thousand boxes (the hostile
// packs of the show_load fuzz corpus) through the players' entry point. One load per benchmark:
// run one at a time under /usr/bin/time for its peak memory. Counter message_lines: boxes shown
// plus lines reported while loading.
#include <benchmark/benchmark.h>

#include <string>

#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "data/mesh_registry.h"
#include "data/message_box.h"

namespace {

long gMessageLines = 0;

void loadHostilePack(benchmark::State& state, const char* name) {
    const std::string path = std::string(DEMO_SOURCE_DIR) + "/fuzz/corpus/show_load/" + name;
    allocateFrameBuffer();
    const MessageBoxSink previousBoxes = setMessageBoxSink([](const MessageBoxCall&) {
        ++gMessageLines;
        return MessageBoxResult::Ok;
    });
    const ReportLineSink previousLines = setReportLineSink([](const char*) { ++gMessageLines; });
    gMessageLines = 0;
    for (auto _ : state) {
        resetAnimationList();
        MeshRegistry registry;
        Player player;
        if (!loadShow(path, registry, player.timeline()).loaded()) state.SkipWithError("the pack did not load");
    }
    setReportLineSink(previousLines);
    setMessageBoxSink(previousBoxes);
    state.counters["message_lines"] = static_cast<double>(gMessageLines);
}
BENCHMARK_CAPTURE(loadHostilePack, bad_pictures, "hostile_bad_pictures.pak")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadHostilePack, animations, "hostile_animations.pak")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadHostilePack, registry, "hostile_registry.pak")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadHostilePack, physics, "hostile_physics.pak")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadHostilePack, boxes, "hostile_boxes.pak")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
