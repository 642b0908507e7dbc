// The mass-spring particle system: spring forces, the step passes, binding to a mesh and the
// failure boxes of an unbound system.
#include <gtest/gtest.h>

#include "fx/mesh_particle_system.h"
#include "fx/particle_system.h"
#include "mesh/std_mesh3d.h"
#include "platform/message_box.h"

namespace {

// Two free particles joined by one spring, at rest at distance 2 along x.
struct Pair {
    Pair() {
        system.allocate(2, 1);
        system.particles()[0].position = Vector3(0, 0, 0);
        system.particles()[1].position = Vector3(2, 0, 0);
        spring().a = &system.particles()[0];
        spring().b = &system.particles()[1];
        system.resetRestState();
    }
    Spring& spring() { return system.springs()[0]; }
    Particle& a() { return system.particles()[0]; }
    Particle& b() { return system.particles()[1]; }
    ParticleSystem system;
};

StdMesh3D* meshWith(std::vector<Vector3> points) {
    auto* mesh = new StdMesh3D();
    std::vector<const Vector3*> list;
    for (const Vector3& p : points) list.push_back(&p);
    mesh->copyPoints(static_cast<int>(points.size()), list.data());
    return mesh;
}

}  // namespace

TEST(Spring, LengthAndDirectionForces) {
    Pair p;
    p.spring().lengthStiffness = 0.5f;
    p.spring().flags = kSpringLengthOn;
    // Stretched by 1: both ends pulled together, half each.
    p.b().position = Vector3(3, 0, 0);
    p.system.clearForces();
    p.system.applySprings();
    EXPECT_FLOAT_EQ(p.a().force.x, 0.25f);
    EXPECT_FLOAT_EQ(p.b().force.x, -0.25f);
    // Compressed with a fixed: the free end takes the whole push.
    p.a().flags |= kParticleFixed;
    p.b().position = Vector3(1, 0, 0);
    p.system.clearForces();
    p.system.applySprings();
    EXPECT_EQ(p.a().force.x, 0.0f);
    EXPECT_FLOAT_EQ(p.b().force.x, 0.5f);
    // Both fixed: nothing.
    p.b().flags |= kParticleFixed;
    p.system.clearForces();
    p.system.applySprings();
    EXPECT_EQ(p.b().force.x, 0.0f);

    // Direction force: turned by 90 degrees, c = 0.5, pulling b back towards its rest offset.
    Pair q;
    q.spring().flags = kSpringDirectionOn;
    q.spring().directionStiffness = 1.0f;
    q.b().position = Vector3(0, 2, 0);
    q.system.clearForces();
    q.system.applySprings();
    EXPECT_FLOAT_EQ(q.b().force.x, 1.0f);
    EXPECT_FLOAT_EQ(q.b().force.y, -1.0f);
    EXPECT_FLOAT_EQ(q.a().force.x, -1.0f);
    // At rest the forces are exactly zero.
    q.b().position = Vector3(2, 0, 0);
    q.spring().flags |= kSpringLengthOn;
    q.system.clearForces();
    q.system.applySprings();
    EXPECT_EQ(q.b().force.x, 0.0f);
    EXPECT_EQ(q.b().force.y, 0.0f);
}

TEST(ParticleSystem, StiffnessSettersAndSubsteps) {
    Pair p;
    EXPECT_EQ(p.spring().minLength, 0.0f);
    EXPECT_EQ(p.spring().maxLength, FLT_MAX);
    p.system.setLengthStiffness(0.0f);
    EXPECT_EQ(p.spring().flags & kSpringLengthOn, 0);
    EXPECT_EQ(p.spring().lengthStiffness, 0.0f);
    // The current value again changes nothing, not even a flag set by hand.
    p.spring().flags |= kSpringLengthOn;
    p.system.setLengthStiffness(0.0f);
    EXPECT_NE(p.spring().flags & kSpringLengthOn, 0);
    p.system.setDirectionStiffness(0.0f);
    EXPECT_EQ(p.spring().flags & kSpringDirectionOn, 0);
    p.system.setDirectionStiffness(0.7f);
    EXPECT_NE(p.spring().flags & kSpringDirectionOn, 0);
    EXPECT_EQ(p.spring().directionStiffness, 0.7f);

    // Three substeps: each moves by a third of the velocity and damps it.
    ParticleSystem s;
    s.allocate(1, 0);
    s.particles()[0].velocity = Vector3(9, 0, 0);
    s.setSubsteps(3);
    s.setDamping(0.5f);
    s.simulate();
    EXPECT_FLOAT_EQ(s.particles()[0].position.x, 3 + 1.5f + 0.75f);
    EXPECT_FLOAT_EQ(s.particles()[0].velocity.x, 9 * 0.125f);
    // Own damping and gravity times mass.
    s.setSubsteps(1);
    s.particles()[0].flags |= kParticleOwnDamping;
    s.particles()[0].damping = 1.0f;
    s.particles()[0].mass = 2.0f;
    s.particles()[0].velocity.setZero();
    s.setUseGravity(true);
    s.simulate();
    EXPECT_FLOAT_EQ(s.particles()[0].velocity.y, -1.8f);
}

TEST(ParticleSystem, LengthLimits) {
    // A free end pulled past maxLength from a fixed one is put back on the limit, and loses its
    // velocity along the rest direction.
    Pair p;
    p.a().flags |= kParticleFixed;
    p.spring().maxLength = 3.0f;
    p.spring().minLength = 1.0f;
    p.b().position = Vector3(5, 0, 0);
    p.b().velocity = Vector3(1, 1, 0);
    p.system.applyLengthLimits();
    EXPECT_FLOAT_EQ(p.b().position.x, 3.0f);
    EXPECT_FLOAT_EQ(p.b().velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(p.b().velocity.y, 1.0f);
    // Too close: pushed out to minLength; at distance 0 along the rest direction.
    p.b().position = Vector3(0.5f, 0, 0);
    p.system.applyLengthLimits();
    EXPECT_FLOAT_EQ(p.b().position.x, 1.0f);
    p.b().position = Vector3(0, 0, 0);
    p.system.applyLengthLimits();
    EXPECT_FLOAT_EQ(p.b().position.x, 1.0f);

    // Free ends too far apart: what moves them further apart is removed, the rest kept.
    Pair q;
    q.spring().maxLength = 1.0f;
    q.a().velocity = Vector3(-1, 1, 0);  // away from b
    q.b().velocity = Vector3(-1, 0, 0);  // towards a
    q.system.applyLengthLimits();
    EXPECT_FLOAT_EQ(q.a().velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(q.a().velocity.y, 1.0f);
    EXPECT_FLOAT_EQ(q.b().velocity.x, -1.0f);
    // Defaults leave the pass without effect.
    Pair r;
    r.b().position = Vector3(100, 0, 0);
    r.a().velocity = Vector3(-3, 0, 0);
    r.system.applyLengthLimits();
    EXPECT_EQ(r.b().position.x, 100.0f);
    EXPECT_EQ(r.a().velocity.x, -3.0f);
}

TEST(MeshParticleSystem, BindingAndFailures) {
    std::unique_ptr<StdMesh3D> mesh(meshWith({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}));
    mesh->setPosition(5, 0, 0);
    MeshParticleSystem s;
    ASSERT_EQ(s.bindMesh(mesh.get(), nullptr, 0), 0);
    EXPECT_EQ(s.particleCount(), 3);
    EXPECT_EQ(s.springCount(), 3);
    EXPECT_TRUE(s.particles()[3].isFixed());
    EXPECT_EQ(s.particles()[3].position.x, 0.0f);
    EXPECT_EQ(s.springs()[1].b, &s.particles()[3]);
    EXPECT_FLOAT_EQ(s.springs()[1].restLength, 2.0f);
    EXPECT_FLOAT_EQ(s.worldPositions()[0].x, 6.0f);
    EXPECT_EQ(s.springs()[0].lengthStiffness, 0.15f);

    // A caller's buffer one short of n + 1 is refused; n + 1 is used without allocation.
    Particle buffer[4];
    EXPECT_EQ(s.bindMesh(mesh.get(), buffer, 3), -1);
    EXPECT_FALSE(s.isBound());
    EXPECT_EQ(s.bindMesh(mesh.get(), buffer, 4), 0);
    EXPECT_EQ(s.particles(), buffer);
    EXPECT_TRUE(s.externalParticles());
    // Binding again without a buffer owns its new array.
    EXPECT_EQ(s.bindMesh(mesh.get(), nullptr, 0), 0);
    EXPECT_FALSE(s.externalParticles());

    // The node moved: the particles keep their world positions, in local terms displaced by -t.
    mesh->translate(0, 0, 2);
    s.OnPreSimul();
    EXPECT_FLOAT_EQ(s.particles()[0].position.z, -2.0f);
    EXPECT_FLOAT_EQ(s.gravity().y, -0.9f);
    s.OnPostSimul();
    EXPECT_FLOAT_EQ(mesh->getPoint(0, 0)->z, -2.0f);
    EXPECT_FLOAT_EQ(s.worldPositions()[0].z, 0.0f);

    // A mesh without points: -1; then OnPreSimul is silent and OnPostSimul complains.
    CapturedMessageBoxes boxes;
    StdMesh3D empty;
    EXPECT_EQ(s.bindMesh(&empty, nullptr, 0), -1);
    s.OnPreSimul();
    EXPECT_TRUE(boxes.calls().empty());
    s.OnPostSimul();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "j'suis une merde");
    EXPECT_EQ(boxes.calls()[0].caption, "");

    // Never bound: no mesh at all.
    MeshParticleSystem unbound;
    unbound.OnPreSimul();
    unbound.OnPostSimul();
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].text, "Bug OnPostSimul");
    EXPECT_EQ(unbound.bindMesh(nullptr, nullptr, 0), -1);
}
