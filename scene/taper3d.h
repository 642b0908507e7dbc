// Taper3D: a deformer node kept for its place in the tree; it adds no fields and no behaviour.
// Its record is the node record. The stored type name ends with a blank.
#pragma once

#include "scene/node3d.h"

class Taper3D : public Node3D {
public:
    // Adds kind bit 10.
    Taper3D();
    ~Taper3D() override = default;
    const char* getTypeName() const override { return "Taper3D "; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
};
