// SoftBody: what a mesh asks of the particle system that moves its points as a soft body. The
// mesh folder only drives it; the system itself is an effect, made through the maker that the
// world registers (registerWorldClasses).
#pragma once

#include <memory>

class MeshBase;

class SoftBody {
public:
    virtual ~SoftBody() = default;
    // Releases, then binds to mesh (a particle per local point and a fixed anchor at the origin),
    // with gravity and length limits on and the given spring settings. 0 on success; non-zero for
    // a mesh that cannot be simulated (the body then stays released).
    virtual int bind(MeshBase* mesh, float lengthStiffness, float directionStiffness, float damping) = 0;
    // One step: the particles follow the node, springs, gravity, integration and damping, and the
    // result is written back into the mesh's local points.
    virtual void step() = 0;
    // Frees what bind made; the body may be bound again.
    virtual void release() = 0;
};

using SoftBodyMaker = std::unique_ptr<SoftBody> (*)();
// Sets the maker of the soft bodies of meshes (null: meshes have no soft body).
void setSoftBodyMaker(SoftBodyMaker maker);
// A new soft body from the maker, or null when none is set.
std::unique_ptr<SoftBody> makeSoftBody();
