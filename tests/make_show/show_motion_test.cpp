// The show's moving parts played through their scene clips at 60 frames a second (no GL: the
// recording device): in the playground the crates and bottles fall and come to rest on the floor
// and the ramp, the fountain's drops settle and stay; in the garden the jellies wobble when they
// hop and keep their shape otherwise.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "app/scene_clip.h"
#include "fx/pisse3d.h"
#include "make_show/show_test_util.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/ticks.h"
#include "support/recording_render_device.h"
#include "tools/make_show/show_timing.h"

namespace {

class ShowMotion : public SampleShowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SampleShowTest::SetUp());
        for (Cell* cell : show_.cells(kSceneTrack)) clips_.push_back(dynamic_cast<SceneClip*>(cell));
        ASSERT_EQ(clips_.size(), 5u);
        for (SceneClip* clip : clips_) ASSERT_NE(clip, nullptr);
    }
    // Renders scene clip `index` as the player does for its own steps first .. first+steps-1 at 60 Hz.
    void play(int index, int first, int steps) {
        for (int n = first; n < first + steps; ++n) {
            device_.clear();
            device_.beginFrame();
            clips_[index]->render(showTicks(n * 1000 / 60), 1024, 768, &device_, 1.0f, 1.0f, 0);
        }
    }
    Scene3D* scene(int index) { return clips_[index]->scene(); }
    std::vector<SceneClip*> clips_;
    RecordingRenderDevice device_;
};

TEST_F(ShowMotion, PlaygroundBodiesComeToRestAndDropsSettleAndStay) {
    Scene3D* playground = scene(2);
    ScenePhysics* physics = playground->getPhysics();
    Pisse3D::resetFrameCounter();
    // The clip lasts a little over 17 s; where is every body one second before its end?
    const int steps = 17 * 60;
    play(2, 0, steps - 60);
    std::map<RigidBody*, Vector3> before;
    for (const ScenePhysics::Record& r : physics->records())
        if (r.body && r.body->getNode()) before[r.body] = r.body->getNode()->getWorldPosition();
    play(2, steps - 60, 60);

    int moving = 0, resting = 0, bottlesRemoved = 0;
    for (const ScenePhysics::Record& r : physics->records()) {
        if (!r.body || r.body->isFixed() || r.type == kPhysicsPlane) continue;
        ++moving;
        SCOPED_TRACE(r.body->getNode()->getName());
        const Vector3 p = r.body->getNode()->getWorldPosition();
        EXPECT_GT(p.y, 0.0f) << "sank through the floor";
        EXPECT_LT(std::fabs(p.x), 6.0f) << "left the floor";
        EXPECT_LT(std::fabs(p.z), 6.0f) << "left the floor";
        bottlesRemoved += !physics->contains(r.body);  // reported at rest to the fountain, taken out
        resting += p.distanceTo(before[r.body]) < 0.02f;
    }
    EXPECT_GE(moving, 15);
    EXPECT_EQ(resting, moving) << "bodies still moving in the last second of the scene";
    EXPECT_GE(bottlesRemoved, 1);

    Pisse3D* fountain = nullptr;
    forEachNode(playground, [&](Node3D* n) {
        if (!fountain) fountain = dynamic_cast<Pisse3D*>(n);
    });
    ASSERT_NE(fountain, nullptr);
    const int settled = fountain->settledDrops().count();
    EXPECT_GT(settled, 50) << "drops at rest";
    // Settled drops stay in the scene and keep being drawn where they came to rest.
    int inScene = 0;
    for (Node3D* drop : fountain->settledDrops()) {
        inScene += playground->children().indexOf(drop) >= 0;
        EXPECT_GE(drop->getWorldPosition().y, -0.01f);
    }
    EXPECT_EQ(inScene, settled);
}

TEST_F(ShowMotion, JelliesWobbleWhenTheyHopAndKeepTheirShape) {
    std::vector<StdMesh3D*> jellies;
    forEachNode(scene(1), [&](Node3D* n) {
        if (auto* m = dynamic_cast<StdMesh3D*>(n); m && m->getEndFrame() > 0) jellies.push_back(m);
    });
    ASSERT_EQ(jellies.size(), 3u);
    // Radius of every point at rest (the meshes are spheres round their node's origin).
    const float rest = jellies[0]->getLocalPoints()[0].length();
    float largest = 0.0f;
    for (int n = 0; n < 8 * 60; ++n) {
        play(1, n, 1);
        for (StdMesh3D* jelly : jellies)
            for (int i = 0; i < jelly->getPointCount(); ++i)
                largest = std::max(largest, std::fabs(jelly->getLocalPoints()[i].length() - rest));
    }
    EXPECT_GT(largest, 0.1f * rest) << "the jellies should visibly wobble";
    EXPECT_LT(largest, 0.6f * rest) << "the jellies should keep their shape";
}

}  // namespace
