// RenderDevice: the abstract drawing interface through which every clip and scene node draws.
// Scene, mesh and effect code only ever see this interface. RenderDeviceCore implements it with
// every rule of the device, over thin backends (OpenGL, null, and the tests' recording one).
#pragma once

#include <cstdint>

#include "math/vector3.h"

class Face;
class MeshBase;
class Camera3D;
class MaterialLibrary;

using TextureName = uint32_t;

// Vertex set selector for drawFace / drawMesh: the transformed points.
constexpr int kDrawTransformed = 2;
// Capacity of the deferred translucent queue per frame.
constexpr int kTranslucentQueueCapacity = 100000;

class RenderDevice {
public:
    virtual void setMaterialLibrary(MaterialLibrary* library) = 0;
    virtual MaterialLibrary* getMaterialLibrary() = 0;
    // One polygon in its material's colour (nothing without a library or with material -1).
    virtual void drawFace(Face& face, int vertexSet) = 0;
    virtual void drawPoint(const Vector3& point) = 0;
    // Every face of the mesh; a mesh whose opacity is not exactly 1 is deferred to endFrame.
    virtual void drawMesh(MeshBase& mesh, int vertexSet) = 0;
    virtual void drawLine(const Vector3& a, const Vector3& b) = 0;
    // Alpha 1, empty translucent queue, colour and depth cleared.
    virtual void beginFrame() = 0;
    // Draws the translucent queue in submission order, then flushes.
    virtual void endFrame() = 0;
    virtual void setCamera(Camera3D& camera, int width, int height) = 0;
    virtual void setLookAt(const Vector3& eye, const Vector3& target, int width, int height) = 0;
    virtual void setClearColor(float r, float g, float b) = 0;
    // 0 when one frustum plane has every point behind it (only while culling is on), else 1.
    virtual int isVisible(const Vector3* points, int count) = 0;
    virtual float getAlpha() = 0;
    virtual void setAlpha(float alpha) = 0;
    virtual void reserved14() {}
    virtual void clearDepthBuffer() = 0;
    virtual void clearColorBuffer() = 0;
    virtual void updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                               const void* pixels) = 0;
    virtual void bindTexture(TextureName name) = 0;
    virtual void createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) = 0;
    // A quad over the whole viewport, texture row 0 at the top and column 0 at the right.
    virtual void drawScreenTexture(int x, int y, int width, int height, TextureName name, float opacity) = 0;
    virtual ~RenderDevice() = default;
};
