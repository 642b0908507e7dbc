// The recording device culls against the same frustum as the GL device, so mesh tests that draw
// through it see the same in-view answers.
#include <gtest/gtest.h>

#include "support/recording_render_device.h"
#include "scene/camera3d.h"

TEST(RecordingRenderDevice, FrustumFromACamera) {
    auto box = [](float x, float y) {
        std::vector<Vector3> corners;
        for (int i = 0; i < 8; ++i) corners.emplace_back(x + (i & 1 ? 1 : -1), y + (i & 2 ? 1 : -1), i & 4 ? 1 : -1);
        return corners;
    };
    RecordingRenderDevice device;
    EXPECT_EQ(device.isVisible(box(0, 20).data(), 8), 1);  // culling off at first
    Camera3D camera;
    camera.setQuaternion(Quaternion(0, 0, 0, 1));  // looks along -y
    camera.setFieldOfView(90.0f);
    device.setCamera(camera, 640, 480);
    // Ahead, behind, beyond the far plane, straddling the near plane; 45 and 60 degrees aside.
    const std::pair<std::vector<Vector3>, int> cases[] = {
        {box(0, -20), 1}, {box(0, 20), 0}, {box(0, -400), 0}, {box(0, 0), 1},
        {{Vector3(15, -20, 0)}, 1}, {{Vector3(40, -20, 0)}, 0}};
    for (const auto& [points, visible] : cases) {
        SCOPED_TRACE(testing::PrintToString(points[0].y));
        EXPECT_EQ(device.isVisible(points.data(), static_cast<int>(points.size())), visible);
    }
    device.setVisibleAnswer(1);  // a fixed answer overrides the test
    EXPECT_EQ(device.isVisible(box(0, 20).data(), 8), 1);
    device.setVisibleAnswer(std::nullopt);
    device.setLookAt(Vector3(0, 0, 0), Vector3(0, 0, -1), 640, 480);  // turns culling off
    EXPECT_EQ(device.isVisible(box(0, 20).data(), 8), 1);
}
