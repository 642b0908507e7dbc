// Camera3D: the camera the scene selects every frame; the render device builds the projection
// from its field of view and the view from its position and quaternion.
#pragma once

#include "scene/camera_abstract.h"

class Camera3D : public CameraAbstract {
public:
    // Adds kind bit 6 (after bit 5 of CameraAbstract); field of view 45 degrees.
    Camera3D();
    ~Camera3D() override = default;
    const char* getTypeName() const override { return "Camera3D-Source"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // The node record and its subtree, then the field of view as one float (degrees).
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    void save(PackWriter& writer, MaterialLibrary* materials) override;

    // Horizontal field of view in degrees.
    float getFieldOfView() const { return fieldOfView_; }
    void setFieldOfView(float degrees) { fieldOfView_ = degrees; }

protected:
    float fieldOfView_ = 45.0f;
};
