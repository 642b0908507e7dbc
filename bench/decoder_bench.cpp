// Decoder and loading speed: a full 1024 x 1024 packed frame (long runs, and the worst case of
// one-pixel runs), a DIGIFLY.FLC frame (640 x 400, when the shared test files are present), and
// loading a small show pack (a picture, 150 packed frames, a scene) from memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/packed_frame.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "support/captured_message_boxes.h"

namespace {

// A full frame of runs of runLength pixels (1..255), colours cycling through the palette.
std::vector<uint8_t> packedFrame(int runLength) {
    std::vector<uint8_t> out;
    out.push_back(0);
    for (int i = 0; i < 256; ++i) {
        const uint8_t rgba[4] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255};
        out.insert(out.end(), rgba, rgba + 4);
    }
    int colour = 0;
    for (int left = kFrameBufferPixels; left > 0; left -= runLength) {
        out.push_back(static_cast<uint8_t>(left < runLength ? left : runLength));
        out.push_back(static_cast<uint8_t>(colour++ & 0xFF));
    }
    return out;
}

void decodePacked(benchmark::State& state) {
    const std::vector<uint8_t> frame = packedFrame(static_cast<int>(state.range(0)));
    uint8_t* pixels = allocateFrameBuffer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodePackedFrame(frame.data(), pixels, static_cast<int>(frame.size())));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameBufferPixels);
    state.counters["frame_bytes"] = static_cast<double>(frame.size());
}
BENCHMARK(decodePacked)->Arg(255)->Arg(1)->Unit(benchmark::kMicrosecond);

// DIGIFLY.FLC from the shared test data: $DEMO_SHARED_DIR, else the first "shared" folder found
// beside the program's folder or one of its parents.
std::filesystem::path digiflyPath() {
    const char* name = "testdata/flic/DIGIFLY.FLC";
    if (const char* dir = std::getenv("DEMO_SHARED_DIR")) return std::filesystem::path(dir) / name;
    std::error_code error;
    std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path())
        if (std::filesystem::exists(dir / "shared" / name)) return dir / "shared" / name;
    return name;
}

void decodeFlcFrame(benchmark::State& state) {
    const std::filesystem::path path = digiflyPath();
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("DIGIFLY.FLC is not available");
        return;
    }
    fliOpen(path.string().c_str(), allocateFrameBuffer());
    int64_t frames = 0;
    for (auto _ : state) {
        if (fliFrameIndex() >= fliFrameCount() - 1) {
            state.PauseTiming();
            fliRewind();
            fliNextFrame();  // the prefix chunk
            state.ResumeTiming();
        }
        fliNextFrame();
        ++frames;
    }
    fliClose();
    state.SetItemsProcessed(frames);
}
BENCHMARK(decodeFlcFrame)->Unit(benchmark::kMicrosecond);

// The uncompressed bytes of a small show: empty mesh section, a library animation of 150 full
// frames, a picture, an animation cell and an empty scene.
std::vector<uint8_t> showPack() {
    CapturedMessageBoxes quiet;
    resetAnimationList();
    PackWriter w;
    w.openMemory();
    MeshRegistry registry;
    registry.save(w);
    Timeline timeline;
    auto* library = new Animation();
    library->setName("bands");
    static std::vector<std::vector<uint8_t>> frames;
    frames.assign(150, packedFrame(255));
    for (auto& f : frames) library->addFrame(f.data(), static_cast<int32_t>(f.size()));
    animationList->addLast(library);
    timeline.setTrackCount(2);
    static std::vector<uint8_t> pixels(kFrameBufferBytes, 0x80);
    auto* picture = new PictureClip();
    picture->setPixels(pixels.data());
    picture->setEnd(300);
    timeline.addCell(0, picture, false);
    auto* cell = new Animation();
    cell->setIsCell(1);
    cell->setName("bands");
    cell->setStart(300);
    cell->setEnd(4800);
    cell->setLength(4800);
    timeline.addCell(0, cell, true);
    auto* scene = new SceneClip(&registry);
    scene->setContent(new Scene3D(), new MaterialLibrary(kSceneMaterialCapacity), new ControllerSet());
    scene->setEnd(4800);
    scene->setLength(4800);
    timeline.addCell(1, scene, true);
    writeTimeline(w, timeline.content());
    resetAnimationList();
    return w.bytes();
}

void loadPack(benchmark::State& state) {
    const std::vector<uint8_t> bytes = showPack();
    CapturedMessageBoxes quiet;
    for (auto _ : state) {
        state.PauseTiming();
        resetAnimationList();
        auto* registry = new MeshRegistry();
        auto* timeline = new Timeline();
        PackReader reader;
        reader.openMemory(bytes.data(), bytes.size(), "data.pak");
        state.ResumeTiming();
        if (!loadShowFrom(reader, *registry, *timeline).loaded()) state.SkipWithError("the pack did not load");
        state.PauseTiming();
        delete timeline;
        delete registry;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
    state.counters["pack_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(loadPack)->Unit(benchmark::kMillisecond);

}  // namespace
