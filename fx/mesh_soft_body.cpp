// MeshSoftBody: one soft-body step of a mesh through its particle system.
#include "fx/mesh_soft_body.h"

int MeshSoftBody::bind(MeshBase* mesh, float lengthStiffness, float directionStiffness, float damping) {
    if (system_.bindMesh(mesh, nullptr, 0) != 0) return -1;
    system_.setUseGravity(true);
    system_.setLengthLimits(true);
    system_.setLengthStiffness(lengthStiffness);
    system_.setDirectionStiffness(directionStiffness);
    system_.setDamping(damping);
    return 0;
}

void MeshSoftBody::step() {
    system_.OnPreSimul();
    system_.clearForces();
    system_.applySprings();
    system_.setGravity(Vector3(0, 0, 0));
    if (system_.useGravity())
        ParticleSystem::applyGravity(system_.particles(), system_.particleCount(), system_.gravity());
    system_.accumulateVelocity();
    system_.integratePositions();
    system_.applyDamping();
    system_.OnPostSimul();
}
