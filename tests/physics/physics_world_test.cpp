// Physics world: falling and resting on a plane, the rest listener, fixed bodies, the pair loop,
// and the contact response (mass share, restitution, guards against degenerate levers).
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "fx/drop_listener.h"
#include "mesh/contact_response.h"
#include "mesh/physics_world.h"
#include "mesh/rigid_body.h"
#include "scene/node3d.h"

namespace {

struct RecordingListener : DropListener {
    std::vector<RigidBody*> reported;
    PhysicsWorld* removeFrom = nullptr;
    void onDropSettled(RigidBody* body) override {
        reported.push_back(body);
        if (removeFrom) removeFrom->removeBody(body);
    }
};

// Nodes and bodies of one test world.
struct World {
    PhysicsWorld world;
    std::vector<std::unique_ptr<Node3D>> nodes;
    std::vector<std::unique_ptr<RigidBody>> bodies;

    Node3D* node(const Vector3& p) {
        nodes.push_back(std::make_unique<Node3D>());
        nodes.back()->setPosition(p);
        return nodes.back().get();
    }
    CubeBody* cube(const Vector3& p, float half, uint8_t flags = 0) {
        auto* body = new CubeBody(node(p));
        body->setSize(half);
        body->setFlags(flags);
        bodies.emplace_back(body);
        world.addBody(body);
        return body;
    }
    PlaneBody* floor() {
        auto* body = new PlaneBody(nullptr);
        body->setFlags(kBodyFixed);
        bodies.emplace_back(body);
        world.addBody(body);
        return body;
    }
};

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

TEST(PhysicsWorld, CubeFallsBouncesLowerAndRestsOnThePlane) {
    World w;
    w.floor()->setBounce(0.1f);
    CubeBody* cube = w.cube(Vector3(0, 3, 0), 1.0f);
    cube->setBounce(1.0f);  // combined restitution 0.1
    Node3D* node = cube->getNode();
    node->setRotation(0.3f, 0.0f, 0.2f);  // lands on a corner, tumbles, settles on a face

    std::vector<float> peaks;
    float lowest = 1e9f, previousVy = 0.0f, peak = -1e9f;
    bool rising = false;
    for (int i = 0; i < 3000; ++i) {
        w.world.step();
        const float y = node->getWorldPosition().y;
        const float vy = cube->getVelocity().y;
        lowest = std::min(lowest, y);
        if (vy > 0.0f && previousVy <= 0.0f) rising = true;
        if (rising) peak = std::max(peak, y);
        if (rising && vy <= 0.0f) {
            peaks.push_back(peak);
            rising = false;
            peak = -1e9f;
        }
        previousVy = vy;
        ASSERT_TRUE(finite(node->getWorldPosition()));
    }
    ASSERT_GE(peaks.size(), 2u);
    for (size_t i = 1; i < peaks.size(); ++i) EXPECT_LE(peaks[i], peaks[i - 1]) << "bounce " << i;
    EXPECT_LT(peaks[0], 2.0f);  // far below the drop height of 3
    EXPECT_GT(lowest, 1.0f - 0.01f);  // never sinks through the plane
    EXPECT_NEAR(node->getWorldPosition().y, 1.0f, 0.01f);
    EXPECT_LT(std::fabs(cube->getVelocity().y), 0.002f);
    EXPECT_GE(cube->getRestCount(), 2);
}

TEST(PhysicsWorld, NotifyAtRestReportedFromTheSecondRestingStepOn) {
    World w;
    w.world.setGravity(0, 0, 0);
    RecordingListener listener;
    w.world.setRestListener(&listener);
    CubeBody* still = w.cube(Vector3(0, 0, 0), 1.0f, kBodyNotifyAtRest);
    CubeBody* quiet = w.cube(Vector3(100, 0, 0), 1.0f);  // at rest, but not asking to be told

    w.world.step();  // the first rest test starts the rest period
    w.world.step();  // first resting step
    EXPECT_TRUE(listener.reported.empty());
    w.world.step();  // second resting step
    ASSERT_EQ(listener.reported.size(), 1u);
    EXPECT_EQ(listener.reported[0], still);
    w.world.step();
    EXPECT_EQ(listener.reported.size(), 2u);

    // Moving restarts the count.
    still->setVelocity(Vector3(0.01f, 0, 0));
    w.world.step();
    still->setVelocity(Vector3(0, 0, 0));
    w.world.step();
    EXPECT_EQ(listener.reported.size(), 2u);
    w.world.step();
    EXPECT_EQ(listener.reported.size(), 3u);
    EXPECT_GE(quiet->getRestCount(), 2);

    // The listener may take bodies out while the world iterates: every one is still reported once.
    CubeBody* other = w.cube(Vector3(50, 0, 0), 1.0f, kBodyNotifyAtRest);
    listener.reported.clear();
    listener.removeFrom = &w.world;
    for (int i = 0; i < 4; ++i) w.world.step();
    EXPECT_EQ(listener.reported.size(), 2u);
    EXPECT_FALSE(w.world.contains(still));
    EXPECT_FALSE(w.world.contains(other));
    EXPECT_TRUE(w.world.contains(quiet));
}

TEST(PhysicsWorld, FixedBodiesNeverMoveAndMovablePairsFarApartAreNeverTested) {
    World w;
    CubeBody* fixed = w.cube(Vector3(0, 0, 0), 1.0f, kBodyFixed);
    fixed->setVelocity(Vector3(1, 2, 3));
    w.cube(Vector3(0.5f, 0, 0), 1.0f, kBodyFixed);  // two fixed bodies never meet
    w.cube(Vector3(100, 0, 0), 1.0f);
    w.cube(Vector3(-100, 0, 0), 1.0f);
    for (int i = 0; i < 20; ++i) w.world.step();
    EXPECT_EQ(w.world.getPairTests(), 0);
    const Vector3 p = fixed->getNode()->getWorldPosition();
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    EXPECT_EQ(fixed->getVelocity().y, 2.0f);  // no gravity either

    // A movable cube falling onto the fixed one is pushed back; the fixed one stays put.
    CubeBody* faller = w.cube(Vector3(0, 2.5f, 0), 1.0f);
    for (int i = 0; i < 200; ++i) w.world.step();
    EXPECT_GT(w.world.getPairTests(), 0);
    EXPECT_GT(faller->getNode()->getWorldPosition().y, 1.5f);
    EXPECT_EQ(fixed->getNode()->getWorldPosition().y, 0.0f);
}

TEST(ContactResponse, RestitutionAndMassShareThroughTheCentre) {
    World w;
    CubeBody* x = w.cube(Vector3(0, 1, 0), 1.0f);
    PlaneBody* plane = w.floor();
    CubeBody* y = w.cube(Vector3(0, -1, 0), 1.0f);
    for (float e : {0.0f, 0.5f, 1.0f}) {
        x->setBounce(e);
        plane->setBounce(1.0f);
        y->setBounce(1.0f);
        x->setVelocity(Vector3(0, -0.2f, 0));
        // One contact straight below the centre, weight 1.
        Contact c;
        c.pointA = Vector3(0, 0, 0);
        c.pointB = Vector3(0, 0, 0);
        c.plane = Plane(0, 1, 0, 0);
        c.weight = 1.0f;
        BodyState fixedResult;
        resolveContacts(*x, *plane, x, plane, &c, 1, fixedResult);
        EXPECT_NEAR(fixedResult.velocity.y, 0.2f * e, 1e-6f) << "e = " << e;
        EXPECT_TRUE(fixedResult.spin.isIdentity());
        const Vector3 fullResponse = c.responseVelocity;

        // Against a movable body of equal mass, half of the response; 3:1 gives three quarters.
        BodyState shared;
        resolveContacts(*x, *y, x, y, &c, 1, shared);
        EXPECT_NEAR(c.responseVelocity.y, fullResponse.y * 0.5f, 1e-6f);
        EXPECT_NEAR(shared.position.y, 1.0f, 0.0f);  // no correction for a movable pair
        x->setMass(3.0f);
        resolveContacts(*x, *y, x, y, &c, 1, shared);
        EXPECT_NEAR(c.responseVelocity.y, fullResponse.y * 0.75f, 1e-6f);
        x->setMass(0.0f);
        EXPECT_EQ(x->getMass(), 1.0f);
    }
}

TEST(ContactResponse, DegenerateLeversAndPenetrationPush) {
    World w;
    CubeBody* x = w.cube(Vector3(0, 0, 0), 1.0f);
    PlaneBody* plane = w.floor();
    x->setBounce(0.5f);
    x->setVelocity(Vector3(0.3f, -0.2f, 0));
    Matrix4 spin;
    spin.setRotationEuler(Vector3(0.01f, 0.02f, 0.03f));
    x->setSpin(spin);

    // A contact at the centre itself: no NaN, no spin change, the whole response goes to velocity.
    Contact c[2];
    c[0].pointA = c[0].pointB = Vector3(0, 0, 0);
    c[0].plane = Plane(0, 1, 0, 0);
    c[0].weight = 1.0f;
    BodyState r;
    resolveContacts(*x, *plane, x, plane, c, 1, r);
    EXPECT_TRUE(finite(r.velocity));
    EXPECT_TRUE(r.spin.equals(spin));
    EXPECT_NEAR(r.velocity.y, x->getVelocity().y + c[0].responseVelocity.y, 1e-6f);

    // A point moving away from the plane contributes nothing.
    x->setVelocity(Vector3(0, 0.5f, 0));
    x->setSpin(Matrix4::identity());
    c[0].pointA = Vector3(0.5f, -1, 0.5f);
    resolveContacts(*x, *plane, x, plane, c, 1, r);
    EXPECT_TRUE(c[0].responseVelocity.isZero());
    EXPECT_TRUE(r.spin.isIdentity());
    EXPECT_EQ(r.velocity.y, 0.5f);

    // Sunk 2 along y at one corner and 0.5 at another: pushed up by 2, not 2.5.
    c[0].pointA = Vector3(1, -2, 1);
    c[0].pointB = Vector3(1, 0, 1);
    c[1].pointA = Vector3(-1, -0.5f, 1);
    c[1].pointB = Vector3(-1, 0, 1);
    c[1].plane = Plane(0, 1, 0, 0);
    c[0].weight = 0.8f;
    c[1].weight = 0.2f;
    resolveContacts(*x, *plane, x, plane, c, 2, r);
    EXPECT_FLOAT_EQ(r.position.y, 2.0f);
    // As the second body of a pair there is no correction.
    resolveContacts(*x, *plane, plane, x, c, 2, r);
    EXPECT_FLOAT_EQ(r.position.y, 0.0f);
}

TEST(PhysicsWorld, BoxContactsSeenFromTheFirstBody) {
    World w;
    CubeBody* a = w.cube(Vector3(0, 0, 0), 1.0f);
    CubeBody* b = w.cube(Vector3(1.5f, 0, 0), 1.0f);  // inner spheres overlap
    a->updateHull();
    b->updateHull();
    ASSERT_EQ(w.world.generateContacts(a, b), 2);
    const Contact* c = w.world.contacts();
    // Both contacts push A away from B (normal towards -x), weights sum to 1.
    EXPECT_LT(c[0].plane.a, 0.0f);
    EXPECT_LT(c[1].plane.a, 0.0f);
    EXPECT_FLOAT_EQ(c[0].pointA.x, 1.0f);
    EXPECT_FLOAT_EQ(c[0].pointB.x, 0.5f);
    EXPECT_NEAR(c[0].weight + c[1].weight, 1.0f, 1e-6f);

    // A box whose corner pokes into a cube (inner spheres apart): one corner contact on the
    // nearest face of the cube.
    b->getNode()->setPosition(1.9f, 1.9f, 1.9f);
    b->markMoved();
    b->updateHull();
    ASSERT_EQ(w.world.generateContacts(a, b), 2);
    EXPECT_FLOAT_EQ(w.world.contacts()[0].pointA.x, 1.0f);
}
