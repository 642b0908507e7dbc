// Show sources: unpacking the sample show into a source folder and building it back into a pack
// (goal: under a second each).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "support/captured_message_boxes.h"
#include "tools/show_source/show_source.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSamplePack = fs::path(DEMO_BINARY_DIR) / "show" / "data.pak";
const fs::path kScratch = fs::temp_directory_path() / "show_source_bench";

void BM_UnpackSampleShow(benchmark::State& state) {
    CapturedMessageBoxes boxes;
    std::string error;
    for (auto _ : state) {
        if (!unpackShow(kSamplePack.string(), (kScratch / "source").string(), &error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}
BENCHMARK(BM_UnpackSampleShow)->Unit(benchmark::kMillisecond);

void BM_BuildSampleShow(benchmark::State& state) {
    CapturedMessageBoxes boxes;
    std::string error;
    if (!unpackShow(kSamplePack.string(), (kScratch / "source").string(), &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        const BuildResult result = buildShow((kScratch / "source").string(), (kScratch / "data.pak").string());
        if (!result.ok()) {
            state.SkipWithError("the build failed");
            break;
        }
    }
    std::error_code ec;
    fs::remove_all(kScratch, ec);
}
BENCHMARK(BM_BuildSampleShow)->Unit(benchmark::kMillisecond);

}  // namespace
