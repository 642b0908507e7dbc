// The render device's rules, shared by every backend.
#include "platform/device/render_device_core.h"

#include <cmath>

#include "data/message_box.h"
#include "mesh/face.h"
#include "mesh/mesh_base.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

// Scales v to unit length unless it is 0, in float with a double square root.
void normalizeDirection(float v[3]) {
    const float r = static_cast<float>(std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float a[3], const float b[3], float result[3]) {
    result[0] = a[1] * b[2] - a[2] * b[1];
    result[1] = a[2] * b[0] - a[0] * b[2];
    result[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

double verticalFieldOfView(float fovDegrees) {
    return 2.0 * std::atan(std::tan(fovDegrees * 3.1415927 * 0.005555555555555556 * 0.5) * 0.5624999958090484) *
           180.0 * 0.31830987;
}

double lookAtVerticalFieldOfView() {
    return 2.0 * std::atan(std::tan(0.7853981852531433) * 0.5624999958090484) * 180.0 * 0.31830987;
}

Matrix4 perspectiveMatrix(double fovyDegrees) {
    // In double, rounded to float once, in the GL utility library's order of operations.
    Matrix4 m = Matrix4::identity();
    const double radians = fovyDegrees / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = kFarPlane - kNearPlane;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || kPictureAspect == 0) return m;
    const double cotangent = std::cos(radians) / sine;
    m.m[0] = static_cast<float>(cotangent / kPictureAspect);
    m.m[5] = static_cast<float>(cotangent);
    m.m[10] = static_cast<float>(-(kFarPlane + kNearPlane) / deltaZ);
    m.m[11] = -1.0f;
    m.m[14] = static_cast<float>(-2 * kNearPlane * kFarPlane / deltaZ);
    m.m[15] = 0.0f;
    return m;
}

Matrix4 lookAtMatrix(const Vector3& eye, const Vector3& target) {
    // The axes in float from double differences; then the translation to -eye applied to the
    // rotation as OpenGL applies a translation to its current matrix.
    float forward[3] = {static_cast<float>(static_cast<double>(target.x) - eye.x),
                        static_cast<float>(static_cast<double>(target.y) - eye.y),
                        static_cast<float>(static_cast<double>(target.z) - eye.z)};
    float up[3] = {0.0f, 1.0f, 0.0f};
    float side[3];
    normalizeDirection(forward);
    cross(forward, up, side);
    normalizeDirection(side);
    cross(side, forward, up);

    Matrix4 m = Matrix4::identity();
    for (int i = 0; i < 3; ++i) {
        m.m[4 * i] = side[i];
        m.m[4 * i + 1] = up[i];
        m.m[4 * i + 2] = -forward[i];
    }
    const float x = -eye.x, y = -eye.y, z = -eye.z;
    for (int c = 0; c < 4; ++c) m.m[12 + c] = m.m[c] * x + m.m[4 + c] * y + m.m[8 + c] * z + m.m[12 + c];
    return m;
}

Matrix4 cameraViewMatrix(const Vector3& position, const Quaternion& orientation) {
    Matrix4 view = Matrix4::identity();
    view.setRotationQuaternion(orientation);
    view.transposeRotation();
    const Plane c0 = view.getColumn4(0);
    const Plane c1 = view.getColumn4(1);
    const Plane c2 = view.getColumn4(2);
    view.setColumn4(0, Plane(-c0.a, -c0.b, -c0.c, -c0.d));
    view.setColumn4(1, c2);
    view.setColumn4(2, c1);
    const Vector3 r0(view.m[0], view.m[4], view.m[8]);
    const Vector3 r1(view.m[1], view.m[5], view.m[9]);
    const Vector3 r2(view.m[2], view.m[6], view.m[10]);
    view.setTranslation(Vector3(-position.dot(r0), -position.dot(r1), -position.dot(r2)));
    return view;
}

void frustumPlanes(const Matrix4& projection, const Matrix4& view, Plane planes[kFrustumPlaneCount]) {
    // The planes of the product of the view and projection matrices.
    float clip[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += view.m[4 * r + k] * projection.m[4 * k + c];
            clip[4 * r + c] = s;
        }
    auto plane = [&](int j, float sign) {
        Plane pl(clip[3] + sign * clip[j], clip[7] + sign * clip[4 + j], clip[11] + sign * clip[8 + j],
                 clip[15] + sign * clip[12 + j]);
        pl.normalize();
        return pl;
    };
    planes[kPlaneRight] = plane(0, -1.0f);
    planes[kPlaneLeft] = plane(0, 1.0f);
    planes[kPlaneBottom] = plane(1, 1.0f);
    planes[kPlaneTop] = plane(1, -1.0f);
    planes[kPlaneFar] = plane(2, -1.0f);
    planes[kPlaneNear] = plane(2, 1.0f);
}

RenderDeviceCore::RenderDeviceCore() {
    translucentQueue_.reserve(kTranslucentQueueCapacity);
    for (Plane& p : frustumPlanes_) p = Plane(0, 0, 0, 0);
}

RenderDeviceCore::~RenderDeviceCore() = default;

void RenderDeviceCore::drawFace(Face& face, int vertexSet) { drawFaceFrom(face, vertexSet, nullptr, false); }

void RenderDeviceCore::drawFaceFrom(Face& face, int vertexSet, const MeshBase* mesh, bool translucentPass) {
    if (!materialLibrary_) return;
    FaceOrigin origin;
    origin.material = face.getMaterial();
    if (origin.material == -1) return;
    origin.mesh = mesh;
    origin.vertexSet = vertexSet;
    origin.translucentPass = translucentPass;

    Primitive primitive;
    int status = 0;
    if (Material* m = materialLibrary_->find(origin.material, &status)) {
        const ColorRGB c = m->getColour();
        primitive.r = c.x;
        primitive.g = c.y;
        primitive.b = c.z;
        origin.materialFound = true;
    } else {
        // One report per missing material, not one per face and frame: the show goes on.
        if (reportedMissing_.insert({materialLibrary_, origin.material}).second)
            messageBox("", "ERROR: Material null in draw face", MessageBoxStyle::Ok);
        face.getColour(primitive.r, primitive.g, primitive.b);
    }
    primitive.a = alpha_;

    const int count = face.getPointCount();
    primitive.kind = count == 3 ? PrimitiveKind::Triangles : PrimitiveKind::Polygon;
    // A corner that cannot be read is left out.
    corners_.clear();
    for (int i = 0; i < count; ++i) {
        if (const Vector3* v = face.getPoint(i, vertexSet)) corners_.push_back(*v);
    }
    primitive.vertices = corners_.data();
    primitive.vertexCount = static_cast<int>(corners_.size());
    primitive.face = &origin;
    drawPrimitive(primitive);
}

void RenderDeviceCore::drawPoint(const Vector3& point) {
    Primitive primitive;
    primitive.kind = PrimitiveKind::Points;
    primitive.r = 1.0f;
    primitive.a = alpha_;
    primitive.vertices = &point;
    primitive.vertexCount = 1;
    drawPrimitive(primitive);
}

void RenderDeviceCore::drawLine(const Vector3& a, const Vector3& b) {
    const Vector3 ends[2] = {a, b};
    Primitive primitive;
    primitive.kind = PrimitiveKind::Lines;
    primitive.r = 1.0f;
    primitive.vertices = ends;
    primitive.vertexCount = 2;
    drawPrimitive(primitive);
}

void RenderDeviceCore::drawMeshFaces(MeshBase& mesh, int vertexSet, bool translucentPass) {
    const int faces = mesh.getFaceCount();
    for (int i = 0; i < faces; ++i) {
        if (Face* face = mesh.getFace(i)) drawFaceFrom(*face, vertexSet, &mesh, translucentPass);
    }
}

void RenderDeviceCore::drawMesh(MeshBase& mesh, int vertexSet) {
    if (mesh.getParam() != 1.0f) {
        // Deferred to endFrame; the queue grows beyond its initial capacity rather than drop
        // or overrun when a frame has more translucent meshes.
        translucentQueue_.push_back(&mesh);
        return;
    }
    drawMeshFaces(mesh, vertexSet, false);
}

void RenderDeviceCore::beginFrame() {
    setAlpha(1.0f);
    translucentQueue_.clear();
    clearBuffers(true, true);
}

void RenderDeviceCore::endFrame() {
    for (MeshBase* mesh : translucentQueue_) {
        setAlpha(mesh->getParam());
        drawMeshFaces(*mesh, kDrawTransformed, true);
    }
    // Drawn once: a second clip ending its frame must not draw these meshes again with its own
    // camera and materials.
    translucentQueue_.clear();
    flush();
}

void RenderDeviceCore::setCamera(Camera3D& camera, int, int) {
    cullingEnabled_ = true;
    const float f = camera.getFieldOfView();
    const Matrix4 projection = perspectiveMatrix(verticalFieldOfView(f));
    fieldOfView_ = f;
    const Matrix4 view = cameraViewMatrix(camera.getPosition(), camera.getQuaternion());
    loadMatrices(projection, view);
    frustumPlanes(projection, view, frustumPlanes_);
}

void RenderDeviceCore::setLookAt(const Vector3& eye, const Vector3& target, int, int) {
    cullingEnabled_ = false;
    const Matrix4 projection = perspectiveMatrix(lookAtVerticalFieldOfView());
    fieldOfView_ = 90.0f;
    loadMatrices(projection, lookAtMatrix(eye, target));
}

void RenderDeviceCore::copyViewState(const RenderDeviceCore& other) {
    materialLibrary_ = other.materialLibrary_;
    fieldOfView_ = other.fieldOfView_;
    cullingEnabled_ = other.cullingEnabled_;
    for (int i = 0; i < kFrustumPlaneCount; ++i) frustumPlanes_[i] = other.frustumPlanes_[i];
}

void RenderDeviceCore::setClearColor(float r, float g, float b) { loadClearColour(r, g, b); }

int RenderDeviceCore::isVisible(const Vector3* points, int count) {
    if (!cullingEnabled_) return 1;
    // Every one of no points lies behind any plane: an empty set is culled.
    if (!points || count <= 0) return 0;
    for (const Plane& plane : frustumPlanes_) {
        bool allBehind = true;
        for (int i = 0; i < count && allBehind; ++i) allBehind = points[i].classifyAgainst(plane) == 1;
        if (allBehind) return 0;
    }
    return 1;
}

void RenderDeviceCore::setAlpha(float alpha) {
    if (alpha == alpha_ && !blendStale_) return;
    blendStale_ = false;
    enableBlending(alpha != 1.0f);
    alpha_ = alpha;
}

void RenderDeviceCore::clearDepthBuffer() { clearBuffers(false, true); }

void RenderDeviceCore::clearColorBuffer() { clearBuffers(true, false); }

void RenderDeviceCore::bindTexture(TextureName name) { selectTexture(name); }

void RenderDeviceCore::createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) {
    const TextureName created = newTexture(width, height, pixels, (hasAlpha & 0xFF) != 0);
    if (name) *name = created;
}

void RenderDeviceCore::updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                                     const void* pixels) {
    loadTexels(name, x, y, width, height, (hasAlpha & 0xFF) != 0, pixels);
}

void RenderDeviceCore::drawScreenTexture(int, int, int, int, TextureName name, float opacity) {
    drawPicture(name, opacity, alpha_);
    // Faces drawn next (opaque meshes of a later track) are drawn without blending. A device
    // alpha below 1 no longer matches the backend's blending: the next setAlpha applies it even
    // when its value is the same, so a later translucent mesh at that alpha still blends.
    blendStale_ = alpha_ != 1.0f;
}
