// MeshSoftBody: the soft body of a mesh as a MeshParticleSystem, the one meshes are given.
#pragma once

#include "fx/mesh_particle_system.h"
#include "mesh/soft_body.h"

class MeshSoftBody : public SoftBody {
public:
    // bindMesh without a buffer, then gravity and length limits on and the spring settings.
    int bind(MeshBase* mesh, float lengthStiffness, float directionStiffness, float damping) override;
    // OnPreSimul, forces, springs, gravity, velocity, positions, damping, OnPostSimul.
    void step() override;
    void release() override { system_.release(); }

    MeshParticleSystem& system() { return system_; }

private:
    MeshParticleSystem system_;
};
