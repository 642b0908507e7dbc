// After its first frame, a mesh's update and draw passes (soft body running, drawn through the
// recording device) allocate nothing on the heap.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "mesh_test_util.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

namespace {
std::atomic<long> allocations{0};
std::atomic<bool> counting{false};

void* countedAlloc(std::size_t n) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Replaces the global allocation functions of this test program with counting ones.
void* operator new(std::size_t n) { return countedAlloc(n); }
void* operator new[](std::size_t n) { return countedAlloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

TEST(MeshAllocation, NoHeapAllocationAfterTheFirstFrame) {
    counting = true;  // the counter sees allocations made through new
    int* volatile probe = new int(1);
    delete probe;
    counting = false;
    ASSERT_EQ(allocations.exchange(0), 1);

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
        counting = t > 60;  // after the first two frames
        device.clear();
        device.beginFrame();
        parent.setTime(t);
        child.setTime(t);
        parent.translate(0.5f, 0, 0);
        parent.update(&device, 640, 480, true);
        parent.draw(&device, 640, 480, true);
        device.endFrame();
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_TRUE(parent.isSoftBodyReady());
    EXPECT_EQ(device.facesDrawn(), 2 * 198);
    EXPECT_EQ(boxes.calls().size(), 1u);
    parent.children().removeAt(0);
}
