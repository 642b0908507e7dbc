// The show's geometry and orientation helpers: solids face outwards (the device culls back
// faces), body meshes start with their bounding corner, and camera orientations built for the
// stored quaternion convention look where they are aimed, the right way up and not mirrored.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/device/render_device_core.h"
#include "tools/make_show/geometry.h"
#include "tools/make_show/orientation.h"

namespace {

float planeValue(const Plane& p, const Vector3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

}  // namespace

TEST(ShowGeometry, SolidsFaceOutwardsAndBodiesStartWithTheirCorner) {
    // Each face's normal against the direction from a point inside to the face's centre; the
    // bottle's walls face away from its axis and its caps up and down; the dome faces inwards;
    // flat pieces face straight up (rings, discs, grids) or towards -z (the sun).
    using Outward = Vector3 (*)(const Vector3& centre);
    const struct { const char* what; MeshData mesh; Outward out; float least = 0.0f; } solids[] = {
        {"box", makeBox(1.0f, 2.0f, 3.0f), [](const Vector3& c) { return c; }},
        {"triangulated box", makeBox(1.0f, 2.0f, 3.0f).triangulated(), [](const Vector3& c) { return c; }},
        {"pillar", makePillar(8, 0.5f, 3.0f, 0.7f), [](const Vector3& c) { return c - Vector3(0, 1.5f, 0); }},
        {"gem", makeGem(0.5f, 0.8f), [](const Vector3& c) { return c; }},
        {"sphere", makeIcosphere(1.0f, 2), [](const Vector3& c) { return c; }},
        {"prism", makePrism(8, 0.2f, 0.0f, 0.3f), [](const Vector3& c) { return c - Vector3(0, 0.15f, 0); }},
        {"bottle", makeBottle(10, 0.16f, 0.46f, 0.16f),
         [](const Vector3& c) { return std::fabs(c.y) > 0.459f ? Vector3(0, c.y, 0) : Vector3(c.x, 0, c.z); }},
        {"dome", makeDome(10.0f), [](const Vector3& c) { return c * -1.0f; }},
        {"ring", makeRing(12, 1.0f, 2.0f), [](const Vector3&) { return Vector3(0, 1, 0); }, 0.99f},
        {"disc", makeDisc(12, 1.0f), [](const Vector3&) { return Vector3(0, 1, 0); }, 0.99f},
        {"grid", makeGrid(3, 2, 4.0f, 4.0f), [](const Vector3&) { return Vector3(0, 1, 0); }, 0.99f},
        {"sun", makeFacingDisc(12, 1.0f), [](const Vector3&) { return Vector3(0, 0, -1); }, 0.99f},
    };
    for (const auto& s : solids) {
        SCOPED_TRACE(s.what);
        for (int i = 0; i < static_cast<int>(s.mesh.faces.size()); ++i)
            EXPECT_GT(s.mesh.faceNormal(i).dot(s.out(s.mesh.faceCentre(i))), s.least) << "face " << i;
    }
    // Fanning gives n - 2 triangles per polygon; bodies start with their lowest corner.
    EXPECT_EQ(solids[1].mesh.faces.size(), 12u);
    EXPECT_EQ(solids[4].mesh.points.size(), 162u);
    const Vector3 corner = solids[0].mesh.points[0];
    EXPECT_TRUE(corner.x == -1.0f && corner.y == -2.0f && corner.z == -3.0f);
    EXPECT_FLOAT_EQ(solids[6].mesh.points[0].y, -0.46f);
}

TEST(ShowGeometry, CamerasLookAtTheirTargetUprightAndUnmirrored) {
    const Vector3 target(0, 1, 0);
    for (const Vector3& eye : {Vector3(0, 0, -10), Vector3(6, 4, -9), Vector3(-12, 9, 5), Vector3(3, 2, 20)}) {
        Plane planes[6];  // right, left, bottom, top, far, near
        frustumPlanes(perspectiveMatrix(verticalFieldOfView(70.0f)), cameraViewMatrix(eye, cameraLookAt(eye, target)),
                      planes);
        // The target is in the middle of the picture, in front of the camera.
        EXPECT_NEAR(planeValue(planes[0], target), planeValue(planes[1], target), 1e-3f);
        EXPECT_NEAR(planeValue(planes[3], target), planeValue(planes[2], target), 1e-3f);
        EXPECT_GT(planeValue(planes[5], target), 0.0f);
        // World up is up on the screen; the camera's right is on the right.
        Vector3 forward = target - eye;
        forward.normalize();
        Vector3 screenRight = forward.cross(Vector3(0, 1, 0));
        screenRight.normalize();
        const Vector3 above = target + Vector3(0, 0.5f, 0);
        const Vector3 aside = target + screenRight * 0.5f;
        EXPECT_LT(planeValue(planes[3], above), planeValue(planes[3], target));
        EXPECT_LT(planeValue(planes[0], aside), planeValue(planes[0], target));
        EXPECT_GT(planeValue(planes[1], aside), planeValue(planes[1], target));
    }
}
