// RenderDeviceCore: every rule of the render device, in one place that all of its backends share.
// The core decides what is drawn and how: the material lookup (a missing material is reported
// once per library and id, and the face drawn in its own colour), triangles or polygons, the
// deferred translucent queue and the end-of-frame order, the alpha that blending follows, the
// camera's projection and view matrices, the frustum planes and the culling answer. A backend
// only turns the core's primitive calls (clear, load the matrices, switch blending, draw one
// primitive record, handle textures) into its drawing API: GLRenderDevice draws with OpenGL,
// NullRenderDevice draws nothing, and the tests' recording device writes the calls down. Every
// backend thus runs the very rules that the player runs, culling included.
#pragma once

#include <set>
#include <utility>
#include <vector>

#include "math/matrix4.h"
#include "math/plane.h"
#include "scene/render_device.h"

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

// The vertical angle (degrees) for a horizontal angle of fovDegrees on a 16:9 picture.
double verticalFieldOfView(float fovDegrees);
// The vertical angle used by setLookAt (a horizontal angle of 90 degrees).
double lookAtVerticalFieldOfView();
// The picture's 16:9 aspect ratio and the depth range of every projection.
constexpr double kPictureAspect = 1.7777777910232544;
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 300.0;

// The camera matrices, in OpenGL's memory order, computed exactly as the GL utility library
// computes them and as OpenGL stores them (the same float values), so that the picture and the
// frustum planes do not depend on the backend.
// Perspective projection of vertical angle fovyDegrees on the 16:9 picture (identity for a
// degenerate angle).
Matrix4 perspectiveMatrix(double fovyDegrees);
// View from eye towards target with up (0, 1, 0).
Matrix4 lookAtMatrix(const Vector3& eye, const Vector3& target);
// View of a camera at position with that orientation: the inverse rotation with X reversed and
// Y and Z exchanged, then the translation that brings the position to the origin.
Matrix4 cameraViewMatrix(const Vector3& position, const Quaternion& orientation);
// The six planes (right, left, bottom, top, far, near; normalised) of the view frustum.
void frustumPlanes(const Matrix4& projection, const Matrix4& view, Plane planes[kFrustumPlaneCount]);

// What the core hands a backend to draw.
enum class PrimitiveKind { Triangles, Polygon, Points, Lines };

// Where a face primitive came from: backends that draw ignore it; tests and tools read it.
struct FaceOrigin {
    int material = 0;            // the face's material index
    bool materialFound = false;  // the library had it (else the colour is the face's own)
    const MeshBase* mesh = nullptr;  // the mesh drawn, or null for a face drawn on its own
    int vertexSet = 0;
    bool translucentPass = false;  // drawn by endFrame's translucent pass
};

// One primitive: its kind, colour (red, green, blue, alpha) and corners in order.
struct Primitive {
    PrimitiveKind kind = PrimitiveKind::Polygon;
    float r = 0, g = 0, b = 0, a = 1;
    const Vector3* vertices = nullptr;
    int vertexCount = 0;
    const FaceOrigin* face = nullptr;  // set for faces only
};

class RenderDeviceCore : public RenderDevice {
public:
    ~RenderDeviceCore() override;

    // RenderDevice, with the rules described above; a backend overrides none of these.
    void setMaterialLibrary(MaterialLibrary* library) final { materialLibrary_ = library; }
    MaterialLibrary* getMaterialLibrary() final { return materialLibrary_; }
    // Triangles for 3 corners, a polygon otherwise, in the material's colour at the device alpha.
    void drawFace(Face& face, int vertexSet) final;
    // A red point at the device alpha.
    void drawPoint(const Vector3& point) final;
    // Opaque meshes (opacity exactly 1) are drawn now; others are queued for endFrame. The queue
    // grows past kTranslucentQueueCapacity when a frame needs it.
    void drawMesh(MeshBase& mesh, int vertexSet) final;
    // An opaque red line.
    void drawLine(const Vector3& a, const Vector3& b) final;
    void beginFrame() final;
    // Draws the queued meshes (each at its opacity, vertex set 2) in submission order, empties
    // the queue and flushes. The alpha is left at the last mesh's opacity.
    void endFrame() final;
    // Perspective from the camera's horizontal field of view, view from its position and
    // quaternion, then the frustum planes; culling on.
    void setCamera(Camera3D& camera, int width, int height) final;
    // 90-degree horizontal view from eye towards target, up (0, 1, 0); culling off.
    void setLookAt(const Vector3& eye, const Vector3& target, int width, int height) final;
    void setClearColor(float r, float g, float b) final;
    // 1 while culling is off; with culling on, 0 when every point (and so an empty set) lies
    // behind one frustum plane.
    int isVisible(const Vector3* points, int count) final;
    float getAlpha() final { return alpha_; }
    // Acts only when the value changes (or a picture has turned blending off since): blending
    // on for anything but 1, off for 1.
    void setAlpha(float alpha) final;
    void clearDepthBuffer() final;
    void clearColorBuffer() final;
    void updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                       const void* pixels) final;
    void bindTexture(TextureName name) final;
    void createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) final;
    // The picture at opacity over the whole viewport; blending is left off, so that opaque faces
    // drawn next do not blend, until the next setAlpha.
    void drawScreenTexture(int x, int y, int width, int height, TextureName name, float opacity) final;

    // Takes over what other's frames leave for the next frame: the material library, the field
    // of view, the culling switch and the frustum planes (alpha and the translucent queue start
    // afresh with every frame). A show simulated through one device can so go on drawing
    // through another exactly as if that one had drawn every frame.
    void copyViewState(const RenderDeviceCore& other);

    // State, for tests and tools.
    float getFieldOfView() const { return fieldOfView_; }
    bool isCullingEnabled() const { return cullingEnabled_; }
    int getTranslucentCount() const { return static_cast<int>(translucentQueue_.size()); }
    const Plane* getFrustumPlanes() const { return frustumPlanes_; }

protected:
    // Material library none, field of view 45, alpha 1, culling off; the translucent queue is
    // allocated here for kTranslucentQueueCapacity meshes.
    RenderDeviceCore();

    // The backend's primitives. Textures are 2D RGBA; hasAlpha says whether the pixels given are
    // RGBA (else RGB).

    // Clears the colour and/or depth buffer.
    virtual void clearBuffers(bool colour, bool depth) = 0;
    // The colour that clearing the colour buffer gives (alpha 1).
    virtual void loadClearColour(float r, float g, float b) = 0;
    // Replaces the projection and modelview matrices.
    virtual void loadMatrices(const Matrix4& projection, const Matrix4& modelview) = 0;
    // Source-alpha blending on, or blending off.
    virtual void enableBlending(bool on) = 0;
    virtual void drawPrimitive(const Primitive& primitive) = 0;
    // Ends the frame's drawing.
    virtual void flush() = 0;
    // A new texture of width x height from pixels; its name (never 0).
    virtual TextureName newTexture(int width, int height, const void* pixels, bool hasAlpha) = 0;
    // Replaces a rectangle of the texture's pixels.
    virtual void loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                            const void* pixels) = 0;
    // Makes the texture the current one.
    virtual void selectTexture(TextureName name) = 0;
    // The texture over the whole viewport at opacity, row 0 at the top and column 0 at the right;
    // afterwards the current colour is white at deviceAlpha and blending is off.
    virtual void drawPicture(TextureName name, float opacity, float deviceAlpha) = 0;

private:
    void drawMeshFaces(MeshBase& mesh, int vertexSet, bool translucentPass);
    void drawFaceFrom(Face& face, int vertexSet, const MeshBase* mesh, bool translucentPass);

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
    std::vector<Vector3> corners_;  // scratch for one face's corners
};
