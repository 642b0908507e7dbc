// Group3D: passes both frame passes on to its children.
#include "scene/group3d.h"

Group3D::Group3D() { addKind(kKindGroup); }

int Group3D::update(RenderDevice* device, int width, int height, bool recurse) {
    if (recurse) updateChildren(device, width, height);
    return 0;
}

int Group3D::draw(RenderDevice* device, int width, int height, bool recurse) {
    if (recurse) drawChildren(device, width, height);
    return 0;
}

void Group3D::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    loadNodeRecord(reader, materials, registry);
}

void Group3D::save(PackWriter& writer, MaterialLibrary* materials) { saveNodeRecord(writer, materials); }
