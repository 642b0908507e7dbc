// Determinism: the same scene loaded twice and simulated for 1,000 frames ends with bit-identical
// node transforms (the generator is reseeded by the scene and its streams).
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "fx/pisse3d.h"
#include "platform/message_box.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "scene/scene_physics.h"
#include "scene_records.h"

namespace {

std::vector<uint8_t> tumblingScene() {
    using namespace records;
    Child stream{0xC00, [](PackWriter& w) { node(w, 30, "jet", Vector3(0, 3, 0), {}, {{"flux", "3"}}, 31); }};
    return scene(
        {
            target(31, Vector3(2, 0, 1)),
            mesh(20, "a", Vector3(0, 4, 0), Vector3(0.5f, 0.5f, 0.5f)),
            mesh(21, "b", Vector3(0.4f, 6, 0.3f), Vector3(0.5f, 0.5f, 0.5f)),
            mesh(22, "c", Vector3(-0.3f, 8, 0.2f), Vector3(0.3f, 0.6f, 0.4f)),
            mesh(23, "une bouteille", Vector3(1.5f, 3, -1), Vector3(0.2f, 0.2f, 0.2f)),
            stream,
        },
        {{5, 20}, {5, 21}, {5, 22}, {2, 23}, {4, 31, Plane(0, 1, 0, 0)}});
}

// Positions and rotations of every node after the frames, as raw bits.
std::vector<float> simulate(const std::vector<uint8_t>& bytes, int frames, int* bodyCount) {
    Pisse3D::resetFrameCounter();
    MaterialLibrary materials(1000);
    Scene3D scene;
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    scene.load(reader, &materials, nullptr);
    EXPECT_FALSE(reader.failed()) << reader.error();
    // Tilt the falling meshes so that they tumble into each other.
    scene.findNodeById(21)->setRotation(0.4f, 0.1f, 0.3f);
    scene.findNodeById(22)->setRotation(-0.2f, 0.5f, 0.1f);
    for (int frame = 0; frame < frames; ++frame) {
        scene.setTime(frame * 30);
        scene.update(nullptr, 640, 480, true);
        scene.draw(nullptr, 640, 480, true);
    }
    *bodyCount = scene.getPhysics()->getBodyCount();
    std::vector<float> state;
    for (Node3D* node : scene.children()) {
        const Vector3 p = node->getPosition(), r = node->getRotation();
        state.insert(state.end(), {p.x, p.y, p.z, r.x, r.y, r.z});
    }
    return state;
}

}  // namespace

TEST(Determinism, SameSceneSameBitsAfterAThousandSteps) {
    CapturedMessageBoxes boxes;
    const std::vector<uint8_t> bytes = tumblingScene();
    int bodiesA = 0, bodiesB = 0;
    const std::vector<float> a = simulate(bytes, 1000, &bodiesA);
    const std::vector<float> b = simulate(bytes, 1000, &bodiesB);
    EXPECT_TRUE(boxes.calls().empty());
    ASSERT_GT(a.size(), 6u * 300);  // the stream added its drops
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
    EXPECT_EQ(bodiesA, bodiesB);
    // The cubes came down and did not fly off.
    for (size_t i = 6; i < 6 * 5; i += 6) {
        EXPECT_GT(a[i + 1], 0.0f);
        EXPECT_LT(a[i + 1], 3.0f);
    }
}
