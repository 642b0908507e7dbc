// MeshBase: the abstract polygon mesh node. It is at once a FaceSet (its faces), a VertexSet (its
// points) and a Node3D (its place in the scene), so the render device can draw it through the
// geometry interfaces and the scene can drive it as a node.
#pragma once

#include "mesh/face_set.h"
#include "mesh/vertex_set.h"
#include "scene/node3d.h"

// How a mesh produces its transformed points each frame (see StdMesh3D::update).
enum : int {
    kTransformCopy = 0,   // transformed := local, unchanged
    kTransformWorld = 2,  // any mode with bit 1 set: local points through the world matrix
};

class MeshBase : public FaceSet, public VertexSet, public Node3D {
public:
    ~MeshBase() override = default;

    // FaceSet slots 10 and 11: reserved, answer 0.
    virtual int meshReserved10() { return 0; }
    virtual int meshReserved11() { return 0; }
    // FaceSet slot 12: 0 copies the local points, a mode with bit 1 set applies the world matrix,
    // any other mode leaves the transformed points to another writer.
    virtual void setTransformMode(int mode) = 0;

    // Concrete meshes decide how (and whether) they clone.
    Node3D* createInstance() override = 0;
    int copyDataTo(Node3D* dest) override = 0;
};
