// RecordingRenderDevice: a RenderDevice that needs no GL context. It records every call in a list
// that tests inspect, and otherwise behaves like the OpenGL device: the same material lookup
// (missing material: one "ERROR: Material null in draw face" box per library and missing id, then
// the face in its own colour), setAlpha acting only on a change, translucent meshes deferred to
// endFrame and drawn there with vertex set 2 (the queue grows as needed), frustum planes computed
// in software from the camera.
//
// Typical use:
//   RecordingRenderDevice device;
//   device.setMaterialLibrary(&library);
//   scene.update(&device, w, h, true); scene.draw(&device, w, h, true); device.endFrame();
//   EXPECT_EQ(device.facesDrawn(), 12);
//   for (const RenderRecord& r : device.records())
//       if (r.kind == RecordKind::Face) { auto v = device.vertices(r); ... }
//   device.clear();  // drops the records, keeps the device state and the capacity
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "math/plane.h"
#include "math/quaternion.h"
#include "math/vector3.h"
#include "platform/render_device.h"

enum class RecordKind {
    Face,           // one polygon drawn (also during the translucent pass of endFrame)
    Point,          // drawPoint
    Line,           // drawLine
    MeshDeferred,   // drawMesh of a translucent mesh: queued for endFrame
    BeginFrame,     // beginFrame (after its setAlpha(1))
    EndFrame,       // endFrame, after the translucent pass (the flush)
    Camera,         // setCamera
    LookAt,         // setLookAt
    ClearColor,     // setClearColor
    Alpha,          // setAlpha that changed the alpha (a GL state change)
    ClearDepth,     // clearDepthBuffer
    ClearColorBuffer,
    CreateTexture,
    UpdateTexture,
    BindTexture,
    ScreenTexture,  // drawScreenTexture
};

// One recorded call. Only the fields that matter for the kind are set; the others keep defaults.
struct RenderRecord {
    RecordKind kind = RecordKind::Face;
    // Face: material index as the face gave it; whether the library had it; primitive (3 corners
    // are triangles, anything else a polygon); where the vertices are (see vertices()).
    int material = 0;
    bool materialFound = false;
    bool triangles = false;
    int vertexSet = 0;
    int firstVertex = 0;
    int vertexCount = 0;
    // Face: colour used (material colour, or the face's own). Point: (1, 0, 0).
    float r = 0, g = 0, b = 0;
    // Device alpha at the time of the call (Alpha: the new value; ScreenTexture: the opacity).
    float alpha = 1.0f;
    // Face drawn by endFrame's translucent pass.
    bool translucentPass = false;
    // Face, MeshDeferred: the mesh being drawn (null for a face drawn on its own).
    const MeshBase* mesh = nullptr;
    // Point, Line (p0, p1), LookAt (eye p0, target p1), Camera (position p0), ClearColor (r, g, b
    // in p0).
    Vector3 p0{0, 0, 0};
    Vector3 p1{0, 0, 0};
    // Camera: the camera's quaternion.
    Quaternion orientation{0, 0, 0, 1};
    // Camera, LookAt: the device's field of view afterwards.
    float fieldOfView = 0;
    // Textures: name, rectangle, hasAlpha (low byte), pixel pointer as given.
    TextureName texture = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int hasAlpha = 0;
    const void* pixels = nullptr;
};

class RecordingRenderDevice : public RenderDevice {
public:
    RecordingRenderDevice();
    ~RecordingRenderDevice() override = default;

    // RenderDevice.
    void setMaterialLibrary(MaterialLibrary* library) override { library_ = library; }
    MaterialLibrary* getMaterialLibrary() override { return library_; }
    void drawFace(Face& face, int vertexSet) override;
    void drawPoint(const Vector3& point) override;
    void drawMesh(MeshBase& mesh, int vertexSet) override;
    void drawLine(const Vector3& a, const Vector3& b) override;
    void beginFrame() override;
    void endFrame() override;
    // Projection and view from the camera as the GL device builds them; culling on.
    void setCamera(Camera3D& camera, int width, int height) override;
    // Field of view 90; culling off.
    void setLookAt(const Vector3& eye, const Vector3& target, int width, int height) override;
    void setClearColor(float r, float g, float b) override;
    // The fixed answer when one is set; else 1 while culling is off, and 0 only when every point
    // lies behind one of the six frustum planes.
    int isVisible(const Vector3* points, int count) override;
    float getAlpha() override { return alpha_; }
    void setAlpha(float alpha) override;
    void clearDepthBuffer() override;
    void clearColorBuffer() override;
    void updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                       const void* pixels) override;
    void bindTexture(TextureName name) override;
    // Hands out names 1, 2, 3, ...
    void createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) override;
    void drawScreenTexture(int x, int y, int width, int height, TextureName name, float opacity) override;

    // Inspection.
    const std::vector<RenderRecord>& records() const { return records_; }
    // The vertices recorded for a Face record (x, y, z as read from the face).
    std::span<const Vector3> vertices(const RenderRecord& record) const;
    // Number of records of a kind.
    int count(RecordKind kind) const;
    // Face records since the last clear().
    int facesDrawn() const { return count(RecordKind::Face); }
    // Faces not drawn since the last clear() (no library, or material -1).
    int facesSkipped() const { return facesSkipped_; }
    // isVisible calls since the last clear().
    int visibilityQueries() const { return visibilityQueries_; }
    // Translucent meshes waiting for endFrame.
    int translucentCount() const { return static_cast<int>(translucentQueue_.size()); }
    bool cullingEnabled() const { return cullingEnabled_; }
    // Blending as the GL device would have it: on while the alpha is not 1.
    bool blendingEnabled() const { return blending_; }
    float fieldOfView() const { return fieldOfView_; }
    // Right, left, bottom, top, far, near.
    const Plane* frustumPlanes() const { return planes_; }
    // Forgets the records and counters; keeps library, alpha, camera, queue and capacity.
    void clear();

    // Control.
    // A fixed isVisible answer (0 or 1); std::nullopt goes back to the frustum test.
    void setVisibleAnswer(std::optional<int> answer) { visibleAnswer_ = answer; }
    // Sets the frustum from a camera pose directly and turns culling on.
    void setFrustum(const Vector3& position, const Quaternion& orientation, float fieldOfViewDegrees);

    // The six frustum planes (right, left, bottom, top, far, near; normalised) of the GL device's
    // set-up for a camera at position with that orientation and horizontal field of view.
    static void computeFrustumPlanes(const Vector3& position, const Quaternion& orientation,
                                     float fieldOfViewDegrees, Plane planes[6]);

private:
    void drawFaceImpl(Face& face, int vertexSet, const MeshBase* mesh, bool translucentPass);
    void push(const RenderRecord& record) { records_.push_back(record); }

    MaterialLibrary* library_ = nullptr;
    float fieldOfView_ = 45.0f;
    float alpha_ = 1.0f;
    bool blending_ = false;
    std::vector<MeshBase*> translucentQueue_;
    Plane planes_[6];
    bool cullingEnabled_ = false;
    std::optional<int> visibleAnswer_;
    TextureName nextTexture_ = 1;
    // (library, material id) pairs already reported missing.
    std::vector<std::pair<const MaterialLibrary*, int>> reportedMissing_;

    std::vector<RenderRecord> records_;
    std::vector<Vector3> vertices_;
    int facesSkipped_ = 0;
    int visibilityQueries_ = 0;
};
