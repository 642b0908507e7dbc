// QuietDevice: a render device for the effect tests that draws nothing, answers "visible" and
// counts meshes. It never allocates, so allocation counts see the effects alone.
#pragma once

#include "scene/render_device.h"

class QuietDevice : public RenderDevice {
public:
    void setMaterialLibrary(MaterialLibrary* library) override { library_ = library; }
    MaterialLibrary* getMaterialLibrary() override { return library_; }
    void drawFace(Face&, int) override {}
    void drawPoint(const Vector3&) override {}
    void drawMesh(MeshBase&, int) override { ++meshes; }
    void drawLine(const Vector3&, const Vector3&) override {}
    void beginFrame() override {}
    void endFrame() override {}
    void setCamera(Camera3D&, int, int) override {}
    void setLookAt(const Vector3&, const Vector3&, int, int) override {}
    void setClearColor(float, float, float) override {}
    int isVisible(const Vector3*, int) override { return 1; }
    float getAlpha() override { return alpha; }
    void setAlpha(float a) override { alpha = a; }
    void clearDepthBuffer() override {}
    void clearColorBuffer() override {}
    void updateTexture(int, int, int, int, TextureName, int, const void*) override {}
    void bindTexture(TextureName) override {}
    void createTexture(int, int, const void*, TextureName*, int) override {}
    void drawScreenTexture(int, int, int, int, TextureName, float) override {}

    int meshes = 0;
    float alpha = 1.0f;

private:
    MaterialLibrary* library_ = nullptr;
};
