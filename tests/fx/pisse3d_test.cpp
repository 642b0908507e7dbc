// Pisse3D: the shared generator after a reseed, the first drop's values, the shared frame
// counter, the flux property, a missing target, and drops that settle on a plane and retire.
#include <cmath>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "fx/pisse3d.h"
#include "math/random.h"
#include "mesh/rigid_body.h"
#include "scene/body_spawner.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/target3d.h"
#include "support/captured_message_boxes.h"

namespace {

struct Spawn {
    float size;
    Vector3 position, velocity, angles;
    float u3;
};

struct FakeSpawner : BodySpawner {
    std::vector<Spawn> spawns;
    void spawnBody(float size, const Vector3& p, const Vector3& v, const Vector3& a, float, float, float u3) override {
        spawns.push_back({size, p, v, a, u3});
    }
};

// A scene with a target (id 7) and streams added by the tests.
struct StreamScene {
    Scene3D scene;
    Target3D* target = new Target3D();
    StreamScene() {
        Pisse3D::resetFrameCounter();
        target->setId(7);
        scene.addChild(target, 0);
    }
    Pisse3D* stream(BodySpawner* spawner, const Vector3& position, int flux = 1) {
        auto* p = new Pisse3D(spawner);
        p->setPosition(position);
        p->setTargetId(7);
        p->setFlux(flux);
        scene.addChild(p, 0);
        return p;
    }
    void frame() { scene.drawChildren(nullptr, 0, 0); }
};

}  // namespace

TEST(Pisse3D, ReseedsTheSharedGeneratorAndDrawsTheFirstDrop) {
    StreamScene s;
    FakeSpawner spawner;
    s.target->setPosition(61, 2, -57);
    s.stream(&spawner, Vector3(1, 2, 3));  // reseeds with 1
    s.frame();
    ASSERT_EQ(spawner.spawns.size(), 1u);
    const Spawn& d = spawner.spawns[0];
    // The first nine values after seed 1: 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962.
    const double k = 1.0 / 32767.0;
    EXPECT_EQ(d.size, 0.011f);
    EXPECT_EQ(d.position.z, 3.0f);
    EXPECT_EQ(d.velocity.x, static_cast<float>(1.0f - 0.005 + 41 * k * 0.01));
    EXPECT_EQ(d.velocity.y, static_cast<float>(0.0f + 18467 * k * 0.01));
    EXPECT_EQ(d.velocity.z, static_cast<float>(-1.0f + 6334 * k * 0.01));
    EXPECT_EQ(d.angles.x, static_cast<float>(26500 * k * 0.09));
    EXPECT_EQ(d.angles.y, static_cast<float>(19169 * k * 0.09));
    EXPECT_EQ(d.angles.z, static_cast<float>(15724 * k * 0.09));
    EXPECT_EQ(d.u3, static_cast<float>(26962 * k));

    ScenePhysics physics(nullptr);  // the scene's physics world reseeds too
    for (int expected : {41, 18467, 6334}) EXPECT_EQ(nextRandom(), expected);
}

TEST(Pisse3D, FluxCountsFramesSharedByEveryStream) {
    StreamScene s;
    FakeSpawner a, b;
    Pisse3D* first = s.stream(&a, Vector3(0, 0, 0), 3);
    std::vector<int> emitted;
    for (int frame = 1; frame <= 9; ++frame) {
        if (frame == 4 || frame == 6) first->setVisible(frame == 6);  // hiding pauses the count
        const size_t before = a.spawns.size();
        s.frame();
        if (a.spawns.size() > before) emitted.push_back(frame);
    }
    EXPECT_EQ(emitted, (std::vector<int>{3, 8}));

    // Two streams with flux 2: the counter reaches 2 once per frame, at the second stream.
    first->setFlux(2);
    s.stream(&b, Vector3(0, 0, 0), 2);
    Pisse3D::resetFrameCounter();
    a.spawns.clear();
    for (int frame = 0; frame < 4; ++frame) s.frame();
    EXPECT_EQ(a.spawns.size(), 0u);
    EXPECT_EQ(b.spawns.size(), 4u);
}

TEST(Pisse3D, FluxPropertyMissingTargetAndMissingSpawner) {
    for (auto [text, flux] : {std::pair{" 3", 3}, {"-2", -2}, {"12abc", 12}, {"abc", 0}}) {
        Pisse3D p(nullptr);
        p.addProperty("flux", text);
        p.onPropertiesLoaded();
        EXPECT_EQ(p.getFlux(), flux) << text;
    }

    StreamScene s;
    FakeSpawner spawner;
    Pisse3D* stream = s.stream(&spawner, Vector3(0, 0, 0));
    stream->setTargetId(8);
    {
        CapturedMessageBoxes boxes;
        s.frame();
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].text, "error:target null in pisse");
        EXPECT_EQ(boxes.calls()[0].caption, "");
    }
    EXPECT_TRUE(spawner.spawns.empty());

    // Without a spawner nothing is emitted and the counter is not reset.
    Pisse3D::resetFrameCounter();
    Pisse3D* idle = s.stream(nullptr, Vector3(0, 0, 0));
    stream->setVisible(false);
    s.frame();
    s.frame();
    EXPECT_EQ(Pisse3D::frameCounter(), 2);
    idle->onDropSettled(nullptr);  // nothing to retire
    EXPECT_EQ(idle->settledDrops().count(), 0);
}

TEST(Pisse3D, DropsFallSettleOnThePlaneAndRetire) {
    StreamScene s;
    auto* floor = new PlaneBody(nullptr);
    floor->setFlags(kBodyFixed);
    s.scene.getPhysics()->adoptBody(floor);
    s.target->setPosition(0.6f, 0, 0);
    Pisse3D* stream = s.stream(s.scene.getBodySpawner(), Vector3(0, 1, 0), 5);
    // 600 frames of emission (one drop every 5 frames), then 400 more for the last ones to land.
    for (int frame = 0; frame < 1000; ++frame) {
        if (frame == 600) stream->setVisible(false);
        s.scene.setTime(frame * 30);
        s.scene.draw(nullptr, 0, 0, true);
    }
    // Every drop came to rest and left the world; the nodes stay in the scene, on the plane.
    EXPECT_EQ(s.scene.getChildCount() - 2, 120);
    EXPECT_EQ(stream->settledDrops().count(), 120);
    EXPECT_EQ(s.scene.getPhysics()->getBodyCount(), 1);
    for (Node3D* node : stream->settledDrops()) {
        const Vector3 p = node->getWorldPosition();
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        EXPECT_NEAR(p.y, 0.022f, 0.005f);  // half size 0.022, barely sunk
        EXPECT_EQ(node->getParent(), &s.scene);
    }
}
