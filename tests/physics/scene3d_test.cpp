// Scene3D: loading the physics record into bodies, display materials, round trip of the scene
// record, camera selection and the frame passes, spawned cubes.
#include <cstring>

#include <gtest/gtest.h>

#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "scene/scene_physics.h"
#include "scene_records.h"

using records::PhysicsRecord;

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

TEST(Scene3D, PhysicsRecordMakesBodiesFromMeshes) {
    CapturedMessageBoxes boxes;
    Loaded l(sampleScene());
    ASSERT_FALSE(l.reader.failed()) << l.reader.error();
    ScenePhysics* physics = l.scene.getPhysics();
    EXPECT_EQ(physics->getStartFrame(), 2);
    EXPECT_EQ(physics->getGravity().y, -0.002f);
    EXPECT_EQ(physics->getBodyCount(), 5);  // four meshes and the plane; bad records skipped

    auto* fixed = dynamic_cast<CubeBody*>(l.bodyOf(10));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(dynamic_cast<BoxBody*>(fixed), nullptr);
    EXPECT_EQ(fixed->getHalfSize(), 1.0f);
    EXPECT_EQ(fixed->getFlags(), kBodyFixed);
    EXPECT_TRUE(fixed->getNode()->usesQuaternion());
    EXPECT_EQ(fixed->getBounce(), 0.25f);
    EXPECT_EQ(fixed->getSlide(), 0.5f);
    EXPECT_EQ(fixed->getVelocity().y, 0.1f);

    auto* box = dynamic_cast<BoxBody*>(l.bodyOf(11));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getHalfSize(), 1.0f);
    EXPECT_EQ(box->getHalfExtentZ(), 1.5f);
    EXPECT_EQ(box->getInnerRadius(), 1.0f);
    EXPECT_FALSE(box->getNode()->usesQuaternion());
    // "Fix" is not "fix"; a longer name containing "bouteille" is reported at rest, the word
    // alone is not.
    EXPECT_EQ(l.bodyOf(12)->getFlags(), kBodyNotifyAtRest);
    EXPECT_EQ(l.bodyOf(13)->getFlags(), 0);
    auto* plane = dynamic_cast<PlaneBody*>(physics->bodies().front());  // the last added comes first
    ASSERT_NE(plane, nullptr);
    EXPECT_EQ(plane->getNode(), nullptr);
    EXPECT_TRUE(plane->isFixed());

    // Records naming a target and a missing node are skipped with one report.
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "error:physics node 50 is not a mesh");

    // Display materials: the file's 600 stays, 601..605 take their colours.
    int status = 0;
    EXPECT_EQ(l.materials.find(600, &status)->getColour().pack(), 0x00FF00);
    for (int i = 1; i < 6; ++i) {
        const ColorRGB c = l.materials.find(600 + i, &status)->getColour();
        EXPECT_NEAR(c.x, 1.0f - 0.1f * i, 1e-5f);
        EXPECT_NEAR(c.y, std::max(0.0f, 100.0f / 255 - 0.1f * i), 1e-5f);
        EXPECT_NEAR(c.z, std::max(0.0f, 83.0f / 255 - 0.1f * i), 1e-5f);
    }
    EXPECT_FLOAT_EQ(Scene3D::displayMaterialColour(1).y, 0.292157f);
    EXPECT_EQ(Scene3D::displayMaterialColour(5).y, 0.0f);
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
    device.setVisibleAnswer(1);
    l.scene.update(&device, 640, 480, true);
    ASSERT_EQ(device.count(RecordKind::Camera), 1);
    for (const RenderRecord& r : device.records()) {
        if (r.kind == RecordKind::Camera) {
            EXPECT_EQ(r.p0.y, 5.0f);  // the direct child, not the grouped one
        }
    }

    // Physics frame = time / 30: with startFrame 2 the world first steps at time 60.
    RigidBody* box = l.bodyOf(11);
    l.scene.setTime(59);
    l.scene.draw(&device, 640, 480, true);
    EXPECT_EQ(l.scene.getPhysics()->getCurrentFrame(), 1);
    EXPECT_EQ(box->getVelocity().y, 0.1f);
    l.scene.setTime(60);
    l.scene.draw(&device, 640, 480, true);
    EXPECT_FLOAT_EQ(box->getVelocity().y, 0.1f - 0.002f);
    bool cleared = false;
    for (const RenderRecord& r : device.records())
        if (r.kind == RecordKind::ClearColor) cleared = r.p0.x == 0.25f && r.p0.y == 0.5f && r.p0.z == 0.75f;
    EXPECT_TRUE(cleared);

    // Without a direct camera child: the fixed look-at view.
    Scene3D bare;
    auto* group = new Group3D();
    group->addChild(new Camera3D(), 0);
    bare.addChild(group, 0);
    device.clear();
    bare.update(&device, 640, 480, true);
    ASSERT_EQ(device.count(RecordKind::LookAt), 1);
    for (const RenderRecord& r : device.records()) {
        if (r.kind == RecordKind::LookAt) {
            EXPECT_EQ(r.p0.z, -400.0f);
        }
    }
}

TEST(Scene3D, SpawnedCubeMeshAndBody) {
    CapturedMessageBoxes boxes;
    Loaded l(sampleScene());
    const int before = l.scene.getChildCount();
    CubeBody* body = l.scene.spawnCube(0.5f, Vector3(1, 2, 3), Vector3(0.1f, 0, 0), Vector3(0.01f, 0.02f, 0.03f));
    ASSERT_EQ(l.scene.getChildCount(), before + 1);
    auto* mesh = dynamic_cast<StdMesh3D*>(l.scene.getChild(before));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(body->getNode(), mesh);
    EXPECT_TRUE(l.scene.getPhysics()->contains(body));
    EXPECT_GT(mesh->getId(), 50);  // above every loaded id
    EXPECT_EQ(l.scene.findNodeById(mesh->getId()), mesh);
    EXPECT_EQ(mesh->getParam(), 0.5f);
    EXPECT_EQ(mesh->getTransformMode(), 2);
    EXPECT_EQ(mesh->getRotation().y, 0.02f);
    ASSERT_EQ(mesh->getPointCount(), 8);
    EXPECT_EQ(mesh->getPoint(0, kLocalPoints)->x, -1.0f);  // half extent 0.5 * 4 * size
    EXPECT_EQ(mesh->getPoint(6, kLocalPoints)->z, 1.0f);
    ASSERT_EQ(mesh->getFaceCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(mesh->getMaterials()[i], 600 + i);
    EXPECT_EQ(mesh->getFaces()[0][1], 3);  // first face (3, 2, 1, 0)
    EXPECT_EQ(body->getHalfSize(), 1.0f);
    EXPECT_EQ(body->getMass(), 100.0f);
    EXPECT_EQ(body->getFlags(), kBodyNotifyAtRest);
    EXPECT_EQ(body->getBounce(), 0.3f);
    EXPECT_EQ(body->getSlide(), 0.2f);
    Matrix4 spin;
    spin.setRotationEuler(Vector3(0.01f, 0.02f, 0.03f));
    EXPECT_TRUE(body->getSpin().equals(spin));
    // Its transformed points are ready before its first update.
    EXPECT_NEAR(mesh->getPoint(0, kTransformedPoints)->y, 1.0f, 0.1f);

    // The next spawn gets another id; removeChild takes a node out of the list only.
    CubeBody* second = l.scene.spawnCube(0.5f, Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0));
    EXPECT_NE(second->getNode()->getId(), mesh->getId());
    l.scene.removeChild(mesh);
    EXPECT_EQ(l.scene.getChildCount(), before + 1);
    EXPECT_EQ(mesh->getParent(), &l.scene);
    delete mesh;
    l.scene.getPhysics()->removeBody(body);
}
