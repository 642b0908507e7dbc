// GLRenderDevice: the OpenGL 1.1 immediate-mode RenderDevice. Coloured polygons without lighting,
// a deferred pass for translucent meshes, the camera from a camera node or an eye and a target,
// frustum culling against six planes, and textures drawn as full-viewport quads. Every call
// needs a current GL context.
#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "math/plane.h"
#include "platform/render_device.h"

// Index of each frustum plane in getFrustumPlanes().
enum FrustumPlane : int {
    kPlaneRight = 0,
    kPlaneLeft,
    kPlaneBottom,
    kPlaneTop,
    kPlaneFar,
    kPlaneNear,
    kFrustumPlaneCount
};

// gluPerspective's vertical angle (degrees) for a horizontal angle of fovDegrees on a 16:9 picture.
double verticalFieldOfView(float fovDegrees);
// The vertical angle used by setLookAt (a horizontal angle of 90 degrees).
double lookAtVerticalFieldOfView();
// The 16:9 aspect ratio handed to gluPerspective.
constexpr double kPictureAspect = 1.7777777910232544;
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 300.0;

class GLRenderDevice : public RenderDevice {
public:
    // Material library none, field of view 45, alpha 1, culling off; the translucent queue is
    // allocated here for kTranslucentQueueCapacity meshes.
    GLRenderDevice();
    ~GLRenderDevice() override;

    void setMaterialLibrary(MaterialLibrary* library) override { materialLibrary_ = library; }
    MaterialLibrary* getMaterialLibrary() override { return materialLibrary_; }
    // Triangles for 3 corners, a polygon otherwise, in the material's colour at the device alpha.
    // A material missing from the library is reported once per library and id (the message box
    // "" / "ERROR: Material null in draw face"), and the face is drawn in its own colour.
    void drawFace(Face& face, int vertexSet) override;
    void drawPoint(const Vector3& point) override;
    // Opaque meshes (opacity exactly 1) are drawn now; others are queued for endFrame. The queue
    // grows past kTranslucentQueueCapacity when a frame needs it.
    void drawMesh(MeshBase& mesh, int vertexSet) override;
    void drawLine(const Vector3& a, const Vector3& b) override;
    void beginFrame() override;
    // Draws the queued meshes (each at its opacity, vertex set 2) in submission order, empties
    // the queue and flushes. The alpha is left at the last mesh's opacity.
    void endFrame() override;
    // Perspective from the camera's horizontal field of view, view from its position and
    // quaternion, then the frustum planes; culling on.
    void setCamera(Camera3D& camera, int width, int height) override;
    // 90-degree horizontal view from eye towards target, up (0, 1, 0); culling off.
    void setLookAt(const Vector3& eye, const Vector3& target, int width, int height) override;
    void setClearColor(float r, float g, float b) override;
    int isVisible(const Vector3* points, int count) override;
    float getAlpha() override { return alpha_; }
    // Issues GL only when the value changes (or a picture has turned blending off since):
    // blending on for anything but 1, off for 1.
    void setAlpha(float alpha) override;
    void clearDepthBuffer() override;
    void clearColorBuffer() override;
    void updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                       const void* pixels) override;
    void bindTexture(TextureName name) override;
    void createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) override;
    void drawScreenTexture(int x, int y, int width, int height, TextureName name, float opacity) override;

    // State, for tests and tools.
    float getFieldOfView() const { return fieldOfView_; }
    bool isCullingEnabled() const { return cullingEnabled_; }
    int getTranslucentCount() const { return static_cast<int>(translucentQueue_.size()); }
    const Plane* getFrustumPlanes() const { return frustumPlanes_; }

private:
    void applyTextureState();

    MaterialLibrary* materialLibrary_ = nullptr;
    float fieldOfView_ = 45.0f;
    float alpha_ = 1.0f;
    std::vector<MeshBase*> translucentQueue_;
    Plane frustumPlanes_[kFrustumPlaneCount];
    bool cullingEnabled_ = false;
    // Blending was turned off by drawScreenTexture while alpha_ is below 1.
    bool blendStale_ = false;
    // (library, material id) pairs already reported missing.
    std::set<std::pair<const MaterialLibrary*, int>> reportedMissing_;
};
