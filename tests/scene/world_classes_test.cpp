// The classes the scene folder gets from above it: node creators, the scene physics maker and
// the soft body maker, and what a load does when one is missing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/pack_reader.h"
#include "mesh/scene_physics.h"
#include "mesh/std_mesh3d.h"
#include "scene/material_library.h"
#include "scene/node_factory.h"
#include "scene/scene3d.h"
#include "support/node_records.h"
#include "world/world_classes.h"

namespace {

// Takes the given registrations away while in scope, and puts every one back after.
struct WithoutRegistrations {
    explicit WithoutRegistrations(bool nodes, bool physics) {
        if (nodes) registerNodeCreator(kKindMesh, nullptr);
        if (physics) setScenePhysicsMaker(nullptr);
    }
    ~WithoutRegistrations() { registerWorldClasses(); }
};

std::vector<uint8_t> sceneWithMesh() {
    using namespace records;
    return scene({mesh(10, "box", Vector3(0, 0, 0), Vector3(1, 1, 1))}, {{2, 10}});
}

std::string loadScene(Scene3D& scene, const std::vector<uint8_t>& bytes) {
    MaterialLibrary materials(1000);
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    scene.load(reader, &materials, nullptr);
    return reader.error();
}

}  // namespace

TEST(WorldClasses, EveryProgramHasThemBeforeMain) {
    // No test registered anything: the world library did, before main.
    Scene3D scene;
    ASSERT_NE(scene.getPhysics(), nullptr);
    EXPECT_EQ(loadScene(scene, sceneWithMesh()), "");
    ASSERT_EQ(scene.children().count(), 1);
    EXPECT_STREQ(scene.children().first()->getTypeName(), "StdMesh3D");
    EXPECT_EQ(scene.getPhysics()->getBodyCount(), 1);

    std::unique_ptr<Node3D> sea(createNodeFromKinds(kindMask(kKindSea), nullptr, nullptr));
    ASSERT_TRUE(sea);
    EXPECT_STREQ(sea->getTypeName(), "SeaMesh3D_FX");
}

TEST(WorldClasses, AMissingClassFailsTheLoadInsteadOfMisreadingIt) {
    {
        WithoutRegistrations without(true, false);
        EXPECT_EQ(createNodeFromKinds(kindMask(kKindMesh), nullptr, nullptr), nullptr);
        Scene3D scene;
        // Skipping the child would read its record as the next child's kind words.
        EXPECT_NE(loadScene(scene, sceneWithMesh()), "");
        EXPECT_EQ(scene.children().count(), 0);
    }
    {
        WithoutRegistrations without(false, true);
        Scene3D scene;
        EXPECT_EQ(scene.getPhysics(), nullptr);
        EXPECT_EQ(scene.spawnCube(1.0f, Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0)), nullptr);
        EXPECT_NE(loadScene(scene, sceneWithMesh()), "");
    }
    // Put back, the same bytes load again.
    Scene3D scene;
    EXPECT_EQ(loadScene(scene, sceneWithMesh()), "");
}

TEST(WorldClasses, OnlyMeshAndEffectBitsCanBeRegistered) {
    // The scene's own classes are built in: a creator for their bits is ignored.
    registerNodeCreator(kKindCamera, [](Node3D*, MaterialLibrary*) -> Node3D* { return new StdMesh3D(); });
    std::unique_ptr<Node3D> camera(createNodeFromKinds(kindMask(kKindCamera), nullptr, nullptr));
    ASSERT_TRUE(camera);
    EXPECT_TRUE(camera->hasKind(kKindCamera));
    EXPECT_FALSE(camera->hasKind(kKindMesh));
    registerNodeCreator(40, nullptr);  // out of range: ignored
}
