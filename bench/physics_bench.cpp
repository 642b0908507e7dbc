// Physics benchmarks: one world step of a scene with 300 drops resting on a plane, and the same
// scene's draw pass (step plus the cubes handed to the recording device).
#include <benchmark/benchmark.h>

#include "mesh/rigid_body.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "support/recording_render_device.h"

namespace {

constexpr int kDrops = 300;

// A scene with a fixed floor and kDrops drop cubes (size 0.011) on a grid, left to settle.
struct RestingDrops {
    Scene3D scene;
    RestingDrops() {
        auto* floor = new PlaneBody(nullptr);
        floor->setFlags(kBodyFixed);
        scene.getPhysics()->adoptBody(floor);
        for (int i = 0; i < kDrops; ++i) {
            const Vector3 position((i % 20) * 0.1f, 0.05f + (i % 7) * 0.01f, (i / 20) * 0.1f);
            const Vector3 angles(0.01f * (i % 5), 0.02f * (i % 3), 0.0f);
            scene.spawnCube(0.011f, position, Vector3(0, 0, 0), angles);
        }
        // No listener: the drops stay in the world once at rest.
        for (int i = 0; i < 400; ++i) scene.getPhysics()->step();
    }
    int resting() const {
        int n = 0;
        for (RigidBody* b : const_cast<Scene3D&>(scene).getPhysics()->bodies()) n += b->getRestCount() >= 2;
        return n;
    }
};

void BM_PhysicsStep300RestingDrops(benchmark::State& state) {
    RestingDrops drops;
    for (auto _ : state) drops.scene.getPhysics()->step();
    state.counters["bodies"] = drops.scene.getPhysics()->getBodyCount();
    state.counters["resting"] = drops.resting();
}
BENCHMARK(BM_PhysicsStep300RestingDrops)->Unit(benchmark::kMicrosecond);

void BM_SceneDraw300RestingDrops(benchmark::State& state) {
    RestingDrops drops;
    MaterialLibrary materials(1000);
    Scene3D::addDisplayMaterials(&materials);
    RecordingRenderDevice device;
    device.setMaterialLibrary(&materials);
    int frame = 0;
    for (auto _ : state) {
        drops.scene.setTime(30 * frame++);
        drops.scene.update(&device, 640, 480, true);
        drops.scene.draw(&device, 640, 480, true);
        device.endFrame();
        device.clear();
    }
}
BENCHMARK(BM_SceneDraw300RestingDrops)->Unit(benchmark::kMicrosecond);

}  // namespace
