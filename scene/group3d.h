// Group3D: the node that passes the update and draw passes on to its children; the base of the
// scene root.
#pragma once

#include "scene/node3d.h"

class Group3D : public Node3D {
public:
    // Adds kind bit 4.
    Group3D();
    ~Group3D() override = default;
    const char* getTypeName() const override { return "Group3D"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // When recurse is set, updates every child (recurse true); returns 0.
    int update(RenderDevice* device, int width, int height, bool recurse) override;
    // When recurse is set, draws every child (recurse true); returns 0.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // The node record and its subtree, nothing more.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    void save(PackWriter& writer, MaterialLibrary* materials) override;
};
