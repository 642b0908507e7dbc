// Camera3D: the node record followed by the field of view.
#include "scene/camera3d.h"

#include "data/pack_reader.h"
#include "data/pack_writer.h"

Camera3D::Camera3D() { addKind(kKindCamera); }

void Camera3D::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    CameraAbstract::load(reader, materials, registry);
    ReadContext context(reader, "a camera field of view");
    float fieldOfView = reader.getFloat();
    if (!reader.failed()) fieldOfView_ = fieldOfView;
}

void Camera3D::save(PackWriter& writer, MaterialLibrary* materials) {
    CameraAbstract::save(writer, materials);
    writer.writeFloat(fieldOfView_);
}
