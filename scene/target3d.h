// Target3D: a plain positional marker that other nodes find by id (the particle stream aims at
// one). Adds no fields; its record is the node record.
#pragma once

#include "scene/node3d.h"

class Target3D : public Node3D {
public:
    // Adds kind bit 7.
    Target3D();
    ~Target3D() override = default;
    const char* getTypeName() const override { return "Target3D"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
};
