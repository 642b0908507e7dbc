// CameraAbstract: the common base of cameras; carries a camera tag. Only ever the base part of a
// Camera3D.
#pragma once

#include <cstdint>

#include "scene/node3d.h"

class CameraAbstract : public Node3D {
public:
    // Adds kind bit 5; cameraTag 0.
    CameraAbstract();
    ~CameraAbstract() override = default;
    const char* getTypeName() const override { return "Camera Abstract"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // The node record and its subtree, nothing more.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    void save(PackWriter& writer, MaterialLibrary* materials) override;
    // 47, 48: a free tag that no operation of the show interprets.
    virtual int32_t getCameraTag() { return cameraTag_; }
    virtual void setCameraTag(int32_t tag) { cameraTag_ = tag; }

protected:
    int32_t cameraTag_ = 0;
};
