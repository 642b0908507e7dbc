// After its first frame, a mesh's update and draw passes (soft body running, drawn through the
// recording device) allocate nothing on the heap.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh_test_util.h"
#include "support/allocation_counter.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

TEST(MeshAllocation, NoHeapAllocationAfterTheFirstFrame) {
    AllocationCounter allocations;  // it sees allocations made through new
    int* volatile probe = new int(1);
    delete probe;
    ASSERT_EQ(allocations.count(), 1);

    meshtest::MeshRecord r;
    for (int i = 0; i < 200; ++i) r.points.push_back(Vector3(std::cos(i * 0.1f), std::sin(i * 0.3f), i * 0.01f));
    for (int i = 0; i + 2 < 200; ++i) {
        r.faces.push_back({3, i, i + 1, i + 2});
        r.materials.push_back(i % 3);
    }
    r.softBody = true;
    r.endFrame = 1000;
    auto library = meshtest::makeLibrary({0, 1});  // material 2 is missing: reported once
    StdMesh3D parent, child;
    for (StdMesh3D* m : {&parent, &child}) ASSERT_FALSE(meshtest::loadInto(*m, r)->failed());
    parent.addChild(&child, 0);  // borrowed: taken out of the list again before destruction
    child.setParam(0.5f);        // translucent: goes through the deferred queue
    CapturedMessageBoxes boxes;
    RecordingRenderDevice device;
    device.setMaterialLibrary(library.get());
    for (int t = 30; t < 900; t += 30) {
        if (t == 90) allocations.restart();  // after the first two frames
        device.clear();
        device.beginFrame();
        parent.setTime(t);
        child.setTime(t);
        parent.translate(0.5f, 0, 0);
        parent.update(&device, 640, 480, true);
        parent.draw(&device, 640, 480, true);
        device.endFrame();
    }
    EXPECT_EQ(allocations.count(), 0);
    EXPECT_TRUE(parent.isSoftBodyReady());
    EXPECT_EQ(device.facesDrawn(), 2 * 198);
    EXPECT_EQ(boxes.calls().size(), 1u);
    parent.children().removeAt(0);
}
