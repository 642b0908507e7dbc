// The kind-bit node factory: creates the node class for a child record's kind word. The scene
// folder's own classes are built in; meshes and effects, which live above it, are registered by
// the world (registerWorldClasses).
#pragma once

#include "scene/node_kind.h"

class Node3D;
class MaterialLibrary;

// Makes a node of a registered class; parent and materials as for createNodeFromKinds.
using NodeCreator = Node3D* (*)(Node3D* parent, MaterialLibrary* materials);

// Sets the creator of the class chosen by kind bit (kKindMesh, kKindSea, kKindMetaCube or
// kKindPisse; other bits are ignored). Null takes the class away.
void registerNodeCreator(int bit, NodeCreator creator);

// Tests the bits in this order, first match wins (most derived classes first): 0x100
// SeaMesh3D_FX, 0x200 MetaCube_FX, 0x080 Target3D, 0x040 Camera3D, 0x008 StdMesh3D, 0x010
// Group3D, 0x800 Pisse3D, 0x400 Taper3D. Returns the new node, or null when the word holds none
// of these bits or its class is not registered. parent is the node whose record is being read (a particle stream takes the body
// spawner of the scene at its root, if the root is one); materials is the scene's material
// library (metaballs add theirs). The caller owns the result.
Node3D* createNodeFromKinds(NodeKind kinds, Node3D* parent, MaterialLibrary* materials);

// The bit by which createNodeFromKinds chooses the class for this word (8 for SeaMesh3D_FX and
// so on), or -1 when the word holds none of the eight bits.
int factoryKindBit(NodeKind kinds);
