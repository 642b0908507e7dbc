// Frame cost of the sea (32 x 32 tiles) and of the metaballs (three balls) through the
// recording device.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/meta_cube_fx.h"
#include "fx/sea_mesh3d_fx.h"
#include "scene/material_library.h"
#include "support/recording_render_device.h"

namespace {

void BM_SeaFrame32x32(benchmark::State& state) {
    Node3D node;
    PackWriter w;
    w.openMemory();
    node.save(w, nullptr);
    for (int i = 0; i < 9; ++i) w.writeFloat(0);
    w.writeFloat(320);  // sizeX
    w.writeFloat(2);    // height
    w.writeFloat(320);  // sizeZ
    w.writeFloat(8);    // segmentsU
    w.writeFloat(8);    // segmentsV
    w.writeFloat(32);   // cells
    w.writeInt(5);
    w.writeInt(0x3060c0);
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    sea.load(reader, &library, nullptr);
    if (reader.failed()) {
        state.SkipWithError(reader.error().c_str());
        return;
    }
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    int time = 0;
    for (auto _ : state) {
        device.clear();
        sea.setTime(time += 33);
        sea.draw(&device, 1024, 768, true);
    }
    state.counters["faces"] = device.facesDrawn();
}
BENCHMARK(BM_SeaFrame32x32)->Unit(benchmark::kMicrosecond);

void BM_MetaballFrameThreeBalls(benchmark::State& state) {
    resetMetaSpawnCounter();
    PackWriter w;
    w.openMemory();
    for (int i = 0; i < 9; ++i) w.writeFloat(0);
    for (int i = 0; i < 3; ++i) w.writeFloat(10);
    Node3D node;
    node.save(w, nullptr);
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    meta.load(reader, &library, nullptr);
    if (reader.failed()) {
        state.SkipWithError(reader.error().c_str());
        return;
    }
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    // Frame 45: balls aged 45, 25 and 5 are alive.
    for (int frame = 1; frame <= 45; ++frame) {
        device.clear();
        meta.draw(&device, 1024, 768, true);
    }
    if (meta.field()->ballCount() != 3) {
        state.SkipWithError("expected three balls");
        return;
    }
    // The frame's work with the balls held still: sample the grid and draw the surface cells.
    for (auto _ : state) {
        device.clear();
        meta.field()->render(&device);
    }
    state.counters["cubes"] = device.facesDrawn() / 6;
    resetMetaSpawnCounter();
}
BENCHMARK(BM_MetaballFrameThreeBalls)->Unit(benchmark::kMicrosecond);

}  // namespace
