// The kind-bit node factory. Each class that lives in another part of the tree is switched on by
// one DEMO_FACTORY_HAS_* line below; while a class is switched off its bit still matches (so a
// derived kind is never mistaken for its base) but creates nothing, which loading reports.
#include "scene/node_factory.h"

#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/target3d.h"
#include "scene/taper3d.h"

#define DEMO_FACTORY_HAS_STD_MESH 0
#define DEMO_FACTORY_HAS_SEA_MESH 0
#define DEMO_FACTORY_HAS_META_CUBE 0
#define DEMO_FACTORY_HAS_PISSE 0

#if DEMO_FACTORY_HAS_STD_MESH
#include "mesh/std_mesh3d.h"
#endif
#if DEMO_FACTORY_HAS_SEA_MESH
#include "fx/sea_mesh3d_fx.h"
#endif
#if DEMO_FACTORY_HAS_META_CUBE
#include "fx/meta_cube_fx.h"
#endif
#if DEMO_FACTORY_HAS_PISSE
#include "fx/pisse3d.h"
#include "scene/scene3d.h"
#endif

namespace {

// The bits in the order the factory tests them.
constexpr int kFactoryOrder[] = {kKindSea, kKindMetaCube, kKindTarget, kKindCamera,
                                 kKindMesh, kKindGroup,   kKindPisse,  kKindTaper};

Node3D* createForBit(int bit, Node3D* parent, MaterialLibrary* materials) {
    switch (bit) {
    case kKindSea:
#if DEMO_FACTORY_HAS_SEA_MESH
        return new SeaMesh3D_FX();
#else
        return nullptr;
#endif
    case kKindMetaCube:
#if DEMO_FACTORY_HAS_META_CUBE
        return new MetaCube_FX(materials);
#else
        return nullptr;
#endif
    case kKindTarget:
        return new Target3D();
    case kKindCamera:
        return new Camera3D();
    case kKindMesh:
#if DEMO_FACTORY_HAS_STD_MESH
        return new StdMesh3D();
#else
        return nullptr;
#endif
    case kKindGroup:
        return new Group3D();
    case kKindPisse:
#if DEMO_FACTORY_HAS_PISSE
    {
        // The stream spawns its drops as bodies of the scene at the root of the tree being read.
        Scene3D* scene = parent ? dynamic_cast<Scene3D*>(parent->getRoot()) : nullptr;
        return scene ? new Pisse3D(scene->bodySpawner()) : nullptr;
    }
#else
        return nullptr;
#endif
    case kKindTaper:
        return new Taper3D();
    default:
        return nullptr;
    }
}

}  // namespace

int factoryKindBit(NodeKind kinds) {
    for (int bit : kFactoryOrder)
        if (kinds & kindMask(bit)) return bit;
    return -1;
}

Node3D* createNodeFromKinds(NodeKind kinds, Node3D* parent, MaterialLibrary* materials) {
    int bit = factoryKindBit(kinds);
    if (bit < 0) return nullptr;
    return createForBit(bit, parent, materials);
}
