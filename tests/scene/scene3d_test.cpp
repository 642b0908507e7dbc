// Scene3D: loading the physics record into bodies, display materials, round trip of the scene
// record, camera selection and the frame passes, spawned cubes, and determinism: the same scene
// loaded twice and run for 1,000 frames ends with bit-identical node transforms.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "fx/pisse3d.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "support/captured_message_boxes.h"
#include "support/node_records.h"
#include "support/recording_render_device.h"

namespace {

struct Loaded {
    MaterialLibrary materials{1000};
    Scene3D scene;
    PackReader reader;
    explicit Loaded(const std::vector<uint8_t>& bytes) {
        reader.openMemory(bytes.data(), bytes.size());
        scene.load(reader, &materials, nullptr);
    }
    RigidBody* bodyOf(int id) {
        for (RigidBody* b : scene.getPhysics()->bodies())
            if (b->getNode() && b->getNode()->getId() == id) return b;
        return nullptr;
    }
    std::vector<uint8_t> save() {
        PackWriter w;
        w.openMemory();
        scene.save(w, &materials);
        return w.bytes();
    }
};

// The last record of a kind (one must exist).
const RenderRecord& recordOf(const RecordingRenderDevice& device, RecordKind kind) {
    const auto& all = device.records();
    return *std::find_if(all.rbegin(), all.rend(), [kind](const RenderRecord& r) { return r.kind == kind; });
}

// Physics records: two fixed and two movable meshes, a plane, then records to skip (an unknown
// type, a target, a missing node).
std::vector<uint8_t> sampleScene() {
    using namespace records;
    return scene(
        {
            group(1, {camera(2, Vector3(0, 0, -10))}),
            camera(3, Vector3(0, 5, -50)),
            mesh(10, "socle", Vector3(0, 0, 0), Vector3(1, 1, 1), {{"cinetic_param", "fix"}}),
            mesh(11, "caisse", Vector3(0, 5, 0), Vector3(1, 1, 1.5f)),
            mesh(12, "la bouteille", Vector3(5, 5, 0), Vector3(0.5f, 0.5f, 0.5f), {{"cinetic_param", "Fix"}}),
            mesh(13, "bouteille", Vector3(-5, 5, 0), Vector3(0.5f, 0.5f, 0.5f)),
            target(50, Vector3(0, 0, 0)),
        },
        {{2, 10}, {5, 11}, {2, 12}, {5, 13}, {4, 99, Plane(0, 1, 0, 2)}, {9, 0}, {2, 50}, {5, 777}},
        {2, 0.25f, 0.5f, -0.002f, 0.1f});
}

}  // namespace

TEST(Scene3D, PhysicsRecordMakesBodiesFromMeshesAndSkipsTheRest) {
    CapturedMessageBoxes boxes;
    Loaded l(sampleScene());
    ASSERT_FALSE(l.reader.failed()) << l.reader.error();
    EXPECT_EQ(l.scene.getPhysics()->getBodyCount(), 5);  // four meshes and the plane
    // Records naming a target and a missing node are skipped with one report.
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "error:physics node 50 is not a mesh");

    auto* fixed = dynamic_cast<CubeBody*>(l.bodyOf(10));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(dynamic_cast<BoxBody*>(fixed), nullptr);
    EXPECT_EQ(fixed->getFlags(), kBodyFixed);
    EXPECT_EQ(fixed->getBounce(), 0.25f);
    EXPECT_EQ(fixed->getVelocity().y, 0.1f);
    auto* box = dynamic_cast<BoxBody*>(l.bodyOf(11));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getHalfExtentZ(), 1.5f);
    // "Fix" is not "fix"; a longer name containing "bouteille" is reported at rest, the word
    // alone is not.
    EXPECT_EQ(l.bodyOf(12)->getFlags(), kBodyNotifyAtRest);
    EXPECT_EQ(l.bodyOf(13)->getFlags(), 0);
    auto* plane = dynamic_cast<PlaneBody*>(l.scene.getPhysics()->bodies().front());  // the last added
    ASSERT_NE(plane, nullptr);
    EXPECT_TRUE(plane->isFixed());

    // Display materials: the file's 600 stays, 601 .. 605 take their colours.
    int status = 0;
    EXPECT_EQ(l.materials.find(600, &status)->getColour().pack(), 0x00FF00);
    EXPECT_NEAR(l.materials.find(605, &status)->getColour().x, 0.5f, 1e-5f);
}

TEST(Scene3D, SceneRecordRoundTripsByteForByte) {
    const std::vector<uint8_t> original = sampleScene();
    CapturedMessageBoxes boxes;
    Loaded first(original);
    const std::vector<uint8_t> saved = first.save();
    Loaded second(saved);
    ASSERT_FALSE(second.reader.failed()) << second.reader.error();
    EXPECT_EQ(second.save(), saved);
    // Apart from the five display materials the library gained, the first save is the file.
    const size_t originalLibrary = 4 + 2 * 8, savedLibrary = 4 + 7 * 8;
    ASSERT_EQ(saved.size() - savedLibrary, original.size() - originalLibrary);
    EXPECT_EQ(0, std::memcmp(saved.data() + savedLibrary, original.data() + originalLibrary,
                             original.size() - originalLibrary));
}

TEST(Scene3D, BadPhysicsCountIsALoadError) {
    auto bytes = records::scene({}, {});
    // The physics count is the 24th byte from the end (count, start, four floats).
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(bytes.data() + bytes.size() - 24, &huge, 4);
    Loaded l(bytes);
    EXPECT_TRUE(l.reader.failed());
    EXPECT_NE(l.reader.error().find("physics"), std::string::npos) << l.reader.error();
    EXPECT_EQ(l.scene.getPhysics()->getBodyCount(), 0);
}

TEST(Scene3D, CameraSelectionClearColourAndPhysicsFrames) {
    CapturedMessageBoxes boxes;
    Loaded l(sampleScene());
    RecordingRenderDevice device;
    l.scene.update(&device, 640, 480, true);
    ASSERT_EQ(device.count(RecordKind::Camera), 1);
    // The view of the direct child at (0, 5, -50), not of the grouped one.
    const Vector3 eye = Vector3(0, 5, -50).transformPoint(recordOf(device, RecordKind::Camera).view);
    EXPECT_LT(eye.length(), 1e-4f);

    // Physics frame = time / 30: with startFrame 2 the world first steps at time 60.
    RigidBody* box = l.bodyOf(11);
    l.scene.setTime(59);
    l.scene.draw(&device, 640, 480, true);
    EXPECT_EQ(box->getVelocity().y, 0.1f);
    l.scene.setTime(60);
    l.scene.draw(&device, 640, 480, true);
    EXPECT_FLOAT_EQ(box->getVelocity().y, 0.1f - 0.002f);
    ASSERT_GT(device.count(RecordKind::ClearColor), 0);
    const RenderRecord& clear = recordOf(device, RecordKind::ClearColor);
    EXPECT_TRUE(clear.r == 0.25f && clear.g == 0.5f && clear.b == 0.75f);

    // Without a direct camera child: the fixed look-at view.
    Scene3D bare;
    auto* group = new Group3D();
    group->addChild(new Camera3D(), 0);
    bare.addChild(group, 0);
    device.clear();
    bare.update(&device, 640, 480, true);
    ASSERT_EQ(device.count(RecordKind::LookAt), 1);
    const Vector3 lookAtEye = Vector3(0, 0, -400).transformPoint(recordOf(device, RecordKind::LookAt).view);
    EXPECT_LT(lookAtEye.length(), 1e-3f);
}

TEST(Scene3D, SpawnedCubeMeshAndBody) {
    CapturedMessageBoxes boxes;
    Loaded l(sampleScene());
    const int before = l.scene.getChildCount();
    CubeBody* body = l.scene.spawnCube(0.5f, Vector3(1, 2, 3), Vector3(0.1f, 0, 0), Vector3(0.01f, 0.02f, 0.03f));
    auto* mesh = dynamic_cast<StdMesh3D*>(l.scene.getChild(before));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(body->getNode(), mesh);
    EXPECT_TRUE(l.scene.getPhysics()->contains(body));
    EXPECT_EQ(body->getFlags(), kBodyNotifyAtRest);
    EXPECT_GT(mesh->getId(), 50);  // above every loaded id
    ASSERT_EQ(mesh->getFaceCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(mesh->getMaterials()[i], 600 + i);
    EXPECT_EQ(mesh->getPoint(6, kLocalPoints)->z, 1.0f);  // half extent 0.5 * 4 * size
    EXPECT_NEAR(mesh->getPoint(0, kTransformedPoints)->y, 1.0f, 0.1f);  // ready before its first update
    CubeBody* second = l.scene.spawnCube(0.5f, Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0));
    EXPECT_NE(second->getNode()->getId(), mesh->getId());

    // Past the largest id the numbers start again from 1, skipping every id in use, the
    // scene's own included.
    Scene3D wrapped;
    wrapped.setId(1);
    auto* last = new Group3D();
    last->setId(INT32_MAX);
    wrapped.addChild(last, 0);
    auto* two = new Group3D();
    two->setId(2);
    wrapped.addChild(two, 0);
    EXPECT_EQ(wrapped.newNodeId(), 3);
}

namespace {

// Falling meshes, a bottle, a plane and a stream of drops.
std::vector<uint8_t> tumblingScene() {
    using namespace records;
    Child stream{0xC00, [](PackWriter& w) { node(w, {30, "jet", Vector3(0, 3, 0), {{"flux", "3"}}, 0, 31}); }};
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
std::vector<float> simulate(const std::vector<uint8_t>& bytes, int frames) {
    Pisse3D::resetFrameCounter();
    Loaded l(bytes);
    EXPECT_FALSE(l.reader.failed()) << l.reader.error();
    // Tilt the falling meshes so that they tumble into each other.
    l.scene.findNodeById(21)->setRotation(0.4f, 0.1f, 0.3f);
    l.scene.findNodeById(22)->setRotation(-0.2f, 0.5f, 0.1f);
    for (int frame = 0; frame < frames; ++frame) {
        l.scene.setTime(frame * 30);
        l.scene.update(nullptr, 640, 480, true);
        l.scene.draw(nullptr, 640, 480, true);
    }
    std::vector<float> state;
    for (Node3D* node : l.scene.children()) {
        const Vector3 p = node->getPosition(), r = node->getRotation();
        state.insert(state.end(), {p.x, p.y, p.z, r.x, r.y, r.z});
    }
    return state;
}

}  // namespace

TEST(Determinism, SameSceneSameBitsAfterAThousandSteps) {
    CapturedMessageBoxes boxes;
    const std::vector<uint8_t> bytes = tumblingScene();
    const std::vector<float> a = simulate(bytes, 1000), b = simulate(bytes, 1000);
    EXPECT_TRUE(boxes.calls().empty());
    ASSERT_GT(a.size(), 6u * 300);  // the stream added its drops
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
    for (size_t i = 6; i < 6 * 5; i += 6) {  // the cubes came down and did not fly off
        EXPECT_GT(a[i + 1], 0.0f) << i;
        EXPECT_LT(a[i + 1], 3.0f) << i;
    }
}
