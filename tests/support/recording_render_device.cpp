// The recording backend of the render device.
#include "support/recording_render_device.h"

#include <algorithm>

RenderRecord& RecordingRenderDevice::push(RecordKind kind) {
    records_.emplace_back();
    records_.back().kind = kind;
    records_.back().alpha = getAlpha();
    return records_.back();
}

void RecordingRenderDevice::clearBuffers(bool colour, bool depth) {
    RenderRecord& r = push(RecordKind::Clear);
    r.colour = colour;
    r.depth = depth;
}

void RecordingRenderDevice::loadClearColour(float red, float green, float blue) {
    RenderRecord& r = push(RecordKind::ClearColor);
    r.r = red;
    r.g = green;
    r.b = blue;
}

void RecordingRenderDevice::loadMatrices(const Matrix4& projection, const Matrix4& modelview) {
    // setCamera turns culling on before it loads its matrices, setLookAt turns it off.
    RenderRecord& r = push(isCullingEnabled() ? RecordKind::Camera : RecordKind::LookAt);
    r.projection = projection;
    r.view = modelview;
    r.fieldOfView = getFieldOfView();
}

void RecordingRenderDevice::enableBlending(bool on) { push(RecordKind::Blend).on = on; }

void RecordingRenderDevice::drawPrimitive(const Primitive& p) {
    const RecordKind kind = p.face                             ? RecordKind::Face
                            : p.kind == PrimitiveKind::Points ? RecordKind::Point
                                                              : RecordKind::Line;
    RenderRecord& r = push(kind);
    r.r = p.r;
    r.g = p.g;
    r.b = p.b;
    r.alpha = p.a;
    if (p.face) {
        r.material = p.face->material;
        r.materialFound = p.face->materialFound;
        r.mesh = p.face->mesh;
        r.vertexSet = p.face->vertexSet;
        r.translucentPass = p.face->translucentPass;
        r.triangles = p.kind == PrimitiveKind::Triangles;
        r.firstVertex = static_cast<int>(vertices_.size());
        r.vertexCount = p.vertexCount;
        vertices_.insert(vertices_.end(), p.vertices, p.vertices + p.vertexCount);
    } else {
        if (p.vertexCount > 0) r.p0 = p.vertices[0];
        if (p.vertexCount > 1) r.p1 = p.vertices[1];
    }
}

void RecordingRenderDevice::flush() { push(RecordKind::EndFrame); }

TextureName RecordingRenderDevice::newTexture(int width, int height, const void* pixels, bool hasAlpha) {
    RenderRecord& r = push(RecordKind::CreateTexture);
    r.texture = nextTexture_++;
    r.width = width;
    r.height = height;
    r.hasAlpha = hasAlpha;
    r.pixels = pixels;
    return r.texture;
}

void RecordingRenderDevice::loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                                       const void* pixels) {
    RenderRecord& r = push(RecordKind::UpdateTexture);
    r.texture = name;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    r.hasAlpha = hasAlpha;
    r.pixels = pixels;
}

void RecordingRenderDevice::selectTexture(TextureName name) { push(RecordKind::BindTexture).texture = name; }

void RecordingRenderDevice::drawPicture(TextureName name, float opacity, float) {
    RenderRecord& r = push(RecordKind::ScreenTexture);
    r.texture = name;
    r.alpha = opacity;
}

std::span<const Vector3> RecordingRenderDevice::vertices(const RenderRecord& record) const {
    if (record.vertexCount <= 0 || record.firstVertex < 0 ||
        static_cast<size_t>(record.firstVertex) + static_cast<size_t>(record.vertexCount) > vertices_.size())
        return {};
    return std::span<const Vector3>(vertices_.data() + record.firstVertex, static_cast<size_t>(record.vertexCount));
}

int RecordingRenderDevice::count(RecordKind kind) const {
    return static_cast<int>(std::count_if(records_.begin(), records_.end(),
                                          [kind](const RenderRecord& r) { return r.kind == kind; }));
}

void RecordingRenderDevice::clear() {
    records_.clear();
    vertices_.clear();
}
