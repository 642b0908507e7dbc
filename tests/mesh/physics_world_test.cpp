// Physics world: falling and resting on a plane, the rest listener, fixed bodies, the pair loop,
// the corner contact of two boxes, and the contact response (mass share, restitution, guards against
// degenerate levers).
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "mesh/drop_listener.h"
#include "mesh/contact_response.h"
#include "mesh/physics_world.h"
#include "mesh/rigid_body.h"
#include "mesh/scene_physics.h"
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

    template <class Body>
    Body* add(Body* body, uint8_t flags) {
        body->setFlags(flags);
        bodies.emplace_back(body);
        world.addBody(body);
        return body;
    }
    CubeBody* cube(const Vector3& p, float half, uint8_t flags = 0) {
        nodes.push_back(std::make_unique<Node3D>());
        nodes.back()->setPosition(p);
        auto* body = add(new CubeBody(nodes.back().get()), flags);
        body->setSize(half);
        return body;
    }
    PlaneBody* floor() { return add(new PlaneBody(nullptr), kBodyFixed); }
};

bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// One contact at point a on the body (b on the other), normal +y.
Contact contactAt(const Vector3& a, const Vector3& b, float weight = 1.0f) {
    Contact c;
    c.pointA = a;
    c.pointB = b;
    c.plane = Plane(0, 1, 0, 0);
    c.weight = weight;
    return c;
}

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
    for (int i = 0; i < 3000; ++i) {
        w.world.step();
        const float y = node->getWorldPosition().y, vy = cube->getVelocity().y;
        ASSERT_TRUE(finite(node->getWorldPosition())) << i;
        lowest = std::min(lowest, y);
        if (vy > 0.0f) peak = std::max(peak, y);
        if (vy <= 0.0f && previousVy > 0.0f) {  // the top of a bounce
            peaks.push_back(peak);
            peak = -1e9f;
        }
        previousVy = vy;
    }
    ASSERT_GE(peaks.size(), 2u);
    for (size_t i = 1; i < peaks.size(); ++i) EXPECT_LE(peaks[i], peaks[i - 1]) << "bounce " << i;
    EXPECT_LT(peaks[0], 2.0f);        // far below the drop height of 3
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
    // The first step starts the rest period; reports come on the second resting step and after.
    for (size_t expected : {0, 0, 1, 2}) {
        w.world.step();
        EXPECT_EQ(listener.reported.size(), expected);
    }
    EXPECT_EQ(listener.reported[0], still);
    still->setVelocity(Vector3(0.01f, 0, 0));  // moving restarts the count
    w.world.step();
    still->setVelocity(Vector3(0, 0, 0));
    for (size_t expected : {2, 3}) {
        w.world.step();
        EXPECT_EQ(listener.reported.size(), expected);
    }

    // A move of exactly the rest distance (0.0001) restarts the rest period.
    CubeBody drifting(nullptr);
    drifting.restTest(Vector3(0, 0, 0));
    drifting.restTest(Vector3(0, 0, 0));
    EXPECT_EQ(drifting.getRestCount(), 1);
    EXPECT_FALSE(drifting.restTest(Vector3(0.0001f, 0, 0)));
    EXPECT_EQ(drifting.getRestCount(), 0);

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
    EXPECT_TRUE(fixed->getNode()->getWorldPosition().isZero());
    EXPECT_EQ(fixed->getVelocity().y, 2.0f);  // no gravity either

    // A movable cube falling onto the fixed one is held up; the fixed one stays put.
    CubeBody* faller = w.cube(Vector3(0, 2.5f, 0), 1.0f);
    for (int i = 0; i < 200; ++i) w.world.step();
    EXPECT_GT(w.world.getPairTests(), 0);
    EXPECT_GT(faller->getNode()->getWorldPosition().y, 1.5f);
    EXPECT_TRUE(fixed->getNode()->getWorldPosition().isZero());
}

TEST(PhysicsWorld, AMovablePairIsPushedApartSymmetricallyButTwoRestingDropsNeverMeet) {
    World w;
    w.world.setGravity(0, 0, 0);
    CubeBody* a = w.cube(Vector3(-0.9f, 0, 0), 1.0f);
    CubeBody* b = w.cube(Vector3(0.9f, 0, 0), 1.0f);
    a->setVelocity(Vector3(0.1f, 0, 0));
    b->setVelocity(Vector3(-0.1f, 0, 0));
    w.world.step();
    const float ax = a->getNode()->getWorldPosition().x, bx = b->getNode()->getWorldPosition().x;
    EXPECT_LT(ax, -0.5f);
    EXPECT_FLOAT_EQ(ax, -bx);  // each body gets its own half of the response
    EXPECT_FLOAT_EQ(a->getVelocity().x, -b->getVelocity().x);
    EXPECT_EQ(w.world.getPairTests(), 1);

    // Two bodies that wait to be told they rest (settled drops) are never tested together.
    World drops;
    drops.world.setGravity(0, 0, 0);
    CubeBody* first = drops.cube(Vector3(0, 0, 0), 1.0f, kBodyNotifyAtRest);
    drops.cube(Vector3(0.5f, 0, 0), 1.0f, kBodyNotifyAtRest);
    for (int i = 0; i < 3; ++i) drops.world.step();
    EXPECT_EQ(drops.world.getPairTests(), 0);
    EXPECT_TRUE(first->getNode()->getWorldPosition().isZero());
}

TEST(PhysicsWorld, APlaneOfAnyNormalLengthFindsTheCornersBehindIt) {
    World w;
    CubeBody* cube = w.cube(Vector3(0, 0.9f, 0), 1.0f);
    PlaneBody* plane = w.floor();
    plane->setPlane(Plane(0, 10, 0, 0));  // y = 0, its normal ten units long
    cube->updateHull();
    plane->updateHull();
    ASSERT_EQ(w.world.generateContacts(cube, plane), 4);  // the bottom corners, 0.1 below
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(w.world.contacts()[i].pointA.y, -0.1f, 1e-6f);
    cube->getNode()->setPosition(0, 1.8f, 0);  // beyond its bounding sphere: not even looked at
    cube->markMoved();
    cube->updateHull();
    EXPECT_EQ(w.world.generateContacts(cube, plane), 0);
}

TEST(PhysicsWorld, HullsOfBoxesAndPlanes) {
    // A box's inner sphere is its smallest half extent; its bounding sphere reaches the corners.
    Node3D boxNode;
    BoxBody box(&boxNode);
    box.setExtents(3, 1, 2);
    EXPECT_EQ(box.getInnerRadius(), 1.0f);
    EXPECT_FLOAT_EQ(box.getBoundingSphere().radius, std::sqrt(14.0f));
    box.updateHull();
    EXPECT_EQ(box.getCorner(6).distanceTo(Vector3(3, 1, 2)), 0.0f);

    // A plane carried by a node follows the node when it moves.
    Node3D planeNode;
    PlaneBody plane(&planeNode);
    plane.setPlane(Plane(0, 1, 0, 0));
    plane.updateHull();
    EXPECT_EQ(plane.getWorldPlane().evaluate(Vector3(0, 0, 0)), 0.0f);
    planeNode.setPosition(0, 2, 0);
    plane.updateHull();
    EXPECT_NEAR(plane.getWorldPlane().evaluate(Vector3(5, 2, 5)), 0.0f, 1e-6f);
    EXPECT_LT(plane.getWorldPlane().evaluate(Vector3(0, 1, 0)), 0.0f);
}

TEST(ContactResponse, RestitutionAndMassShareThroughTheCentre) {
    World w;
    CubeBody* x = w.cube(Vector3(0, 1, 0), 1.0f);
    PlaneBody* plane = w.floor();
    CubeBody* y = w.cube(Vector3(0, -1, 0), 1.0f);
    plane->setBounce(1.0f);  // the pair's restitution is the product: x's alone here
    y->setBounce(1.0f);
    for (float e : {0.0f, 0.5f, 1.0f}) {
        SCOPED_TRACE(e);
        x->setBounce(e);
        x->setMass(1.0f);
        x->setVelocity(Vector3(0, -0.2f, 0));
        Contact c = contactAt(Vector3(0, 0, 0), Vector3(0, 0, 0));  // straight below the centre
        BodyState result;
        resolveContacts(*x, *plane, x, plane, &c, 1, result);
        EXPECT_NEAR(result.velocity.y, 0.2f * e, 1e-6f);
        EXPECT_TRUE(result.spin.isIdentity());
        const float full = c.responseVelocity.y;
        // Against a movable body of equal mass, half of the response; 3:1 gives three quarters.
        resolveContacts(*x, *y, x, y, &c, 1, result);
        EXPECT_NEAR(c.responseVelocity.y, full * 0.5f, 1e-6f);
        EXPECT_EQ(result.position.y, 1.0f);  // no correction for a movable pair
        x->setMass(3.0f);
        resolveContacts(*x, *y, x, y, &c, 1, result);
        EXPECT_NEAR(c.responseVelocity.y, full * 0.75f, 1e-6f);
    }
    x->setMass(0.0f);  // counts as 1: the share would divide by zero
    EXPECT_EQ(x->getMass(), 1.0f);

    // Sliding: the tangential part keeps the product of both slides; the normal part reflects.
    x->setBounce(0.0f);
    x->setSlide(0.5f);
    plane->setSlide(0.5f);
    x->setVelocity(Vector3(0.2f, -0.2f, 0));
    Contact sliding = contactAt(Vector3(0, 0, 0), Vector3(0, 0, 0));
    BodyState state;
    resolveContacts(*x, *plane, x, plane, &sliding, 1, state);
    EXPECT_NEAR(sliding.responseVelocity.x, -0.75f * 0.2f, 1e-6f);
    EXPECT_NEAR(sliding.responseVelocity.y, 0.2f, 1e-6f);
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

    // A contact at the centre itself (zero lever): no NaN, no spin change, all to velocity.
    Contact c[2] = {contactAt(Vector3(0, 0, 0), Vector3(0, 0, 0)), contactAt(Vector3(0, 0, 0), Vector3(0, 0, 0))};
    BodyState r;
    resolveContacts(*x, *plane, x, plane, c, 1, r);
    EXPECT_TRUE(finite(r.velocity));
    EXPECT_TRUE(r.spin.equals(spin));
    EXPECT_NEAR(r.velocity.y, x->getVelocity().y + c[0].responseVelocity.y, 1e-6f);

    // A point moving away from the plane (a zero response): nothing changes.
    x->setVelocity(Vector3(0, 0.5f, 0));
    x->setSpin(Matrix4::identity());
    c[0].pointA = Vector3(0.5f, -1, 0.5f);
    resolveContacts(*x, *plane, x, plane, c, 1, r);
    EXPECT_TRUE(c[0].responseVelocity.isZero());
    EXPECT_TRUE(r.spin.isIdentity());
    EXPECT_EQ(r.velocity.y, 0.5f);

    // A point sliding along the plane, neither into it nor away: no response either.
    x->setVelocity(Vector3(0.3f, 0, 0));
    resolveContacts(*x, *plane, x, plane, c, 1, r);
    EXPECT_TRUE(c[0].responseVelocity.isZero());
    EXPECT_EQ(r.velocity.x, 0.3f);

    // Sunk 2 along y at one corner and 0.5 at another: pushed up by 2, not 2.5; as the second
    // body of a pair, not at all.
    c[0] = contactAt(Vector3(1, -2, 1), Vector3(1, 0, 1), 0.8f);
    c[1] = contactAt(Vector3(-1, -0.5f, 1), Vector3(-1, 0, 1), 0.2f);
    resolveContacts(*x, *plane, x, plane, c, 2, r);
    EXPECT_FLOAT_EQ(r.position.y, 2.0f);
    resolveContacts(*x, *plane, plane, x, c, 2, r);
    EXPECT_FLOAT_EQ(r.position.y, 0.0f);
}

TEST(PhysicsWorld, CornerOfASmallCubeInsideAFixedCubeTouchesTheNearestFaceAndIsPushedOut) {
    World w;
    w.world.setGravity(0, 0, 0);
    CubeBody* fixed = w.cube(Vector3(0, 0, 0), 1.0f, kBodyFixed);
    CubeBody* small = w.cube(Vector3(0.1f, 2.0f, -0.05f), 0.3f);
    Node3D* node = small->getNode();
    // Turned so that one corner points down, then lowered until that corner is 0.05 inside the
    // top face, away from every other face.
    node->setRotation(0.6f, 0.3f, 0.75f);
    small->markMoved();
    small->updateHull();
    auto lowest = [&] {
        int index = 0;
        for (int i = 1; i < 8; ++i)
            if (small->getCorner(i).y < small->getCorner(index).y) index = i;
        return index;
    };
    node->setPosition(node->getWorldPosition() + Vector3(0, 0.95f - small->getCorner(lowest()).y, 0));
    small->markMoved();
    small->updateHull();
    fixed->updateHull();
    const int corner = lowest();
    for (int i = 0; i < 8; ++i) {
        if (i != corner) {
            ASSERT_GT(small->getCorner(i).y, 1.0f) << "corner " << i;
        }
    }
    const Vector3 start = node->getWorldPosition();
    // Farther apart than the inner radii: only the corner test can find the contact.
    ASSERT_GT(start.length(), small->getInnerRadius() + fixed->getInnerRadius());

    ASSERT_EQ(w.world.generateContacts(small, fixed), 1);
    const Contact& c = w.world.contacts()[0];
    EXPECT_EQ(c.pointA.distanceTo(small->getCorner(corner)), 0.0f);
    Vector3 normal = c.plane.getNormal();
    normal.normalize();
    EXPECT_NEAR(normal.y, 1.0f, 1e-5f);  // the top face, 0.05 away; the sides are 0.9 and more
    EXPECT_NEAR(c.pointB.y, 1.0f, 1e-5f);
    EXPECT_NEAR(c.pointB.x, c.pointA.x, 1e-5f);
    EXPECT_NEAR(c.pointB.z, c.pointA.z, 1e-5f);

    // Seen from the large cube (movable, the turned one fixed) the contact is flipped: on the
    // large cube's face, its normal reversed, the corner on the other body.
    World other;
    CubeBody* turned = other.cube(start, 0.3f, kBodyFixed);
    turned->getNode()->setRotation(0.6f, 0.3f, 0.75f);
    CubeBody* large = other.cube(Vector3(0, 0, 0), 1.0f);
    turned->updateHull();
    large->updateHull();
    ASSERT_EQ(other.world.generateContacts(large, turned), 1);
    const Contact& seen = other.world.contacts()[0];
    EXPECT_NEAR(seen.plane.getNormal().y / seen.plane.getNormal().length(), -1.0f, 1e-5f);
    EXPECT_NEAR(seen.pointA.y, 1.0f, 1e-5f);
    EXPECT_EQ(seen.pointB.distanceTo(small->getCorner(corner)), 0.0f);

    // One step lifts the cube straight up along the face's normal, out of the fixed cube.
    w.world.step();
    const Vector3 after = node->getWorldPosition();
    EXPECT_NEAR(after.x, start.x, 1e-4f);
    EXPECT_NEAR(after.z, start.z, 1e-4f);
    EXPECT_NEAR(after.y, start.y + 0.05f, 1e-3f);
    EXPECT_TRUE(fixed->getNode()->getWorldPosition().isZero());

    // A cube standing exactly on the top face touches it at its four bottom corners.
    CubeBody* standing = w.cube(Vector3(0, 1.5f, 0), 0.5f);
    standing->updateHull();
    ASSERT_EQ(w.world.generateContacts(standing, fixed), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.world.contacts()[i].pointA.y, 1.0f);
        EXPECT_GT(w.world.contacts()[i].plane.b, 0.0f);
    }
}

TEST(ScenePhysics, StepsFromItsStartFrameOn) {
    // A scene's world steps at every frame from its start frame on, the start frame included.
    ScenePhysics physics(nullptr);
    physics.setStartFrame(2);
    Node3D node;
    auto* body = new CubeBody(&node);
    body->setSize(1.0f);
    body->setVelocity(Vector3(0.0f, 0.1f, 0.0f));
    physics.adoptBody(body);
    physics.stepFrame(1);
    EXPECT_EQ(body->getVelocity().y, 0.1f);
    physics.stepFrame(2);
    EXPECT_FLOAT_EQ(body->getVelocity().y, 0.1f + physics.getGravityY());
}
