// Mesh benchmarks: the soft-body step of a 2,000-vertex mesh, and a mesh's update and draw passes
// through the recording device.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "mesh/std_mesh3d.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

namespace {

constexpr int kVertices = 2000;

// A wavy strip of kVertices points and kVertices - 2 triangles over materials 0..3.
std::unique_ptr<StdMesh3D> makeMesh(bool softBody) {
    auto mesh = std::make_unique<StdMesh3D>();
    std::vector<Vector3> points;
    for (int i = 0; i < kVertices; ++i)
        points.emplace_back(std::cos(i * 0.01f) * 10.0f, static_cast<float>(i % 2), std::sin(i * 0.01f) * 10.0f);
    std::vector<const Vector3*> list;
    for (const Vector3& p : points) list.push_back(&p);
    mesh->copyPoints(kVertices, list.data());
    std::vector<std::vector<int32_t>> faces;
    std::vector<const int32_t*> facePointers;
    std::vector<int32_t> materials;
    for (int i = 0; i + 2 < kVertices; ++i) {
        faces.push_back({3, i, i + 1, i + 2});
        materials.push_back(i % 4);
    }
    for (const auto& f : faces) facePointers.push_back(f.data());
    mesh->copyFaces(static_cast<int>(faces.size()), facePointers.data(), materials.data());
    if (softBody) mesh->setSoftBody(0, 1 << 24, 0.8f, 0.4f, 0.93f, 0.0001f);
    return mesh;
}

// One soft-body step per iteration (no device: the pass stops after the step).
void BM_SoftBodyStep2000(benchmark::State& state) {
    auto mesh = makeMesh(true);
    int time = 0;
    for (auto _ : state) {
        time += 30;
        mesh->setTime(time);
        mesh->translate((time / 30) % 2 ? 0.01f : -0.01f, 0, 0);  // jiggles in place
        mesh->update(nullptr, 0, 0, true);
    }
    benchmark::DoNotOptimize(mesh->getPoint(0, 0)->x);
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_SoftBodyStep2000);

// update (world transform and frustum test) and draw (1,998 faces recorded) of one mesh; the soft
// body runs when the argument is 1.
void BM_UpdateDrawRecorded(benchmark::State& state) {
    CapturedMessageBoxes boxes;
    auto mesh = makeMesh(state.range(0) != 0);
    MaterialLibrary library(1000);
    for (int id = 0; id < 4; ++id) library.add(new Material(id, ColorRGB(0.25f * id, 0.5f, 1.0f)));
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    Camera3D camera;  // at y = 20, looking down -y
    camera.setPosition(Vector3(0, 20, 0));
    camera.setFieldOfView(60.0f);
    device.setCamera(camera, 1024, 576);
    int time = 0;
    for (auto _ : state) {
        device.clear();
        time += 30;
        mesh->setTime(time);
        mesh->translate((time / 30) % 2 ? 0.01f : -0.01f, 0, 0);  // jiggles in place
        mesh->update(&device, 1024, 768, true);
        mesh->draw(&device, 1024, 768, true);
    }
    if (device.facesDrawn() != kVertices - 2) state.SkipWithError("unexpected face count");
    state.SetItemsProcessed(state.iterations() * (kVertices - 2));
}
BENCHMARK(BM_UpdateDrawRecorded)->Arg(0)->Arg(1);

}  // namespace
