// The kind-bit node factory.
#include "scene/node_factory.h"

#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/target3d.h"
#include "scene/taper3d.h"

namespace {

// The bits in the order the factory tests them: derived classes carry their bases' bits, so the
// most derived kinds come first.
constexpr int kFactoryOrder[] = {kKindSea, kKindMetaCube, kKindTarget, kKindCamera,
                                 kKindMesh, kKindGroup,   kKindPisse,  kKindTaper};

// The registered classes, by kind bit.
NodeCreator creators[32] = {};

bool registrable(int bit) { return bit == kKindMesh || bit == kKindSea || bit == kKindMetaCube || bit == kKindPisse; }

}  // namespace

void registerNodeCreator(int bit, NodeCreator creator) {
    if (registrable(bit)) creators[bit] = creator;
}

int factoryKindBit(NodeKind kinds) {
    for (int bit : kFactoryOrder)
        if (kinds & kindMask(bit)) return bit;
    return -1;
}

Node3D* createNodeFromKinds(NodeKind kinds, Node3D* parent, MaterialLibrary* materials) {
    const int bit = factoryKindBit(kinds);
    switch (bit) {
    case kKindTarget:
        return new Target3D();
    case kKindCamera:
        return new Camera3D();
    case kKindGroup:
        return new Group3D();
    case kKindTaper:
        return new Taper3D();
    default:
        if (bit >= 0 && registrable(bit) && creators[bit]) return creators[bit](parent, materials);
        return nullptr;
    }
}
