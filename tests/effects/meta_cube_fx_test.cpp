// MetaCube_FX: its record, its materials, the shared spawn counter and where cubes are drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "effects/quiet_device.h"
#include "fx/meta_cube_fx.h"
#include "mesh/std_mesh3d.h"
#include "platform/recording_render_device.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

std::vector<uint8_t> metaBytes(const Vector3& position, float size) {
    PackWriter w;
    w.openMemory();
    Vector3(1, 2, 3).save(w);
    Vector3(4, 5, 6).save(w);
    Vector3(7, 8, 9).save(w);
    w.writeFloat(size);
    w.writeFloat(size * 0.5f);
    w.writeFloat(size * 2);
    Node3D node;
    node.setName("blobs");
    node.setPosition(position);
    node.setQuaternion(Quaternion(0, 0, 0, 1));
    node.addProperty("mode", "slow");
    node.save(w, nullptr);
    return w.bytes();
}

void loadMeta(MetaCube_FX& meta, const std::vector<uint8_t>& bytes, MaterialLibrary* library) {
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    meta.load(reader, library, nullptr);
    ASSERT_FALSE(reader.failed()) << reader.error();
    EXPECT_EQ(reader.offset(), bytes.size());
}

TEST(MetaCube_FX, ConstructionAddsItsMaterialsOnce) {
    MaterialLibrary library(1000);
    library.add(new Material(512, ColorRGB(0, 0, 1)));
    MetaCube_FX meta(&library);
    EXPECT_TRUE(meta.hasKind(kKindMetaCube));
    int status = 0;
    EXPECT_FLOAT_EQ(library.find(510, &status)->getColour().x, 1.0f);
    EXPECT_FLOAT_EQ(library.find(513, &status)->getColour().z, 0.8f);
    EXPECT_FLOAT_EQ(library.find(514, &status)->getColour().z, 0.7f);
    EXPECT_FLOAT_EQ(library.find(512, &status)->getColour().z, 1.0f);  // taken before: kept
    MetaCube_FX second(&library);
    EXPECT_EQ(library.loadedCount(), 6);
    MetaCube_FX withoutLibrary(nullptr);
    EXPECT_EQ(withoutLibrary.field()->ballCount(), 0);
}

TEST(MetaCube_FX, LoadConfiguresAndSaveMirrorsIt) {
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    const std::vector<uint8_t> bytes = metaBytes(Vector3(1, 2, 3), 10);
    loadMeta(meta, bytes, &library);
    EXPECT_STREQ(meta.getName(), "blobs");
    EXPECT_FLOAT_EQ(meta.sizes().z, 20.0f);
    MetaField* f = meta.field();
    EXPECT_EQ(f->grid().count(), 8000);
    EXPECT_EQ(f->ballCount(), 1);  // the first ball starts at once
    EXPECT_FLOAT_EQ(f->threshold, 0.6f);
    EXPECT_FLOAT_EQ(f->offset.y, 2.5f - 0.01f);
    ASSERT_NE(meta.cube(), nullptr);
    EXPECT_EQ(f->cube, meta.cube());
    EXPECT_EQ(meta.cube()->getPointCount(), 8);
    EXPECT_EQ(meta.getChildCount(), 0);

    PackWriter w;
    w.openMemory();
    meta.save(w, &library);
    EXPECT_EQ(w.bytes(), bytes);
}

TEST(MetaCube_FX, CubeOfGridPoint10IsCentredAtTheOffset) {
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    loadMeta(meta, metaBytes(Vector3(1, 2, 3), 10), &library);
    meta.configure(10, 10, 10);
    MetaField* f = meta.field();
    f->grid().set(10, 10, 10, 1.0f);  // the eight cells around this point cross the surface
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    f->drawCells(&device);
    EXPECT_EQ(device.facesDrawn(), 8 * 6);
    // The first cube drawn is the cell of grid point (10, 10, 10): average its eight corners
    // (faces 510 and 511 hold the +z and the -z side).
    Vector3 sum(0, 0, 0);
    float minX = 1e9f, maxX = -1e9f;
    std::vector<const RenderRecord*> faces;
    for (const RenderRecord& rec : device.records())
        if (rec.kind == RecordKind::Face) faces.push_back(&rec);
    ASSERT_GE(faces.size(), 2u);
    for (int r = 0; r < 2; ++r) {
        const RenderRecord& rec = *faces[r];
        EXPECT_EQ(rec.material, 510 + r);
        EXPECT_FLOAT_EQ(rec.alpha, 0.7f);
        for (const Vector3& v : device.vertices(rec)) {
            sum.add(v);
            minX = std::min(minX, v.x);
            maxX = std::max(maxX, v.x);
        }
    }
    EXPECT_NEAR(sum.x / 8, 1 + 4.95f, 1e-4f);
    EXPECT_NEAR(sum.y / 8, 2 + 4.99f, 1e-4f);
    EXPECT_NEAR(sum.z / 8, 3 - 1.0f, 1e-4f);
    EXPECT_NEAR(maxX - minX, 0.5f, 1e-5f);  // one cell wide
    EXPECT_FLOAT_EQ(device.getAlpha(), 1.0f);
}

TEST(MetaCube_FX, OneNodeHoldsAtMostThreeBalls) {
    resetMetaSpawnCounter();
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    loadMeta(meta, metaBytes(Vector3(0, 0, 0), 10), &library);
    QuietDevice device;
    int most = 0;
    int drawnFrames = 0;
    for (int frame = 1; frame <= 100; ++frame) {
        meta.draw(&device, 640, 480, true);
        const int n = meta.field()->ballCount();
        most = std::max(most, n);
        if (frame == 19) {
            EXPECT_EQ(n, 1);
        }
        if (frame == 20) {
            EXPECT_EQ(n, 2);  // the 20th draw starts a ball
        }
        if (device.meshes > 0) ++drawnFrames;
    }
    EXPECT_EQ(most, 3);
    EXPECT_GT(drawnFrames, 0);  // the balls do produce surface cubes
    EXPECT_FLOAT_EQ(device.minAlpha, 0.7f);
}

TEST(MetaCube_FX, NodesShareTheSpawnCounter) {
    resetMetaSpawnCounter();
    MaterialLibrary library(1000);
    MetaCube_FX a(&library), b(&library);
    loadMeta(a, metaBytes(Vector3(0, 0, 0), 10), &library);
    loadMeta(b, metaBytes(Vector3(0, 0, 0), 10), &library);
    QuietDevice device;
    for (int frame = 0; frame < 10; ++frame) {
        a.draw(&device, 640, 480, true);
        b.draw(&device, 640, 480, true);
    }
    // Twenty draws together: one new ball, for the node whose draw reached the count.
    EXPECT_EQ(a.field()->ballCount(), 1);
    EXPECT_EQ(b.field()->ballCount(), 2);
    EXPECT_EQ(metaSpawnCounter(), 0);
    a.draw(&device, 640, 480, true);
    EXPECT_EQ(metaSpawnCounter(), 1);
    resetMetaSpawnCounter();
}

}  // namespace
