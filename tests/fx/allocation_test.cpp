// After their first frame, the sea and the metaballs draw without touching the heap.
#include <gtest/gtest.h>

#include <algorithm>

#include "fx/meta_cube_fx.h"
#include "fx/sea_mesh3d_fx.h"
#include "platform/null/null_render_device.h"
#include "scene/material_library.h"
#include "support/allocation_counter.h"
#include "support/node_records.h"

namespace {

TEST(EffectsAllocation, SeaFramesAfterTheFirstDoNotAllocate) {
    records::SeaRecord r;
    r.sizeX = r.sizeZ = 64;
    r.segmentsU = r.segmentsV = 4;
    r.cells = 32;
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    ASSERT_EQ(records::loadFrom(sea, r.bytes(), &library), "");
    NullRenderDevice device;
    device.setMaterialLibrary(&library);
    sea.draw(&device, 640, 480, true);
    const AllocationCounter allocations;
    for (int frame = 1; frame <= 20; ++frame) {
        sea.setTime(frame * 33);
        sea.draw(&device, 640, 480, true);
    }
    EXPECT_EQ(allocations.count(), 0);
    EXPECT_EQ(device.drawCallCount(), 21 * 32 * 32 * 6);  // six faces a tile
}

TEST(EffectsAllocation, MetaballFramesDoNotAllocateAndHoldAtMostThreeBalls) {
    resetMetaSpawnCounter();
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    ASSERT_EQ(records::loadFrom(meta, records::metaBytes(Vector3(0, 0, 0), 10), &library), "");
    NullRenderDevice device;
    device.setMaterialLibrary(&library);
    meta.draw(&device, 640, 480, true);
    const AllocationCounter allocations;
    int most = 0;
    for (int frame = 2; frame <= 100; ++frame) {  // balls are born and die along the way
        meta.draw(&device, 640, 480, true);
        const int n = meta.field()->ballCount();
        most = std::max(most, n);
        if (frame == 19 || frame == 20) {
            EXPECT_EQ(n, frame - 18) << frame;  // the 20th draw starts a ball
        }
    }
    EXPECT_EQ(allocations.count(), 0);
    EXPECT_EQ(most, 3);
    EXPECT_GT(device.drawCallCount(), 0);  // the balls do produce surface cubes
    resetMetaSpawnCounter();
}

}  // namespace
