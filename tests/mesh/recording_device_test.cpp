// The recording device follows the GL device's rules: material lookup, alpha changes, the
// translucent queue and frustum culling.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/std_mesh3d.h"
#include "mesh_test_util.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "scene/camera3d.h"

namespace {

std::unique_ptr<StdMesh3D> tetra(float opacity, std::vector<int32_t> materials = {10, 11, 12, 13}) {
    auto mesh = std::make_unique<StdMesh3D>();
    meshtest::MeshRecord r = meshtest::tetrahedron();
    r.materials = materials;
    auto reader = meshtest::readerOver(meshtest::meshRecordBytes(r));
    mesh->load(*reader, nullptr, nullptr);
    mesh->setParam(opacity);
    RecordingRenderDevice transform;
    mesh->update(&transform, 0, 0, false);
    return mesh;
}

std::vector<Vector3> box(const Vector3& c, float h) {
    std::vector<Vector3> corners;
    for (int i = 0; i < 8; ++i)
        corners.emplace_back(c.x + (i & 1 ? h : -h), c.y + (i & 2 ? h : -h), c.z + (i & 4 ? h : -h));
    return corners;
}

}  // namespace

TEST(RecordingRenderDevice, MaterialsAlphaAndTheTranslucentQueue) {
    auto library = meshtest::makeLibrary({10, 11, 12});
    RecordingRenderDevice device;
    auto opaque = tetra(1.0f, {10, 13, -1, 13});
    auto glass = tetra(0.999f);

    // No library: nothing drawn.
    device.drawMesh(*opaque, 2);
    EXPECT_EQ(device.facesDrawn(), 0);
    EXPECT_EQ(device.facesSkipped(), 4);

    device.clear();
    device.setMaterialLibrary(library.get());
    CapturedMessageBoxes boxes;
    device.beginFrame();
    device.drawMesh(*glass, 0);
    device.drawMesh(*opaque, 2);
    device.drawMesh(*opaque, 2);
    EXPECT_EQ(device.translucentCount(), 1);
    // Material 13 is missing: one box for it, the faces in their own colour; -1 is not drawn.
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "");
    EXPECT_EQ(boxes.calls()[0].caption, "ERROR: Material null in draw face");
    EXPECT_EQ(device.facesDrawn(), 6);
    EXPECT_EQ(device.facesSkipped(), 2);
    // BeginFrame, MeshDeferred, then the first opaque face (10) and the second (13).
    const RenderRecord& missing = device.records()[3];
    EXPECT_EQ(missing.material, 13);
    EXPECT_FALSE(missing.materialFound);
    EXPECT_EQ(missing.r, 0.0f);

    device.endFrame();
    // The translucent mesh comes last, at its opacity, with the transformed points.
    const auto& rec = device.records();
    ASSERT_EQ(rec.back().kind, RecordKind::EndFrame);
    const RenderRecord& last = rec[rec.size() - 2];
    EXPECT_TRUE(last.translucentPass);
    EXPECT_EQ(last.vertexSet, 2);
    EXPECT_EQ(last.alpha, 0.999f);
    EXPECT_EQ(last.mesh, glass.get());
    EXPECT_EQ(device.count(RecordKind::Alpha), 1);
    EXPECT_TRUE(device.blendingEnabled());
    EXPECT_EQ(device.translucentCount(), 0);

    // setAlpha acts on changes only.
    device.clear();
    device.setAlpha(0.999f);
    device.setAlpha(1.0f);
    device.setAlpha(1.0f);
    EXPECT_EQ(device.count(RecordKind::Alpha), 1);
    EXPECT_FALSE(device.blendingEnabled());
}

TEST(RecordingRenderDevice, FrustumFromACamera) {
    RecordingRenderDevice device;
    const auto far = box(Vector3(0, 0, 0), 1);
    EXPECT_EQ(device.isVisible(far.data(), 8), 1);  // culling off at first

    Camera3D camera;
    camera.setPosition(0, 0, 0);
    camera.setQuaternion(Quaternion(0, 0, 0, 1));
    camera.setFieldOfView(90.0f);
    device.setCamera(camera, 640, 480);
    EXPECT_TRUE(device.cullingEnabled());
    ASSERT_EQ(device.count(RecordKind::Camera), 1);
    EXPECT_EQ(device.records()[0].fieldOfView, 90.0f);
    for (int i = 0; i < 6; ++i) {
        const Plane& p = device.frustumPlanes()[i];
        EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0f, 1e-5f);
    }

    // The identity orientation looks along -y. Find the visible side, then test against it.
    const auto ahead = box(Vector3(0, -20, 0), 1);
    const auto behind = box(Vector3(0, 20, 0), 1);
    const auto beyondFar = box(Vector3(0, -400, 0), 1);
    const auto straddlingNear = box(Vector3(0, 0, 0), 1);
    EXPECT_EQ(device.isVisible(ahead.data(), 8), 1);
    EXPECT_EQ(device.isVisible(behind.data(), 8), 0);
    EXPECT_EQ(device.isVisible(beyondFar.data(), 8), 0);
    EXPECT_EQ(device.isVisible(straddlingNear.data(), 8), 1);
    // 90 degrees across: a point 45 degrees to the side is on the edge, 60 degrees is outside.
    const Vector3 inside[] = {Vector3(15, -20, 0)};
    const Vector3 outside[] = {Vector3(40, -20, 0)};
    EXPECT_EQ(device.isVisible(inside, 1), 1);
    EXPECT_EQ(device.isVisible(outside, 1), 0);

    // A fixed answer overrides the test; setLookAt turns culling off.
    device.setVisibleAnswer(1);
    EXPECT_EQ(device.isVisible(behind.data(), 8), 1);
    device.setVisibleAnswer(std::nullopt);
    device.setLookAt(Vector3(0, 0, 0), Vector3(0, 0, -1), 640, 480);
    EXPECT_FALSE(device.cullingEnabled());
    EXPECT_EQ(device.fieldOfView(), 90.0f);
    EXPECT_EQ(device.isVisible(behind.data(), 8), 1);
}
