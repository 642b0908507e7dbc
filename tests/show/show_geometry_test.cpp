// The show's geometry and orientation helpers: solids face outwards (the device culls back
// faces), body meshes start with their bounding corner, and camera orientations built for the
// stored quaternion convention look where they are aimed, the right way up and not mirrored.
#include <gtest/gtest.h>

#include <cmath>

#include "math/matrix4.h"
#include "platform/recording_render_device.h"
#include "tools/make_show/geometry.h"
#include "tools/make_show/orientation.h"

namespace {

float planeValue(const Plane& p, const Vector3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

// Every face of a closed solid points away from a point inside it.
void expectOutward(const MeshData& m, const Vector3& inside, const char* what) {
    for (size_t i = 0; i < m.faces.size(); ++i) {
        Vector3 out = m.faceCentre(static_cast<int>(i)) - inside;
        EXPECT_GT(m.faceNormal(static_cast<int>(i)).dot(out), 0.0f) << what << " face " << i;
    }
}

}  // namespace

TEST(ShowGeometry, SolidsFaceOutwardsAndBodiesStartWithTheirCorner) {
    MeshData box = makeBox(1.0f, 2.0f, 3.0f);
    expectOutward(box, Vector3(0, 0, 0), "box");
    EXPECT_FLOAT_EQ(box.points[0].x, -1.0f);
    EXPECT_FLOAT_EQ(box.points[0].y, -2.0f);
    EXPECT_FLOAT_EQ(box.points[0].z, -3.0f);
    expectOutward(makePillar(8, 0.5f, 3.0f, 0.7f), Vector3(0, 1.5f, 0), "pillar");
    expectOutward(makeGem(0.5f, 0.8f), Vector3(0, 0, 0), "gem");
    expectOutward(makeIcosphere(1.0f, 2), Vector3(0, 0, 0), "sphere");
    expectOutward(makePrism(8, 0.2f, 0.0f, 0.3f), Vector3(0, 0.15f, 0), "prism");
    MeshData bottle = makeBottle(10, 0.16f, 0.46f, 0.16f);
    EXPECT_FLOAT_EQ(bottle.points[0].y, -0.46f);
    for (size_t i = 0; i < bottle.faces.size(); ++i) {
        // Walls face away from the axis, the caps up and down.
        Vector3 c = bottle.faceCentre(static_cast<int>(i));
        Vector3 n = bottle.faceNormal(static_cast<int>(i));
        Vector3 out = std::fabs(c.y) > 0.459f ? Vector3(0, c.y, 0) : Vector3(c.x, 0, c.z);
        EXPECT_GT(n.dot(out), 0.0f) << "bottle face " << i;
    }
    EXPECT_EQ(makeIcosphere(1.0f, 2).points.size(), 162u);
    MeshData dome = makeDome(10.0f);
    for (size_t i = 0; i < dome.faces.size(); ++i)
        EXPECT_LT(dome.faceNormal(static_cast<int>(i)).dot(dome.faceCentre(static_cast<int>(i))), 0.0f) << "dome face " << i;
    // Flat pieces face up (rings, discs, grids) or towards -z (the sun).
    for (const MeshData& flat : {makeRing(12, 1.0f, 2.0f), makeDisc(12, 1.0f), makeGrid(3, 2, 4.0f, 4.0f)})
        for (size_t i = 0; i < flat.faces.size(); ++i) EXPECT_GT(flat.faceNormal(static_cast<int>(i)).y, 0.99f);
    EXPECT_LT(makeFacingDisc(12, 1.0f).faceNormal(0).z, -0.99f);
    // Fanning keeps every corner and gives n - 2 triangles per polygon.
    MeshData tri = box.triangulated();
    EXPECT_EQ(tri.faces.size(), 12u);
    for (size_t i = 0; i < tri.faces.size(); ++i)
        EXPECT_GT(tri.faceNormal(static_cast<int>(i)).dot(tri.faceCentre(static_cast<int>(i))), 0.0f);
}

TEST(ShowGeometry, QuaternionsRoundTripThroughTheNodeMatrices) {
    for (Vector3 angles : {Vector3(0.3f, -1.1f, 2.0f), Vector3(-2.5f, 0.4f, 0.1f), Vector3(3.0f, 1.5f, -0.7f)}) {
        Matrix4 m = Matrix4::identity();
        m.setRotationEuler(angles);
        Matrix4 back = Matrix4::identity();
        back.setRotationQuaternion(quaternionFromMatrix(m));
        for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) EXPECT_NEAR(back.m[i], m.m[i], 1e-5f) << i;
    }
    // A right-handed quarter turn about y takes x to -z.
    Matrix4 r = Matrix4::identity();
    r.setRotationQuaternion(axisAngleQuaternion(Vector3(0, 1, 0), 1.5707963f));
    Vector3 x = Vector3(1, 0, 0).transformPoint(r);
    EXPECT_NEAR(x.x, 0.0f, 1e-6f);
    EXPECT_NEAR(x.z, -1.0f, 1e-6f);
}

TEST(ShowGeometry, CamerasLookAtTheirTargetUprightAndUnmirrored) {
    const Vector3 eyes[] = {Vector3(0, 0, -10), Vector3(6, 4, -9), Vector3(-12, 9, 5), Vector3(3, 2, 20)};
    const Vector3 target(0, 1, 0);
    for (const Vector3& eye : eyes) {
        Plane planes[6];
        RecordingRenderDevice::computeFrustumPlanes(eye, cameraLookAt(eye, target), 70.0f, planes);
        const Plane& right = planes[0];
        const Plane& left = planes[1];
        const Plane& bottom = planes[2];
        const Plane& top = planes[3];
        // The target is in the middle of the picture.
        EXPECT_NEAR(planeValue(right, target), planeValue(left, target), 1e-3f);
        EXPECT_NEAR(planeValue(top, target), planeValue(bottom, target), 1e-3f);
        EXPECT_GT(planeValue(planes[5], target), 0.0f) << "in front of the camera";
        // World up is up on the screen; the camera's right is on the right.
        Vector3 forward = target - eye;
        forward.normalize();
        Vector3 screenRight = forward.cross(Vector3(0, 1, 0));
        screenRight.normalize();
        const Vector3 above = target + Vector3(0, 0.5f, 0);
        const Vector3 aside = target + screenRight * 0.5f;
        EXPECT_LT(planeValue(top, above), planeValue(top, target));
        EXPECT_LT(planeValue(right, aside), planeValue(right, target));
        EXPECT_GT(planeValue(left, aside), planeValue(left, target));
    }
}
