// SeaMesh3D_FX: its record, its materials and the tiles of a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/std_mesh3d.h"
#include "platform/recording_render_device.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

struct SeaRecord {
    Vector3 position{10, 0, 20};
    Vector3 scale{1, 1, 1};
    Vector3 origin{1, 3, 2};
    Vector3 vectorB{1, 2, 3};
    Vector3 vectorC{4, 5, 6};
    float sizeX = 8, height = 0.5f, sizeZ = 8;
    float segmentsU = 2, segmentsV = 3;
    float cells = 4;
    int32_t heightFactor = 2;
    int32_t colour = 0x806040;
};

std::vector<uint8_t> seaBytes(const SeaRecord& r) {
    Node3D node;  // the node part of the record
    node.setName("sea");
    node.setId(7);
    node.setPosition(r.position);
    node.setQuaternion(Quaternion(0, 0, 0, 1));
    node.setScale(r.scale);
    PackWriter w;
    w.openMemory();
    node.save(w, nullptr);
    r.origin.save(w);
    r.vectorB.save(w);
    r.vectorC.save(w);
    w.writeFloat(r.sizeX);
    w.writeFloat(r.height);
    w.writeFloat(r.sizeZ);
    w.writeFloat(r.segmentsU);
    w.writeFloat(r.segmentsV);
    w.writeFloat(r.cells);
    w.writeInt(r.heightFactor);
    w.writeInt(r.colour);
    return w.bytes();
}

// Loads a sea from the record; returns the reader's error ("" when sound).
std::string loadSea(SeaMesh3D_FX& sea, const SeaRecord& r, MaterialLibrary* library) {
    const std::vector<uint8_t> bytes = seaBytes(r);
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    sea.load(reader, library, nullptr);
    return reader.error();
}

TEST(SeaMesh3D_FX, LoadsItsRecordAndBuildsTheTile) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    EXPECT_TRUE(sea.hasKind(kKindSea));
    EXPECT_FLOAT_EQ(sea.heightScale(), 100.0f);
    SeaRecord r;
    r.scale.set(2, 1, 0.5f);
    ASSERT_EQ(loadSea(sea, r, &library), "");
    EXPECT_EQ(sea.getId(), 7);
    EXPECT_FLOAT_EQ(sea.heightScale(), 1.0f);  // heightFactor x height
    EXPECT_FLOAT_EQ(sea.extentX(), 16.0f);
    EXPECT_FLOAT_EQ(sea.extentZ(), 4.0f);
    ASSERT_NE(sea.waves(), nullptr);
    EXPECT_EQ(sea.waves()->width(), 7);
    EXPECT_EQ(sea.waves()->height(), 10);
    StdMesh3D* tile = sea.tile();
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->getPointCount(), 8);
    EXPECT_EQ(tile->getFaceCount(), 6);
    EXPECT_EQ(tile->getTransformMode(), 2);
    const Vector3* far = tile->getPoint(6, kLocalPoints);
    EXPECT_FLOAT_EQ(far->x, 4.0f);  // one cell: extent / cells
    EXPECT_FLOAT_EQ(far->y, 1.0f);  // 2 x height
    EXPECT_FLOAT_EQ(far->z, 1.0f);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(tile->getMaterials()[f], 500 + f);
    EXPECT_EQ(tile->getChildCount(), 0);
    EXPECT_EQ(sea.getChildCount(), 0);  // the tile is not part of the scene graph
}

TEST(SeaMesh3D_FX, MaterialsStepDownAndTheFirstSeaKeepsThem) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX first, second;
    SeaRecord r;
    ASSERT_EQ(loadSea(first, r, &library), "");
    r.colour = 0x102030;
    ASSERT_EQ(loadSea(second, r, &library), "");
    EXPECT_EQ(library.loadedCount(), 6);
    int status = 0;
    const ColorRGB c500 = library.find(500, &status)->getColour();
    EXPECT_FLOAT_EQ(c500.x, 128 / 255.0f);
    EXPECT_FLOAT_EQ(c500.y, 96 / 255.0f);
    EXPECT_FLOAT_EQ(c500.z, 64 / 255.0f);
    const ColorRGB c505 = library.find(505, &status)->getColour();
    EXPECT_NEAR(c505.x, (128 - 85) / 255.0f, 1e-5f);
    EXPECT_NEAR(c505.y, (96 - 85) / 255.0f, 1e-5f);
    EXPECT_EQ(c505.z, 0.0f);  // floored at 0
    EXPECT_EQ(second.colour().pack(), 0x102030);  // the node keeps its own colour
}

TEST(SeaMesh3D_FX, FrameDrawsOneTilePerCellAtTheWaveHeight) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    SeaRecord r;
    ASSERT_EQ(loadSea(sea, r, &library), "");
    sea.setTime(900);  // 30 time units
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    EXPECT_EQ(sea.draw(&device, 640, 480, true), 0);
    EXPECT_FLOAT_EQ(sea.waves()->time(), 30.0f);

    // W0: the origin through the world matrix (translation only here).
    const Vector3 w0(11, 3, 22);
    std::vector<std::pair<float, float>> corners;
    for (const RenderRecord& rec : device.records()) {
        if (rec.kind != RecordKind::Face || rec.material != 502) continue;  // face (0, 1, 5, 4)
        const Vector3 p = device.vertices(rec)[0];
        const float x = p.x - w0.x, z = p.z - w0.z;
        corners.emplace_back(x, z);
        const float h = sea.waves()->heightAt(x / 8.0f, z / 8.0f);
        EXPECT_NEAR(p.y, w0.y + h * sea.heightScale() - sea.heightScale(), 1e-4f) << x << "," << z;
    }
    EXPECT_EQ(device.facesDrawn(), 16 * 6);
    ASSERT_EQ(corners.size(), 16u);
    std::sort(corners.begin(), corners.end());
    int n = 0;
    for (float x : {0.0f, 2.0f, 4.0f, 6.0f})
        for (float z : {0.0f, 2.0f, 4.0f, 6.0f}) {
            EXPECT_NEAR(corners[n].first, x, 1e-5f);
            EXPECT_NEAR(corners[n].second, z, 1e-5f);
            ++n;
        }

    device.clear();
    sea.setVisible(false);
    sea.draw(&device, 640, 480, true);
    EXPECT_EQ(device.facesDrawn(), 0);
}

TEST(SeaMesh3D_FX, BadGridCountsAreLoadErrors) {
    struct Case {
        float segmentsU, segmentsV, cells;
    };
    for (const Case& c : {Case{0, 3, 4}, Case{2, 0.5f, 4}, Case{-3, 2, 4}, Case{2, 2, 0}, Case{2, 2, -4},
                          Case{2, 2, std::nanf("")}, Case{1e9f, 2, 4}, Case{2, 300, 4}, Case{2, 2, 1e7f}}) {
        MaterialLibrary library(1000);
        SeaMesh3D_FX sea;
        SeaRecord r;
        r.segmentsU = c.segmentsU;
        r.segmentsV = c.segmentsV;
        r.cells = c.cells;
        const std::string error = loadSea(sea, r, &library);
        EXPECT_NE(error.find("sea"), std::string::npos) << error;
        EXPECT_EQ(sea.tile(), nullptr);
        EXPECT_EQ(library.loadedCount(), 0);
        RecordingRenderDevice device;
        EXPECT_EQ(sea.draw(&device, 640, 480, true), 0);
        EXPECT_TRUE(device.records().empty());
    }
}

TEST(SeaMesh3D_FX, SaveMirrorsLoad) {
    MaterialLibrary library(1000);
    SeaRecord r;
    r.scale.set(3, 1, 0.7f);
    r.sizeX = 0.1f;
    r.sizeZ = 0.3f;
    r.cells = 2.5f;
    r.segmentsU = 1.5f;
    const std::vector<uint8_t> bytes = seaBytes(r);
    SeaMesh3D_FX sea;
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    sea.load(reader, &library, nullptr);
    ASSERT_FALSE(reader.failed()) << reader.error();
    EXPECT_EQ(reader.offset(), bytes.size());
    PackWriter w;
    w.openMemory();
    sea.save(w, &library);
    EXPECT_EQ(w.bytes(), bytes);
}

}  // namespace
