// The OpenGL 1.1 render device: immediate-mode drawing, the translucent pass, cameras, culling
// and screen textures.
#include "platform/gl_render_device.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "math/matrix4.h"
#include "mesh/face.h"
#include "mesh/mesh_base.h"
#include "platform/message_box.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

double verticalFieldOfView(float fovDegrees) {
    return 2.0 * std::atan(std::tan(fovDegrees * 3.1415927 * 0.005555555555555556 * 0.5) * 0.5624999958090484) *
           180.0 * 0.31830987;
}

double lookAtVerticalFieldOfView() {
    return 2.0 * std::atan(std::tan(0.7853981852531433) * 0.5624999958090484) * 180.0 * 0.31830987;
}

GLRenderDevice::GLRenderDevice() {
    translucentQueue_.reserve(kTranslucentQueueCapacity);
    for (Plane& p : frustumPlanes_) p = Plane(0, 0, 0, 0);
}

GLRenderDevice::~GLRenderDevice() = default;

void GLRenderDevice::drawFace(Face& face, int vertexSet) {
    if (!materialLibrary_) return;
    const int material = face.getMaterial();
    if (material == -1) return;

    float r, g, b;
    int status = 0;
    if (Material* m = materialLibrary_->find(material, &status)) {
        const ColorRGB c = m->getColour();
        r = c.x;
        g = c.y;
        b = c.z;
    } else {
        // One report per missing material, not one per face and frame: the show goes on.
        if (reportedMissing_.insert({materialLibrary_, material}).second)
            messageBox("", "ERROR: Material null in draw face", MessageBoxStyle::Ok);
        face.getColour(r, g, b);
    }

    const int count = face.getPointCount();
    glBegin(count == 3 ? GL_TRIANGLES : GL_POLYGON);
    glColor4f(r, g, b, alpha_);
    for (int i = 0; i < count; ++i) {
        if (const Vector3* v = face.getPoint(i, vertexSet)) glVertex3f(v->x, v->y, v->z);
    }
    glEnd();
}

void GLRenderDevice::drawPoint(const Vector3& point) {
    glBegin(GL_POINTS);
    glColor4f(1.0f, 0.0f, 0.0f, alpha_);
    glVertex3f(point.x, point.y, point.z);
    glEnd();
}

void GLRenderDevice::drawMesh(MeshBase& mesh, int vertexSet) {
    if (mesh.getParam() != 1.0f) {
        // Deferred to endFrame; the queue grows beyond its initial capacity rather than drop
        // or overrun when a frame has more translucent meshes.
        translucentQueue_.push_back(&mesh);
        return;
    }
    const int faces = mesh.getFaceCount();
    for (int i = 0; i < faces; ++i) {
        if (Face* face = mesh.getFace(i)) drawFace(*face, vertexSet);
    }
}

void GLRenderDevice::drawLine(const Vector3& a, const Vector3& b) {
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
}

void GLRenderDevice::beginFrame() {
    setAlpha(1.0f);
    translucentQueue_.clear();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GLRenderDevice::endFrame() {
    for (MeshBase* mesh : translucentQueue_) {
        setAlpha(mesh->getParam());
        const int faces = mesh->getFaceCount();
        for (int i = 0; i < faces; ++i) {
            if (Face* face = mesh->getFace(i)) drawFace(*face, kDrawTransformed);
        }
    }
    // Drawn once: a second clip ending its frame must not draw these meshes again with its own
    // camera and materials.
    translucentQueue_.clear();
    glFlush();
}

void GLRenderDevice::setCamera(Camera3D& camera, int, int) {
    cullingEnabled_ = true;
    const float f = camera.getFieldOfView();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(verticalFieldOfView(f), kPictureAspect, kNearPlane, kFarPlane);
    fieldOfView_ = f;

    // View matrix: the inverse rotation of the camera with X reversed and Y and Z exchanged,
    // then the translation that brings the camera's position to the origin.
    Matrix4 view;
    view.setIdentity();
    view.setRotationQuaternion(camera.getQuaternion());
    view.transposeRotation();
    const Plane c0 = view.getColumn4(0);
    const Plane c1 = view.getColumn4(1);
    const Plane c2 = view.getColumn4(2);
    view.setColumn4(0, Plane(-c0.a, -c0.b, -c0.c, -c0.d));
    view.setColumn4(1, c2);
    view.setColumn4(2, c1);
    const Vector3 p = camera.getPosition();
    const Vector3 r0(view.m[0], view.m[4], view.m[8]);
    const Vector3 r1(view.m[1], view.m[5], view.m[9]);
    const Vector3 r2(view.m[2], view.m[6], view.m[10]);
    view.setTranslation(Vector3(-p.dot(r0), -p.dot(r1), -p.dot(r2)));

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixf(view.m);

    // Frustum planes from the product of the modelview and projection matrices.
    float proj[16], model[16], clip[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += model[4 * r + k] * proj[4 * k + c];
            clip[4 * r + c] = s;
        }
    auto plane = [&](int j, float sign) {
        Plane pl(clip[3] + sign * clip[j], clip[7] + sign * clip[4 + j], clip[11] + sign * clip[8 + j],
                 clip[15] + sign * clip[12 + j]);
        pl.normalize();
        return pl;
    };
    frustumPlanes_[kPlaneRight] = plane(0, -1.0f);
    frustumPlanes_[kPlaneLeft] = plane(0, 1.0f);
    frustumPlanes_[kPlaneBottom] = plane(1, 1.0f);
    frustumPlanes_[kPlaneTop] = plane(1, -1.0f);
    frustumPlanes_[kPlaneFar] = plane(2, -1.0f);
    frustumPlanes_[kPlaneNear] = plane(2, 1.0f);
}

void GLRenderDevice::setLookAt(const Vector3& eye, const Vector3& target, int, int) {
    cullingEnabled_ = false;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(lookAtVerticalFieldOfView(), kPictureAspect, kNearPlane, kFarPlane);
    fieldOfView_ = 90.0f;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0, 1.0, 0.0);
}

void GLRenderDevice::setClearColor(float r, float g, float b) { glClearColor(r, g, b, 1.0f); }

int GLRenderDevice::isVisible(const Vector3* points, int count) {
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

void GLRenderDevice::setAlpha(float alpha) {
    if (alpha == alpha_ && !blendStale_) return;
    blendStale_ = false;
    if (alpha != 1.0f) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    alpha_ = alpha;
}

void GLRenderDevice::clearDepthBuffer() { glClear(GL_DEPTH_BUFFER_BIT); }

void GLRenderDevice::clearColorBuffer() { glClear(GL_COLOR_BUFFER_BIT); }

void GLRenderDevice::applyTextureState() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void GLRenderDevice::bindTexture(TextureName name) {
    glBindTexture(GL_TEXTURE_2D, name);
    applyTextureState();
}

void GLRenderDevice::createTexture(int width, int height, const void* pixels, TextureName* name, int hasAlpha) {
    glEnable(GL_TEXTURE_2D);
    GLuint id = 0;
    glGenTextures(1, &id);
    if (name) *name = id;
    bindTexture(id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, (hasAlpha & 0xFF) ? GL_RGBA : GL_RGB,
                 GL_UNSIGNED_BYTE, pixels);
    glDisable(GL_TEXTURE_2D);
}

void GLRenderDevice::updateTexture(int x, int y, int width, int height, TextureName name, int hasAlpha,
                                   const void* pixels) {
    glEnable(GL_TEXTURE_2D);
    bindTexture(name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, (hasAlpha & 0xFF) ? GL_RGBA : GL_RGB,
                    GL_UNSIGNED_BYTE, pixels);
    glDisable(GL_TEXTURE_2D);
}

void GLRenderDevice::drawScreenTexture(int, int, int, int, TextureName name, float opacity) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    bindTexture(name);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float viewport[4];
    glGetFloatv(GL_VIEWPORT, viewport);
    const float w = viewport[2], h = viewport[3];
    glOrtho(0.0, w, 0.0, h, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Both texture axes run against the screen's: row 0 at the top, column 0 at the right.
    glColor4f(1.0f, 1.0f, 1.0f, opacity);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(w, 0.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(0.0f, h, 0.0f);
    glEnd();

    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, alpha_);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    // Faces drawn next (opaque meshes of a later track) are drawn without blending. A device
    // alpha below 1 no longer matches the GL state: the next setAlpha applies it even when its
    // value is the same, so a later translucent mesh at that alpha still blends.
    blendStale_ = alpha_ != 1.0f;
}

RenderDevice* createRenderDevice(int kind) { return kind == 0 ? new GLRenderDevice() : nullptr; }
