// The mass-spring particle system: spring forces, the step passes, the stiffness setters, binding
// to a mesh and the failure boxes of an unbound system.
#include <gtest/gtest.h>

#include <array>

#include "fx/mesh_particle_system.h"
#include "fx/particle_system.h"
#include "mesh/std_mesh3d.h"
#include "support/captured_message_boxes.h"

namespace {

// Two free particles joined by one spring, at rest at distance 2 along x.
struct Pair {
    Pair() {
        system.allocate(2, 1);
        a().position = Vector3(0, 0, 0);
        b().position = Vector3(2, 0, 0);
        spring().a = &a();
        spring().b = &b();
        system.resetRestState();
    }
    Spring& spring() { return system.springs()[0]; }
    Particle& a() { return system.particles()[0]; }
    Particle& b() { return system.particles()[1]; }
    ParticleSystem system;
};

}  // namespace

TEST(Spring, LengthAndDirectionForces) {
    struct Case {
        const char* what;
        int springFlags, fixedEnds;  // fixedEnds: 1 for a, 2 for a and b
        Vector3 b;
        std::array<float, 4> forces;  // a.x, a.y, b.x, b.y
    };
    const Case cases[] = {
        {"stretched by 1: pulled together, half each", kSpringLengthOn, 0, {3, 0, 0}, {0.25f, 0, -0.25f, 0}},
        {"compressed, a fixed: b takes the whole push", kSpringLengthOn, 1, {1, 0, 0}, {0, 0, 0.5f, 0}},
        {"both ends fixed: nothing", kSpringLengthOn, 2, {1, 0, 0}, {0, 0, 0, 0}},
        {"turned by 90 degrees: pulled back to the rest offset", kSpringDirectionOn, 0, {0, 2, 0}, {-1, 1, 1, -1}},
        {"at rest: exactly zero", kSpringDirectionOn | kSpringLengthOn, 0, {2, 0, 0}, {0, 0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Pair p;
        p.spring().flags = c.springFlags;
        p.spring().lengthStiffness = 0.5f;
        p.spring().directionStiffness = 1.0f;
        if (c.fixedEnds >= 1) p.a().flags |= kParticleFixed;
        if (c.fixedEnds >= 2) p.b().flags |= kParticleFixed;
        p.b().position = c.b;
        p.system.clearForces();
        p.system.applySprings();
        const float f[] = {p.a().force.x, p.a().force.y, p.b().force.x, p.b().force.y};
        for (size_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(f[i], c.forces[i]) << i;
    }
}

TEST(ParticleSystem, SubstepsDampingGravityAndLengthLimits) {
    // Three substeps: each moves by a third of the velocity and damps it.
    ParticleSystem s;
    s.allocate(1, 0);
    Particle& q = s.particles()[0];
    q.velocity = Vector3(9, 0, 0);
    s.setSubsteps(3);
    s.setDamping(0.5f);
    s.simulate();
    EXPECT_FLOAT_EQ(q.position.x, 3 + 1.5f + 0.75f);
    EXPECT_FLOAT_EQ(q.velocity.x, 9 * 0.125f);
    // Own damping, and gravity times mass.
    s.setSubsteps(1);
    q.flags |= kParticleOwnDamping;
    q.damping = 1.0f;
    q.mass = 2.0f;
    q.velocity.setZero();
    s.setUseGravity(true);
    s.simulate();
    EXPECT_FLOAT_EQ(q.velocity.y, -1.8f);

    // A free end beyond maxLength from a fixed one is put back on the limit, one too close (even at
    // distance 0) is pushed out to minLength; either way it loses its velocity along the spring.
    Pair p;
    p.a().flags |= kParticleFixed;
    p.spring().maxLength = 3.0f;
    p.spring().minLength = 1.0f;
    const std::pair<float, float> limits[] = {{5, 3}, {0.5f, 1}, {0, 1}};
    for (const auto& [from, to] : limits) {
        p.b().position = Vector3(from, 0, 0);
        p.b().velocity = Vector3(1, 1, 0);
        p.system.applyLengthLimits();
        EXPECT_FLOAT_EQ(p.b().position.x, to) << from;
        EXPECT_FLOAT_EQ(p.b().velocity.x, 0.0f) << from;
        EXPECT_FLOAT_EQ(p.b().velocity.y, 1.0f) << from;
    }
    // Free ends too far apart: what moves them further apart is removed, the rest kept.
    Pair r;
    r.spring().maxLength = 1.0f;
    r.a().velocity = Vector3(-1, 1, 0);  // away from b
    r.b().velocity = Vector3(-1, 0, 0);  // towards a
    r.system.applyLengthLimits();
    EXPECT_FLOAT_EQ(r.a().velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(r.a().velocity.y, 1.0f);
    EXPECT_FLOAT_EQ(r.b().velocity.x, -1.0f);
}

TEST(MeshParticleSystem, BindingAndFailures) {
    StdMesh3D mesh;
    const Vector3 p0(1, 0, 0), p1(0, 2, 0), p2(0, 0, 3);
    const Vector3* list[] = {&p0, &p1, &p2};
    mesh.copyPoints(3, list);
    mesh.setPosition(5, 0, 0);
    MeshParticleSystem s;
    ASSERT_EQ(s.bindMesh(&mesh, nullptr, 0), 0);
    EXPECT_EQ(s.particleCount(), 3);
    EXPECT_TRUE(s.particles()[3].isFixed());  // the anchor after the n particles
    EXPECT_EQ(s.springs()[1].b, &s.particles()[3]);
    EXPECT_FLOAT_EQ(s.springs()[1].restLength, 2.0f);
    EXPECT_FLOAT_EQ(s.worldPositions()[0].x, 6.0f);

    // A caller's buffer one short of n + 1 is refused; n + 1 is used without allocation.
    Particle buffer[4];
    EXPECT_EQ(s.bindMesh(&mesh, buffer, 3), -1);
    EXPECT_FALSE(s.isBound());
    EXPECT_EQ(s.bindMesh(&mesh, buffer, 4), 0);
    EXPECT_EQ(s.particles(), buffer);

    // The node moved: the particles keep their world positions, in local terms displaced by -t.
    mesh.translate(0, 0, 2);
    s.OnPreSimul();
    EXPECT_FLOAT_EQ(s.particles()[0].position.z, -2.0f);
    s.OnPostSimul();
    EXPECT_FLOAT_EQ(mesh.getPoint(0, 0)->z, -2.0f);

    // A mesh without points: -1; then OnPreSimul is silent and OnPostSimul complains. A system
    // never bound has no mesh at all.
    CapturedMessageBoxes boxes;
    StdMesh3D empty;
    EXPECT_EQ(s.bindMesh(&empty, nullptr, 0), -1);
    s.OnPreSimul();
    EXPECT_TRUE(boxes.calls().empty());
    s.OnPostSimul();
    MeshParticleSystem unbound;
    unbound.OnPreSimul();
    unbound.OnPostSimul();
    EXPECT_EQ(unbound.bindMesh(nullptr, nullptr, 0), -1);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].text, "j'suis une merde");
    EXPECT_EQ(boxes.calls()[1].text, "Bug OnPostSimul");
}

TEST(ParticleSystem, StiffnessZeroSwitchesTheForceOffAndTheSameValueChangesNothing) {
    for (const bool length : {true, false}) {
        SCOPED_TRACE(length ? "length" : "direction");
        const uint8_t flag = length ? kSpringLengthOn : kSpringDirectionOn;
        ParticleSystem system;
        system.allocate(2, 3);
        auto set = [&](float k) { length ? system.setLengthStiffness(k) : system.setDirectionStiffness(k); };
        auto stiffness = [&](const Spring& s) { return length ? s.lengthStiffness : s.directionStiffness; };
        set(0.0f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(system.springs()[i].flags & flag, 0) << i;
            EXPECT_EQ(stiffness(system.springs()[i]), 0.0f) << i;
        }
        // The current value again: no spring changes, not even its flags.
        system.springs()[1].flags |= flag;
        (length ? system.springs()[1].lengthStiffness : system.springs()[1].directionStiffness) = 0.7f;
        set(0.0f);
        EXPECT_NE(system.springs()[1].flags & flag, 0);
        EXPECT_EQ(stiffness(system.springs()[1]), 0.7f);
        set(0.25f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NE(system.springs()[i].flags & flag, 0) << i;
            EXPECT_EQ(stiffness(system.springs()[i]), 0.25f) << i;
        }
    }
}
