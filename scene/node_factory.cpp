// The kind-bit node factory.
#include "scene/node_factory.h"

#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/std_mesh3d.h"
#include "scene/body_spawner.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/target3d.h"
#include "scene/taper3d.h"

namespace {

// The bits in the order the factory tests them: derived classes carry their bases' bits, so the
// most derived kinds come first.
constexpr int kFactoryOrder[] = {kKindSea, kKindMetaCube, kKindTarget, kKindCamera,
                                 kKindMesh, kKindGroup,   kKindPisse,  kKindTaper};

}  // namespace

int factoryKindBit(NodeKind kinds) {
    for (int bit : kFactoryOrder)
        if (kinds & kindMask(bit)) return bit;
    return -1;
}

Node3D* createNodeFromKinds(NodeKind kinds, Node3D* parent, MaterialLibrary* materials) {
    switch (factoryKindBit(kinds)) {
    case kKindSea:
        return new SeaMesh3D_FX();
    case kKindMetaCube:
        return new MetaCube_FX(materials);
    case kKindTarget:
        return new Target3D();
    case kKindCamera:
        return new Camera3D();
    case kKindMesh:
        return new StdMesh3D();
    case kKindGroup:
        return new Group3D();
    case kKindPisse:
        // The stream spawns its drops through the scene at the root of the tree being read; a
        // tree without a scene at its root gives a stream that emits nothing.
        return new Pisse3D(parent ? dynamic_cast<BodySpawner*>(parent->getRoot()) : nullptr);
    case kKindTaper:
        return new Taper3D();
    default:
        return nullptr;
    }
}
