// RecordingRenderDevice: records the drawing calls for tests, with the GL device's rules.
#include "platform/recording_render_device.h"

#include <algorithm>
#include <cmath>

#include "math/matrix4.h"
#include "mesh/face.h"
#include "mesh/mesh_base.h"
#include "platform/gl_render_device.h"
#include "platform/message_box.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

RecordingRenderDevice::RecordingRenderDevice() {
    for (Plane& p : planes_) p.set(0, 0, 0, 0);
}

void RecordingRenderDevice::drawFace(Face& face, int vertexSet) { drawFaceImpl(face, vertexSet, nullptr, false); }

void RecordingRenderDevice::drawFaceImpl(Face& face, int vertexSet, const MeshBase* mesh, bool translucentPass) {
    const int material = face.getMaterial();
    if (!library_ || material == -1) {
        ++facesSkipped_;
        return;
    }
    RenderRecord r;
    r.kind = RecordKind::Face;
    r.material = material;
    r.vertexSet = vertexSet;
    r.alpha = alpha_;
    r.translucentPass = translucentPass;
    r.mesh = mesh;
    const int n = face.getPointCount();
    r.triangles = n == 3;
    int status = 0;
    if (Material* m = library_->find(material, &status)) {
        const ColorRGB c = m->getColour();
        r.r = c.x;
        r.g = c.y;
        r.b = c.z;
        r.materialFound = true;
    } else {
        const std::pair<const MaterialLibrary*, int> key(library_, material);
        if (std::find(reportedMissing_.begin(), reportedMissing_.end(), key) == reportedMissing_.end()) {
            reportedMissing_.push_back(key);
            messageBox("", "ERROR: Material null in draw face", MessageBoxStyle::Ok);
        }
        face.getColour(r.r, r.g, r.b);
    }
    r.firstVertex = static_cast<int>(vertices_.size());
    for (int i = 0; i < n; ++i) {
        // A corner that cannot be read is left out, as a GL vertex could not be issued for it.
        if (const Vector3* v = face.getPoint(i, vertexSet)) vertices_.push_back(*v);
    }
    r.vertexCount = static_cast<int>(vertices_.size()) - r.firstVertex;
    push(r);
}

void RecordingRenderDevice::drawPoint(const Vector3& point) {
    RenderRecord r;
    r.kind = RecordKind::Point;
    r.p0 = point;
    r.r = 1;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::drawMesh(MeshBase& mesh, int vertexSet) {
    if (mesh.getParam() != 1.0f) {
        translucentQueue_.push_back(&mesh);
        RenderRecord r;
        r.kind = RecordKind::MeshDeferred;
        r.mesh = &mesh;
        r.vertexSet = vertexSet;
        r.alpha = alpha_;
        push(r);
        return;
    }
    const int faces = mesh.getFaceCount();
    for (int i = 0; i < faces; ++i) {
        if (Face* f = mesh.getFace(i)) drawFaceImpl(*f, vertexSet, &mesh, false);
    }
}

void RecordingRenderDevice::drawLine(const Vector3& a, const Vector3& b) {
    RenderRecord r;
    r.kind = RecordKind::Line;
    r.p0 = a;
    r.p1 = b;
    r.r = 1;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::beginFrame() {
    setAlpha(1.0f);
    translucentQueue_.clear();
    RenderRecord r;
    r.kind = RecordKind::BeginFrame;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::endFrame() {
    for (MeshBase* mesh : translucentQueue_) {
        setAlpha(mesh->getParam());
        const int faces = mesh->getFaceCount();
        for (int i = 0; i < faces; ++i) {
            if (Face* f = mesh->getFace(i)) drawFaceImpl(*f, kDrawTransformed, mesh, true);
        }
    }
    translucentQueue_.clear();
    RenderRecord r;
    r.kind = RecordKind::EndFrame;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::computeFrustumPlanes(const Vector3& position, const Quaternion& orientation,
                                                 float fieldOfViewDegrees, Plane planes[6]) {
    // Projection as gluPerspective builds it, in OpenGL's memory order.
    const double fovy = verticalFieldOfView(fieldOfViewDegrees) * 3.14159265358979323846 / 180.0;
    const double f = 1.0 / std::tan(fovy / 2.0);
    float p[16] = {};
    p[0] = static_cast<float>(f / kPictureAspect);
    p[5] = static_cast<float>(f);
    p[10] = static_cast<float>((kFarPlane + kNearPlane) / (kNearPlane - kFarPlane));
    p[11] = -1.0f;
    p[14] = static_cast<float>(2.0 * kFarPlane * kNearPlane / (kNearPlane - kFarPlane));

    // View: the transposed rotation with X reversed and Y and Z exchanged, then the translation.
    Matrix4 v = Matrix4::identity();
    v.setRotationQuaternion(orientation);
    v.transposeRotation();
    const Plane c0 = v.getColumn4(0);
    const Plane c1 = v.getColumn4(1);
    const Plane c2 = v.getColumn4(2);
    v.setColumn4(0, Plane(-c0.a, -c0.b, -c0.c, -c0.d));
    v.setColumn4(1, c2);
    v.setColumn4(2, c1);
    const Vector3 r0(v.m[0], v.m[4], v.m[8]);
    const Vector3 r1(v.m[1], v.m[5], v.m[9]);
    const Vector3 r2(v.m[2], v.m[6], v.m[10]);
    v.setTranslation(Vector3(-position.dot(r0), -position.dot(r1), -position.dot(r2)));
    const float* m = v.m;

    float clip[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += m[4 * r + k] * p[4 * k + c];
            clip[4 * r + c] = s;
        }
    // Right, left, bottom, top, far, near: column 3 minus or plus column j.
    const int column[6] = {0, 0, 1, 1, 2, 2};
    const float sign[6] = {-1, 1, 1, -1, -1, 1};
    for (int i = 0; i < 6; ++i) {
        const int j = column[i];
        const float s = sign[i];
        Plane pl(clip[3] + s * clip[j], clip[7] + s * clip[4 + j], clip[11] + s * clip[8 + j],
                 clip[15] + s * clip[12 + j]);
        const float len = std::sqrt(pl.a * pl.a + pl.b * pl.b + pl.c * pl.c);
        if (len != 0.0f) {
            const float inv = 1.0f / len;
            pl.set(pl.a * inv, pl.b * inv, pl.c * inv, pl.d * inv);
        }
        planes[i] = pl;
    }
}

void RecordingRenderDevice::setFrustum(const Vector3& position, const Quaternion& orientation,
                                       float fieldOfViewDegrees) {
    computeFrustumPlanes(position, orientation, fieldOfViewDegrees, planes_);
    fieldOfView_ = fieldOfViewDegrees;
    cullingEnabled_ = true;
}

void RecordingRenderDevice::setCamera(Camera3D& camera, int width, int height) {
    setFrustum(camera.getPosition(), camera.getQuaternion(), camera.getFieldOfView());
    RenderRecord r;
    r.kind = RecordKind::Camera;
    r.p0 = camera.getPosition();
    r.orientation = camera.getQuaternion();
    r.fieldOfView = fieldOfView_;
    r.width = width;
    r.height = height;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::setLookAt(const Vector3& eye, const Vector3& target, int width, int height) {
    cullingEnabled_ = false;
    fieldOfView_ = 90.0f;
    RenderRecord r;
    r.kind = RecordKind::LookAt;
    r.p0 = eye;
    r.p1 = target;
    r.fieldOfView = fieldOfView_;
    r.width = width;
    r.height = height;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::setClearColor(float r, float g, float b) {
    RenderRecord rec;
    rec.kind = RecordKind::ClearColor;
    rec.p0 = Vector3(r, g, b);
    rec.r = r;
    rec.g = g;
    rec.b = b;
    rec.alpha = alpha_;
    push(rec);
}

int RecordingRenderDevice::isVisible(const Vector3* points, int count) {
    ++visibilityQueries_;
    if (visibleAnswer_) return *visibleAnswer_;
    if (!cullingEnabled_) return 1;
    // Every one of no points lies behind any plane: an empty set is culled.
    if (!points || count <= 0) return 0;
    for (const Plane& plane : planes_) {
        int behind = 0;
        for (int i = 0; i < count; ++i) behind += points[i].classifyAgainst(plane) == 1 ? 1 : 0;
        if (behind == count) return 0;
    }
    return 1;
}

void RecordingRenderDevice::setAlpha(float alpha) {
    if (alpha == alpha_) return;
    blending_ = alpha != 1.0f;
    alpha_ = alpha;
    RenderRecord r;
    r.kind = RecordKind::Alpha;
    r.alpha = alpha;
    push(r);
}

void RecordingRenderDevice::clearDepthBuffer() {
    RenderRecord r;
    r.kind = RecordKind::ClearDepth;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::clearColorBuffer() {
    RenderRecord r;
    r.kind = RecordKind::ClearColorBuffer;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                                          const void* pixels) {
    RenderRecord r;
    r.kind = RecordKind::UpdateTexture;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    r.texture = name;
    r.hasAlpha = hasAlpha & 0xFF;
    r.pixels = pixels;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::bindTexture(TextureName name) {
    RenderRecord r;
    r.kind = RecordKind::BindTexture;
    r.texture = name;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::createTexture(int width, int height, const void* pixels, TextureName* name,
                                          int hasAlpha) {
    const TextureName created = nextTexture_++;
    if (name) *name = created;
    RenderRecord r;
    r.kind = RecordKind::CreateTexture;
    r.width = width;
    r.height = height;
    r.texture = created;
    r.hasAlpha = hasAlpha & 0xFF;
    r.pixels = pixels;
    r.alpha = alpha_;
    push(r);
}

void RecordingRenderDevice::drawScreenTexture(int x, int y, int width, int height, TextureName name,
                                              float opacity) {
    RenderRecord r;
    r.kind = RecordKind::ScreenTexture;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    r.texture = name;
    r.alpha = opacity;
    push(r);
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
    facesSkipped_ = 0;
    visibilityQueries_ = 0;
}
