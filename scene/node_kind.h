// NodeKind: the bit numbers of a node's kind set. Each class adds its bit in its constructor,
// after its bases, so a node carries the bits of its whole class chain.
#pragma once

#include <cstdint>

enum NodeKindBit : int {
    kKindMeshA = 2,      // StdMesh3D (and everything derived from it)
    kKindMesh = 3,       // StdMesh3D
    kKindGroup = 4,      // Group3D (and so Scene3D)
    kKindCameraBase = 5, // CameraAbstract (and so Camera3D)
    kKindCamera = 6,     // Camera3D
    kKindTarget = 7,     // Target3D
    kKindSea = 8,        // SeaMesh3D_FX
    kKindMetaCube = 9,   // MetaCube_FX
    kKindTaper = 10,     // Taper3D
    kKindPisse = 11,     // Pisse3D
};

using NodeKind = uint32_t;

constexpr NodeKind kindMask(int bit) { return NodeKind(1) << (bit % 32); }
