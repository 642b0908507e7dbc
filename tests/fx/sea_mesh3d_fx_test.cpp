// SeaMesh3D_FX: its record, its materials and the tiles of a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "fx/sea_mesh3d_fx.h"
#include "mesh/std_mesh3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/node_records.h"
#include "support/recording_render_device.h"

namespace {

TEST(SeaMesh3D_FX, LoadBuildsTheTileAndSaveMirrorsTheRecord) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    records::SeaRecord r;
    r.scale.set(2, 1, 0.5f);
    r.segmentsU = 2.5f;  // stored as read, used as 2
    const std::vector<uint8_t> bytes = r.bytes();
    ASSERT_EQ(records::loadFrom(sea, bytes, &library), "");
    EXPECT_FLOAT_EQ(sea.heightScale(), 1.0f);  // heightFactor x height
    EXPECT_FLOAT_EQ(sea.extentX(), 16.0f);
    EXPECT_FLOAT_EQ(sea.extentZ(), 4.0f);
    ASSERT_NE(sea.waves(), nullptr);
    EXPECT_EQ(sea.waves()->width(), 7);    // 3 x 2 + 1 control points along u
    EXPECT_EQ(sea.waves()->height(), 10);  // 3 x 3 + 1 along v
    StdMesh3D* tile = sea.tile();
    ASSERT_NE(tile, nullptr);
    const Vector3* far = tile->getPoint(6, kLocalPoints);
    EXPECT_FLOAT_EQ(far->x, 4.0f);  // one cell: extent / cells
    EXPECT_FLOAT_EQ(far->y, 1.0f);  // 2 x height
    EXPECT_FLOAT_EQ(far->z, 1.0f);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(tile->getMaterials()[f], 500 + f);
    EXPECT_EQ(sea.getChildCount(), 0);  // the tile is not part of the scene graph
    EXPECT_EQ(records::savedBytes(sea, &library), bytes);
}

TEST(SeaMesh3D_FX, MaterialsStepDownAndTheFirstSeaKeepsThem) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX first, second;
    records::SeaRecord r;
    ASSERT_EQ(records::loadFrom(first, r.bytes(), &library), "");
    r.colour = 0x102030;
    ASSERT_EQ(records::loadFrom(second, r.bytes(), &library), "");
    EXPECT_EQ(library.loadedCount(), 6);
    int status = 0;
    EXPECT_EQ(library.find(500, &status)->getColour().pack(), 0x806040);
    const ColorRGB c505 = library.find(505, &status)->getColour();
    EXPECT_NEAR(c505.x, (128 - 85) / 255.0f, 1e-5f);
    EXPECT_NEAR(c505.y, (96 - 85) / 255.0f, 1e-5f);
    EXPECT_EQ(c505.z, 0.0f);  // floored at 0
    EXPECT_EQ(second.colour().pack(), 0x102030);  // the node keeps its own colour
}

TEST(SeaMesh3D_FX, FrameDrawsOneTilePerCellAtTheWaveHeight) {
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    ASSERT_EQ(records::loadFrom(sea, records::SeaRecord().bytes(), &library), "");
    sea.setTime(900);  // 30 time units
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    sea.draw(&device, 640, 480, true);
    EXPECT_FLOAT_EQ(sea.waves()->time(), 30.0f);

    const Vector3 w0(11, 3, 22);  // the origin through the world matrix (translation only)
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
    for (int n = 0; n < 16; ++n) {
        EXPECT_NEAR(corners[n].first, 2.0f * (n / 4), 1e-5f) << n;
        EXPECT_NEAR(corners[n].second, 2.0f * (n % 4), 1e-5f) << n;
    }

    device.clear();
    sea.setVisible(false);
    sea.draw(&device, 640, 480, true);
    EXPECT_EQ(device.facesDrawn(), 0);
}

TEST(SeaMesh3D_FX, BadGridCountsAreLoadErrors) {
    const struct {
        float segmentsU, segmentsV, cells;
    } cases[] = {{0, 3, 4}, {2, 0.5f, 4}, {2, 2, 0}, {2, 2, -4}, {2, 2, std::nanf("")}, {1e9f, 2, 4}, {2, 2, 1e7f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.segmentsU << " x " << c.segmentsV << ", cells " << c.cells);
        MaterialLibrary library(1000);
        SeaMesh3D_FX sea;
        records::SeaRecord r;
        r.segmentsU = c.segmentsU;
        r.segmentsV = c.segmentsV;
        r.cells = c.cells;
        const std::string error = records::loadFrom(sea, r.bytes(), &library);
        EXPECT_NE(error.find("sea"), std::string::npos) << error;
        EXPECT_EQ(sea.tile(), nullptr);
        EXPECT_EQ(library.loadedCount(), 0);
        RecordingRenderDevice device;
        sea.draw(&device, 640, 480, true);
        EXPECT_TRUE(device.records().empty());
    }
}

}  // namespace
