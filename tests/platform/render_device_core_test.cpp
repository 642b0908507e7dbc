// The render device's rules without a GL context, through the recording backend: culling against
// the camera's frustum, the translucent pass, alpha changes and missing materials.
#include "platform/device/render_device_core.h"

#include <gtest/gtest.h>

#include "gl_test_support.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

namespace {

// The eight corners of the box from (x0, y0, z0) to (x1, y1, z1).
std::vector<Vector3> box(float x0, float y0, float z0, float x1, float y1, float z1) {
    std::vector<Vector3> corners;
    for (int i = 0; i < 8; ++i) corners.emplace_back(i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0);
    return corners;
}

}  // namespace

TEST(RenderDeviceCore, CullsOnlyWhatLiesWhollyBehindOneFrustumPlane) {
    RecordingRenderDevice device;
    EXPECT_EQ(device.isVisible(box(-1, 9, -1, 1, 11, 1).data(), 8), 1);  // culling off at first
    Camera3D camera;  // at the origin, looking along -y with +z up and +x on the screen's left
    camera.setFieldOfView(90.0f);
    device.setCamera(camera, 640, 480);
    EXPECT_TRUE(device.isCullingEnabled());
    const struct {
        const char* name;
        std::vector<Vector3> points;
        int visible;
    } cases[] = {
        {"in view", box(-1, -11, -1, 1, -9, 1), 1},
        {"behind", box(-1, 9, -1, 1, 11, 1), 0},
        {"straddling the near plane", box(-1, -1, -1, 1, 1, 1), 1},
        {"on the near plane", {Vector3(0, -0.1f, 0), Vector3(0.01f, -0.1f, 0)}, 1},
        {"beyond the far plane", box(-1, -400, -1, 1, -350, 1), 0},
        {"outside the left plane", box(50, -11, -1, 60, -9, 1), 0},
        {"below the bottom plane", box(-1, -11, -60, 1, -9, -50), 0},
        {"above the top plane", box(-1, -11, 50, 1, -9, 60), 0},
        {"45 degrees aside", {Vector3(15, -20, 0)}, 1},
        {"60 degrees aside", {Vector3(40, -20, 0)}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(device.isVisible(c.points.data(), static_cast<int>(c.points.size())), c.visible);
    }
    // One plane has every one of no points behind it: an empty set is out of view, so a mesh
    // without points culls its children.
    EXPECT_EQ(device.isVisible(nullptr, 0), 0);
    StdMesh3D pointless, child;
    child.adoptPoints(1, new Vector3[1]{Vector3(0, 10, 0)});  // behind the camera
    pointless.addChild(&child, 0);
    pointless.update(&device, 640, 480, true);
    EXPECT_FALSE(pointless.isInView());
    EXPECT_TRUE(child.isInView());  // not updated: still its initial answer
    child.update(&device, 640, 480, true);
    EXPECT_FALSE(child.isInView());
    pointless.children().removeAt(0);
    device.setLookAt(Vector3(0, 0, 0), Vector3(0, 0, -1), 640, 480);  // turns culling off
    EXPECT_EQ(device.isVisible(box(-1, 9, -1, 1, 11, 1).data(), 8), 1);
    EXPECT_EQ(device.getFieldOfView(), 90.0f);
}

TEST(RenderDeviceCore, TranslucentMeshesFollowTheOpaqueOnesAtTheirOpacityWithVertexSet2) {
    CapturedMessageBoxes boxes;
    MaterialLibrary library(1000);
    library.add(new Material(4, ColorRGB(0, 0, 1)));
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    auto glass = meshOf(squareAt(0, 0, 1, 1, 0), {{0, 1, 2}}, {4}, squareAt(5, 5, 6, 6, 0));
    glass->setParam(0.999f);
    auto wall = meshOf(squareAt(0, 0, 1, 1, 0), {{0, 1, 2, 3}, {0, 1, 2, 3}}, {4, 77});  // 77 is missing
    device.beginFrame();
    device.drawMesh(*glass, kLocalPoints);
    EXPECT_EQ(device.getTranslucentCount(), 1);
    device.drawMesh(*wall, kDrawTransformed);
    device.endFrame();
    device.endFrame();  // a second clip ending the frame draws the queue no more

    std::vector<std::string> calls;
    for (const RenderRecord& r : device.records()) {
        switch (r.kind) {
            case RecordKind::Face:
                calls.push_back(std::string(r.mesh == glass.get() ? "glass" : "wall") + " " +
                                std::to_string(r.material) + (r.materialFound ? "" : " missing") +
                                (r.triangles ? " triangles" : " polygon") + " set " + std::to_string(r.vertexSet) +
                                " alpha " + std::to_string(r.alpha).substr(0, 5));
                break;
            case RecordKind::Blend: calls.push_back(r.on ? "blend on" : "blend off"); break;
            case RecordKind::EndFrame: calls.push_back("end"); break;
            case RecordKind::Clear: calls.push_back("clear"); break;
            default: break;
        }
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"clear", "wall 4 polygon set 2 alpha 1.000", "wall 77 missing polygon set 2 alpha 1.000",
                                               "blend on", "glass 4 triangles set 2 alpha 0.999", "end", "end"}));
    const RenderRecord& glassFace = device.records()[4];
    EXPECT_TRUE(glassFace.translucentPass);
    EXPECT_EQ(device.vertices(glassFace)[0].x, 5.0f);  // the transformed points
    // The missing material is reported once, however often it is drawn.
    device.beginFrame();
    device.drawMesh(*wall, kDrawTransformed);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].caption, "ERROR: Material null in draw face");
    // beginFrame put the alpha back to 1: blending off, and only on a change.
    device.clear();
    device.setAlpha(1.0f);
    device.setAlpha(0.5f);
    device.setAlpha(0.5f);
    EXPECT_EQ(device.count(RecordKind::Blend), 1);
}
