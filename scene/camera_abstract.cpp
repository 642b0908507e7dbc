// CameraAbstract: the camera base; its record is the node record.
#include "scene/camera_abstract.h"

CameraAbstract::CameraAbstract() { addKind(kKindCameraBase); }

void CameraAbstract::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    loadNodeRecord(reader, materials, registry);
}

void CameraAbstract::save(PackWriter& writer, MaterialLibrary* materials) { saveNodeRecord(writer, materials); }
