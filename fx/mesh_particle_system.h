// MeshParticleSystem: a ParticleSystem bound to a mesh. Every vertex becomes a particle tied by
// one spring to a fixed anchor at the mesh's local origin; each step first carries the particles
// to their previous world positions (so the vertices lag when the node moves) and afterwards
// writes them back into the mesh's local points.
#pragma once

#include "fx/particle_system.h"

class MeshBase;

class MeshParticleSystem : public ParticleSystem {
public:
    MeshParticleSystem() = default;
    // The mesh release, then the base destruction.
    ~MeshParticleSystem() override;

    // The base release, then frees the point table and the world positions. Keeps the mesh.
    void release() override;
    // Puts every particle back at its previous world position, in the node's current frame.
    // Silent when not bound; "Bug OnPreSimul()" box when there is no mesh.
    void OnPreSimul() override;
    // Writes the particles into the mesh's local points and records their world positions.
    // "Bug OnPostSimul" box without a mesh, "j'suis une merde" with a mesh but nothing bound.
    void OnPostSimul() override;
    // Releases, then binds to mesh: n particles at the local points plus the anchor (particle n,
    // fixed, at the origin) and n springs to it. buffer (capacity in particles) is used instead of
    // an allocation when given. 0 on success; -1 for a null mesh, a mesh without points or a
    // buffer smaller than n + 1 (the system then stays released, with mesh set).
    virtual int bindMesh(MeshBase* mesh, Particle* buffer, int capacity);

    MeshBase* mesh() const { return mesh_; }
    bool isBound() const { return points_ != nullptr; }
    // World position of particle i at the end of the last step (i in 0..particleCount).
    const Vector3* worldPositions() const { return worldPositions_; }

private:
    Vector3** points_ = nullptr;
    Vector3* worldPositions_ = nullptr;
    MeshBase* mesh_ = nullptr;
};
