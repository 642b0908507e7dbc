// A soft body whose node time goes backwards inside its window binds again, from the shape the
// mesh has then: the step that follows holds that shape exactly.
#include <gtest/gtest.h>

#include <vector>

#include "mesh_test_util.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

TEST(SoftBodyRewind, TimeGoingBackBindsAgainFromTheCurrentShape) {
    CapturedMessageBoxes boxes;
    meshtest::MeshRecord r;
    r.points = {{1, 0, 0}, {0, 2, 0}, {0, 0, 3}, {-1, -1, 1}};
    r.faces = {{3, 0, 1, 2}, {3, 1, 2, 3}};
    r.materials = {1, 2};
    r.softBody = true;
    r.endFrame = 100000;
    StdMesh3D mesh;
    ASSERT_FALSE(meshtest::loadInto(mesh, r)->failed());
    RecordingRenderDevice device;
    auto stepAt = [&](int t) {
        mesh.setTime(t);
        mesh.update(&device, 0, 0, true);
    };
    auto shape = [&] {
        std::vector<Vector3> points;
        for (int i = 0; i < mesh.getPointCount(); ++i) points.push_back(*mesh.getPoint(i, 0));
        return points;
    };
    stepAt(30);  // binds at rest
    mesh.translate(10, 0, 0);
    stepAt(60);  // the vertices lag behind the jump: they move in local space and gain speed
    const std::vector<Vector3> lagging = shape();
    ASSERT_GT(lagging[0].distanceTo(Vector3(1, 0, 0)), 1.0f);

    stepAt(30);  // back in time: fresh particles at rest in the lagging shape, no speed
    const std::vector<Vector3> after = shape();
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].x, lagging[i].x) << i;
        EXPECT_EQ(after[i].y, lagging[i].y) << i;
        EXPECT_EQ(after[i].z, lagging[i].z) << i;
    }
    EXPECT_EQ(mesh.getLastSimTime(), 30u);
    EXPECT_TRUE(boxes.calls().empty());
}
