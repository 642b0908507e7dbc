// RecordingRenderDevice: the render device's recording backend. It needs no GL context: it runs
// every rule of RenderDeviceCore and writes down each primitive call the core makes, in a list
// that tests inspect.
#pragma once

#include <span>
#include <vector>

#include "platform/device/render_device_core.h"

enum class RecordKind {
    Face,           // one polygon drawn (also during the translucent pass of endFrame)
    Point,          // drawPoint
    Line,           // drawLine
    Clear,          // colour and/or depth cleared (beginFrame clears both)
    ClearColor,     // setClearColor
    Camera,         // matrices loaded by setCamera
    LookAt,         // matrices loaded by setLookAt
    Blend,          // blending switched on or off (an alpha change)
    EndFrame,       // the flush that ends endFrame
    CreateTexture,
    UpdateTexture,
    BindTexture,
    ScreenTexture,  // drawScreenTexture
};

// One recorded call. Only the fields that matter for the kind are set; the others keep defaults.
struct RenderRecord {
    RecordKind kind = RecordKind::Face;
    // Face: the material index as the face gave it; whether the library had it; the mesh being
    // drawn (null for a face drawn on its own); the vertex set; drawn by the translucent pass.
    int material = 0;
    bool materialFound = false;
    const MeshBase* mesh = nullptr;
    int vertexSet = 0;
    bool translucentPass = false;
    // Face: 3 corners are triangles, anything else a polygon; where the vertices are (see
    // vertices()).
    bool triangles = false;
    int firstVertex = 0;
    int vertexCount = 0;
    // Face, Point, Line: the colour; ClearColor: the clear colour.
    float r = 0, g = 0, b = 0;
    // The primitive's alpha, else the device alpha at the time of the call (ScreenTexture: the
    // opacity).
    float alpha = 1.0f;
    // Point (p0), Line (p0, p1).
    Vector3 p0{0, 0, 0};
    Vector3 p1{0, 0, 0};
    // Clear: which buffers. Blend: on or off.
    bool colour = false, depth = false, on = false;
    // Camera, LookAt: the matrices loaded, and the device's field of view afterwards.
    Matrix4 projection = Matrix4::identity();
    Matrix4 view = Matrix4::identity();
    float fieldOfView = 0;
    // Textures: name, rectangle, hasAlpha, pixel pointer as given.
    TextureName texture = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool hasAlpha = false;
    const void* pixels = nullptr;
};

class RecordingRenderDevice final : public RenderDeviceCore {
public:
    RecordingRenderDevice() = default;

    const std::vector<RenderRecord>& records() const { return records_; }
    // The vertices recorded for a Face record (x, y, z as read from the face).
    std::span<const Vector3> vertices(const RenderRecord& record) const;
    // Number of records of a kind.
    int count(RecordKind kind) const;
    // Face records since the last clear().
    int facesDrawn() const { return count(RecordKind::Face); }
    // Forgets the records; keeps the device state.
    void clear();

protected:
    void clearBuffers(bool colour, bool depth) override;
    void loadClearColour(float r, float g, float b) override;
    void loadMatrices(const Matrix4& projection, const Matrix4& modelview) override;
    void enableBlending(bool on) override;
    void drawPrimitive(const Primitive& primitive) override;
    void flush() override;
    // Hands out names 1, 2, 3, ...
    TextureName newTexture(int width, int height, const void* pixels, bool hasAlpha) override;
    void loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                    const void* pixels) override;
    void selectTexture(TextureName name) override;
    void drawPicture(TextureName name, float opacity, float deviceAlpha) override;

private:
    RenderRecord& push(RecordKind kind);

    TextureName nextTexture_ = 1;
    std::vector<RenderRecord> records_;
    std::vector<Vector3> vertices_;
};
