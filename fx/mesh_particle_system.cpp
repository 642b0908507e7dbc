// MeshParticleSystem: binds the mass-spring simulation to the local points of a mesh.
#include "fx/mesh_particle_system.h"

#include <cstdint>

#include "data/message_box.h"
#include "mesh/mesh_base.h"

MeshParticleSystem::~MeshParticleSystem() { MeshParticleSystem::release(); }

void MeshParticleSystem::release() {
    ParticleSystem::release();
    delete[] points_;
    delete[] worldPositions_;
    points_ = nullptr;
    worldPositions_ = nullptr;
}

int MeshParticleSystem::bindMesh(MeshBase* mesh, Particle* buffer, int capacity) {
    release();
    mesh_ = mesh;
    if (!mesh) return -1;
    const Matrix4 m = mesh->getWorldMatrix();
    const int n = mesh->getPointCount();
    if (n <= 0) return -1;
    if (buffer) {
        if (static_cast<int64_t>(n) + 1 > capacity) return -1;
        particles_ = buffer;
        externalParticles_ = true;
    } else {
        particles_ = new Particle[n + 1];
        externalParticles_ = false;  // this array is ours to free
    }
    points_ = new Vector3*[n];
    worldPositions_ = new Vector3[n + 1];
    particleCount_ = n;
    for (int i = 0; i <= n; ++i) {
        Particle& p = particles_[i];
        if (i < n) {
            points_[i] = mesh->getPoint(i, kLocalPoints);
            if (!points_[i]) {  // a mesh that does not hand out its points cannot be bound
                release();
                return -1;
            }
            p.position = *points_[i];
            p.flags &= static_cast<uint8_t>(~kParticleFixed);
        } else {
            p.position.setZero();
            p.flags |= kParticleFixed;
        }
        p.velocity.setZero();
        p.flags &= static_cast<uint8_t>(~kParticleOwnDamping);
        p.mass = 1.0f;
        worldPositions_[i] = p.position.transformPoint(m);
    }
    springs_ = new Spring[n];
    springCount_ = n;
    for (int j = 0; j < n; ++j) {
        Spring& s = springs_[j];
        s.a = &particles_[j];
        s.b = &particles_[n];
        s.flags |= kSpringLengthOn | kSpringDirectionOn;
        s.lengthStiffness = lengthStiffness_;
        s.directionStiffness = directionStiffness_;
        s.resetRest();
    }
    resetRestState();
    return 0;
}

void MeshParticleSystem::OnPreSimul() {
    if (!points_) return;
    if (!mesh_) {
        messageBox("Bug OnPreSimul()", "", MessageBoxStyle::Ok);
        return;
    }
    const Matrix4 m = mesh_->getWorldMatrix();
    const Matrix4 inverse = mesh_->getInverseWorldMatrix();
    gravity_ = worldGravity_;
    gravity_.transformDirection(inverse);
    for (int i = 0; i < particleCount_; ++i) {
        const Vector3 w = points_[i]->transformPoint(m);
        Vector3 d = worldPositions_[i].minus(w);
        d.transformDirection(inverse);
        particles_[i].position = points_[i]->plus(d);
        particles_[i].flags &= static_cast<uint8_t>(~kParticleFixed);
    }
}

void MeshParticleSystem::OnPostSimul() {
    if (!mesh_) {
        messageBox("Bug OnPostSimul", "", MessageBoxStyle::Ok);
        return;
    }
    if (!points_) {
        messageBox("j'suis une merde", "", MessageBoxStyle::Ok);
        return;
    }
    const Matrix4 m = mesh_->getWorldMatrix();
    for (int i = 0; i < particleCount_; ++i) {
        *points_[i] = particles_[i].position;
        worldPositions_[i] = particles_[i].position.transformPoint(m);
    }
}
