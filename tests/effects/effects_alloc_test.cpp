// After their first frame, the sea and the metaballs draw without touching the heap. Counts
// every operator new of this test program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "effects/quiet_device.h"
#include "fx/meta_cube_fx.h"
#include "fx/sea_mesh3d_fx.h"
#include "scene/material_library.h"

namespace {
long gAllocations = 0;
}

void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(EffectsAllocation, SeaFramesAfterTheFirstDoNotAllocate) {
    Node3D node;
    PackWriter w;
    w.openMemory();
    node.save(w, nullptr);
    for (int i = 0; i < 9; ++i) w.writeFloat(0);
    w.writeFloat(64);  // sizeX
    w.writeFloat(1);   // height
    w.writeFloat(64);  // sizeZ
    w.writeFloat(4);   // segmentsU
    w.writeFloat(4);   // segmentsV
    w.writeFloat(32);  // cells
    w.writeInt(3);
    w.writeInt(0x2040a0);
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    sea.load(reader, &library, nullptr);
    ASSERT_FALSE(reader.failed()) << reader.error();

    QuietDevice device;
    sea.setTime(0);
    sea.draw(&device, 640, 480, true);
    const long before = gAllocations;
    for (int frame = 1; frame <= 20; ++frame) {
        sea.setTime(frame * 33);
        sea.draw(&device, 640, 480, true);
    }
    const long allocations = gAllocations - before;
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(device.meshes, 21 * 32 * 32);
}

TEST(EffectsAllocation, MetaballFramesAfterTheFirstDoNotAllocate) {
    resetMetaSpawnCounter();
    PackWriter w;
    w.openMemory();
    for (int i = 0; i < 9; ++i) w.writeFloat(0);
    for (int i = 0; i < 3; ++i) w.writeFloat(10);
    Node3D node;
    node.save(w, nullptr);
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    meta.load(reader, &library, nullptr);
    ASSERT_FALSE(reader.failed()) << reader.error();

    QuietDevice device;
    meta.draw(&device, 640, 480, true);
    const long before = gAllocations;
    int most = 0;
    for (int frame = 2; frame <= 100; ++frame) {  // balls are born and die along the way
        meta.draw(&device, 640, 480, true);
        most = std::max(most, meta.field()->ballCount());
    }
    const long allocations = gAllocations - before;
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(most, 3);
    EXPECT_GT(device.meshes, 0);
    resetMetaSpawnCounter();
}

}  // namespace
