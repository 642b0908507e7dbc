// The show's moving parts played through their scene clips at 60 frames a second (no GL: the
// recording device): in the playground the crates and bottles fall and come to rest on the floor
// and the ramp, the fountain's drops settle and stay; in the garden the jellies wobble when they
// hop and keep their shape otherwise.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "app/scene_clip.h"
#include "app/track.h"
#include "fx/pisse3d.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "platform/recording_render_device.h"
#include "scene/scene3d.h"
#include "scene/scene_physics.h"
#include "show/show_test_util.h"
#include "tools/make_show/show_timing.h"

namespace {

SceneClip* sceneClip(Player& player, int index) {
    Track* t = player.getTrack(kSceneTrack);
    if (!t || index + 1 >= t->count()) return nullptr;
    return dynamic_cast<SceneClip*>(static_cast<Cell*>(t->getKey(index)->getValue()));
}

// Renders the clip as the player does for show steps 0 .. steps-1 of its own time at 60 Hz.
void play(SceneClip& clip, RecordingRenderDevice& device, int firstStep, int steps) {
    for (int n = firstStep; n < firstStep + steps; ++n) {
        device.clear();
        device.beginFrame();
        const int32_t local = showTicks(n * 1000 / 60);
        clip.render(local, 1024, 768, &device, 1.0f, 1.0f, 0);
    }
}

}  // namespace

TEST(ShowMotion, PlaygroundBodiesComeToRestAndDropsSettleAndStay) {
    WorkingDirectory cwd(sampleShowFolder());
    LoadedShow show;
    show.loadFile();
    ASSERT_EQ(show.result, kShowLoaded) << show.reader.error();
    SceneClip* playground = sceneClip(*show.player, 2);
    ASSERT_NE(playground, nullptr);
    Scene3D* scene = playground->scene();
    Pisse3D::resetFrameCounter();

    // The clip lasts a little over 17 s; where is every body one second before its end?
    RecordingRenderDevice device;
    const int steps = 17 * 60;
    play(*playground, device, 0, steps - 60);
    std::map<RigidBody*, Vector3> before;
    for (const ScenePhysics::Record& r : scene->getPhysics()->records())
        if (r.body && r.body->getNode()) before[r.body] = r.body->getNode()->getWorldPosition();
    play(*playground, device, steps - 60, 60);

    int moving = 0, resting = 0, bottlesRemoved = 0;
    for (const ScenePhysics::Record& r : scene->getPhysics()->records()) {
        if (!r.body || r.body->isFixed() || r.type == kPhysicsPlane) continue;
        ++moving;
        Vector3 p = r.body->getNode()->getWorldPosition();
        EXPECT_GT(p.y, 0.0f) << r.body->getNode()->getName() << " sank through the floor";
        EXPECT_LT(std::fabs(p.x), 6.0f) << r.body->getNode()->getName() << " left the floor";
        EXPECT_LT(std::fabs(p.z), 6.0f) << r.body->getNode()->getName() << " left the floor";
        const bool inWorld = scene->getPhysics()->contains(r.body);
        if (!inWorld) ++bottlesRemoved;  // reported at rest to the fountain, taken out of the world
        if (p.distanceTo(before[r.body]) < 0.02f) ++resting;
    }
    EXPECT_GE(moving, 15);
    EXPECT_EQ(resting, moving) << "bodies still moving in the last second of the scene";
    EXPECT_GE(bottlesRemoved, 1);

    Pisse3D* fountain = nullptr;
    forEachNode(scene, [&](Node3D* n) {
        if (!fountain) fountain = dynamic_cast<Pisse3D*>(n);
    });
    ASSERT_NE(fountain, nullptr);
    const int settled = fountain->settledDrops().count();
    EXPECT_GT(settled, 50) << "drops at rest";
    // Settled drops stay in the scene and keep being drawn where they came to rest.
    int inScene = 0;
    for (Node3D* drop : fountain->settledDrops()) {
        inScene += scene->children().indexOf(drop) >= 0;
        EXPECT_GE(drop->getWorldPosition().y, -0.01f);
    }
    EXPECT_EQ(inScene, settled);
}

TEST(ShowMotion, JelliesWobbleWhenTheyHopAndKeepTheirShape) {
    WorkingDirectory cwd(sampleShowFolder());
    LoadedShow show;
    show.loadFile();
    ASSERT_EQ(show.result, kShowLoaded) << show.reader.error();
    SceneClip* garden = sceneClip(*show.player, 1);
    ASSERT_NE(garden, nullptr);
    std::vector<StdMesh3D*> jellies;
    forEachNode(garden->scene(), [&](Node3D* n) {
        if (auto* m = dynamic_cast<StdMesh3D*>(n); m && m->getEndFrame() > 0) jellies.push_back(m);
    });
    ASSERT_EQ(jellies.size(), 3u);
    // Radius of every point at rest (the meshes are spheres round their node's origin).
    const float rest = jellies[0]->getLocalPoints()[0].length();

    RecordingRenderDevice device;
    float largest = 0.0f;
    for (int n = 0; n < 8 * 60; ++n) {
        play(*garden, device, n, 1);
        for (StdMesh3D* jelly : jellies)
            for (int i = 0; i < jelly->getPointCount(); ++i)
                largest = std::max(largest, std::fabs(jelly->getLocalPoints()[i].length() - rest));
    }
    EXPECT_GT(largest, 0.1f * rest) << "the jellies should visibly wobble";
    EXPECT_LT(largest, 0.6f * rest) << "the jellies should keep their shape";
}
