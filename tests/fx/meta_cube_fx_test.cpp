// Metaballs: the field's grid, ball life, sampling and surface cells; MetaCube_FX's record,
// materials, shared spawn counter and where its cubes are drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "fx/meta_cube_fx.h"
#include "fx/meta_field.h"
#include "fx/scalar_grid.h"
#include "mesh/std_mesh3d.h"
#include "platform/null/null_render_device.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/node_records.h"
#include "support/recording_render_device.h"

namespace {

constexpr float kPi = 3.1415927f;

TEST(ScalarGrid, ReadsOutsideGiveZeroAndWritesOutsideAreIgnored) {
    ScalarGrid g;
    ASSERT_TRUE(g.init(3, 4, 5));
    g.set(2, 3, 4, 1.5f);
    g.set(3, 0, 0, 9.0f);
    g.set(0, -1, 0, 9.0f);
    g.set(0, 0, 5, 9.0f);
    EXPECT_EQ(g.get(2, 3, 4), 1.5f);
    EXPECT_EQ(g.get(3, 0, 0), 0.0f);
    EXPECT_EQ(g.get(-1, 0, 0), 0.0f);
    EXPECT_EQ(g.get(0, 0, 0), 0.0f);  // no write outside landed inside
    EXPECT_FALSE(g.init(0, 4, 5));
    EXPECT_FALSE(g.init(100000, 100000, 100000));
    EXPECT_FALSE(g.init(1 << 21, 1 << 21, 1 << 22));  // a product that overflows 64 bits
    EXPECT_EQ(g.count(), 0);
    EXPECT_EQ(g.get(0, 0, 0), 0.0f);
}

TEST(MetaField, NewBallAddsNothingAndGrowsOnItsFirstUpdate) {
    MetaField f;
    f.setResolution(10, 10, 10);
    f.spawnBall();
    f.sample();
    for (int n = 0; n < 1000; ++n) ASSERT_EQ(f.grid().get(n / 100, n / 10 % 10, n % 10), 0.0f) << n;
    f.updateBalls();
    MetaBall* b = f.firstBall();
    ASSERT_NE(b, nullptr);
    EXPECT_FLOAT_EQ(b->size.x, 0.5f * std::sin(kPi / 50.0f));
    EXPECT_FLOAT_EQ(b->centre.x, 0.9f);  // the move uses the age before the update
    f.updateBalls();
    EXPECT_FLOAT_EQ(b->centre.x, 0.9f - 1.0f / 50.0f);
    EXPECT_FLOAT_EQ(b->centre.y, std::sqrt(1.0f / 50.0f));
}

TEST(MetaField, BallLivesFor49UpdatesAndIsReusedAfterwards) {
    MetaField f;
    f.spawnBall();
    MetaBall* first = f.firstBall();
    int alive = 0;
    for (int frame = 0; frame < 60 && f.ballCount() > 0; ++frame) {
        f.updateBalls();
        if (f.ballCount() == 1) {
            ++alive;
            EXPECT_GT(first->size.x, 0.0f);  // every drawn frame it has a radius
        }
    }
    EXPECT_EQ(alive, 49);
    f.spawnBall();  // the removed ball comes back from the pool, as new
    EXPECT_EQ(f.firstBall(), first);
    EXPECT_EQ(first->size.x, 0.0f);
    f.setLifetime(0);  // ignored: it would divide by zero
    EXPECT_EQ(f.lifetime(), 50);
}

TEST(MetaField, SampleSumsBallsOverTheUnitCube) {
    MetaField f;
    f.setResolution(20, 20, 20);
    for (float radius : {0.2f, 0.4f}) {
        f.spawnBall();
        f.firstBall()->centre.set(0.5f, 0.5f, 0.5f);
        f.firstBall()->size.set(radius, radius, radius);
    }
    f.sample();
    EXPECT_NEAR(f.grid().get(10, 10, 10), 2.0f, 1e-5f);
    EXPECT_NEAR(f.grid().get(12, 10, 10), 0.5f + 0.75f, 1e-5f);
    EXPECT_NEAR(f.grid().get(14, 10, 10), 0.5f, 1e-5f);   // at the smaller ball's radius
    EXPECT_NEAR(f.grid().get(16, 10, 10), 0.25f, 1e-5f);  // only the larger ball reaches
    EXPECT_EQ(f.grid().get(0, 0, 0), 0.0f);
}

// Keeps the grid index and number of every cell handed over.
struct CellLog : CellDrawer {
    Vector3 origin, cellSize;
    std::vector<std::array<int, 3>> cells;
    std::vector<int> numbers;
    void drawCell(RenderDevice*, const Vector3& position, const Vector3& halfSize, int number) override {
        EXPECT_EQ(halfSize.x * 2.0f, cellSize.x);
        cells.push_back({static_cast<int>(std::lround((position.x - origin.x) / cellSize.x)),
                         static_cast<int>(std::lround((position.y - origin.y) / cellSize.y)),
                         static_cast<int>(std::lround((position.z - origin.z) / cellSize.z))});
        numbers.push_back(number);
    }
};

TEST(MetaField, DrawsExactlyTheCellsWithCornersOnBothSidesOfTheLevel) {
    MetaField field;
    field.setResolution(8, 8, 8);
    field.size.set(80, 40, 160);
    field.offset.set(5, 6, 7);
    field.threshold = 0.6f;
    // A block of grid points above the level, so that cell (3, 3, 3) lies wholly inside; one of
    // its points exactly at the level, which does not count as above.
    for (int i = 2; i <= 4; ++i)
        for (int j = 2; j <= 4; ++j)
            for (int k = 2; k <= 4; ++k) field.grid().set(i, j, k, 0.9f);
    field.grid().set(4, 4, 4, 0.6f);
    StdMesh3D cube;
    CellLog log;
    log.cellSize.set(10, 5, 20);
    log.origin = field.offset - field.size * 0.5f;
    field.cube = &cube;
    field.cellDrawer = &log;
    field.drawCells(nullptr);

    auto drawn = [&](int i, int j, int k) {
        return std::count(log.cells.begin(), log.cells.end(), std::array<int, 3>{i, j, k});
    };
    int surface = 0;
    for (int i = 0; i <= 8; ++i)
        for (int j = 0; j <= 8; ++j)
            for (int k = 0; k <= 8; ++k) {
                const bool inRange = i >= 1 && i < 8 && j >= 1 && j < 8 && k >= 1 && k < 8;
                const bool expected = inRange && field.isSurfaceCell(i, j, k, 0.6f);
                surface += expected;
                ASSERT_EQ(drawn(i, j, k), expected ? 1 : 0) << i << " " << j << " " << k;
            }
    EXPECT_FALSE(field.isSurfaceCell(3, 3, 3, 0.6f));  // wholly inside
    EXPECT_FALSE(field.isSurfaceCell(7, 7, 7, 0.6f));  // wholly outside
    EXPECT_FALSE(field.isSurfaceCell(5, 5, 5, 0.6f));  // only the point at the level
    EXPECT_TRUE(field.isSurfaceCell(2, 2, 2, 0.6f));   // one corner of eight above
    EXPECT_TRUE(field.isSurfaceCell(4, 4, 4, 0.6f));   // seven of eight above
    // Cells 2..5 on each axis touch the block; of them the seven of 3..4 whose corners are all
    // above, and (5, 5, 5), are not surface cells.
    EXPECT_EQ(surface, 4 * 4 * 4 - 7 - 1);
    ASSERT_EQ(log.numbers.size(), static_cast<size_t>(surface));
    for (size_t n = 0; n < log.numbers.size(); ++n) EXPECT_EQ(log.numbers[n], static_cast<int>(n) + 1);
}

TEST(MetaCube_FX, MaterialsAreAddedOnceAndTakenIdsAreKept) {
    MaterialLibrary library(1000);
    library.add(new Material(512, ColorRGB(0, 0, 1)));
    MetaCube_FX meta(&library), second(&library), withoutLibrary(nullptr);
    EXPECT_EQ(library.loadedCount(), 6);
    int status = 0;
    EXPECT_FLOAT_EQ(library.find(513, &status)->getColour().z, 0.8f);
    EXPECT_EQ(library.find(512, &status)->getColour().pack(), 0x0000FF);
}

TEST(MetaCube_FX, LoadConfiguresAndSaveMirrorsIt) {
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    const std::vector<uint8_t> bytes = records::metaBytes(Vector3(1, 2, 3), 10);
    ASSERT_EQ(records::loadFrom(meta, bytes, &library), "");
    EXPECT_EQ(meta.sizes().x, 10.0f);  // after the vectors 1 .. 9
    EXPECT_EQ(meta.sizes().y, 5.0f);
    EXPECT_EQ(meta.sizes().z, 20.0f);
    EXPECT_EQ(meta.field()->grid().count(), 8000);
    EXPECT_EQ(meta.field()->ballCount(), 1);  // the first ball starts at once
    ASSERT_NE(meta.cube(), nullptr);
    EXPECT_EQ(meta.field()->cube, meta.cube());
    EXPECT_EQ(meta.getChildCount(), 0);  // the cube is not part of the scene graph
    EXPECT_EQ(records::savedBytes(meta, &library), bytes);
}

TEST(MetaCube_FX, CubeOfGridPoint10IsCentredAtTheOffset) {
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    ASSERT_EQ(records::loadFrom(meta, records::metaBytes(Vector3(1, 2, 3), 10), &library), "");
    meta.configure(10, 10, 10);
    meta.field()->grid().set(10, 10, 10, 1.0f);  // the eight cells around this point cross the surface
    RecordingRenderDevice device;
    device.setMaterialLibrary(&library);
    meta.field()->drawCells(&device);
    EXPECT_EQ(device.facesDrawn(), 8 * 6);
    EXPECT_FLOAT_EQ(device.getAlpha(), 1.0f);  // 0.7 while drawing only
    // The first cube drawn is the cell of grid point (10, 10, 10): faces 510 and 511 hold its
    // +z and -z sides, so their vertices are its eight corners.
    std::vector<Vector3> corners;
    for (const RenderRecord& rec : device.records()) {
        if (rec.kind != RecordKind::Face || corners.size() == 8) continue;
        EXPECT_EQ(rec.material, 510 + static_cast<int>(corners.size()) / 4);
        EXPECT_FLOAT_EQ(rec.alpha, 0.7f);
        for (const Vector3& v : device.vertices(rec)) corners.push_back(v);
    }
    ASSERT_EQ(corners.size(), 8u);
    Vector3 centre(0, 0, 0);
    for (const Vector3& v : corners) centre.add(v * 0.125f);
    EXPECT_NEAR(centre.x, 1 + 4.95f, 1e-4f);
    EXPECT_NEAR(centre.y, 2 + 4.99f, 1e-4f);
    EXPECT_NEAR(centre.z, 3 - 1.0f, 1e-4f);
    const auto [left, right] =
        std::minmax_element(corners.begin(), corners.end(), [](auto& a, auto& b) { return a.x < b.x; });
    EXPECT_NEAR(right->x - left->x, 0.5f, 1e-5f);  // one cell wide
}

TEST(MetaCube_FX, NodesShareTheSpawnCounter) {
    resetMetaSpawnCounter();
    MaterialLibrary library(1000);
    MetaCube_FX a(&library), b(&library);
    ASSERT_EQ(records::loadFrom(a, records::metaBytes(Vector3(0, 0, 0), 10), &library), "");
    ASSERT_EQ(records::loadFrom(b, records::metaBytes(Vector3(0, 0, 0), 10), &library), "");
    NullRenderDevice device;
    device.setMaterialLibrary(&library);
    for (int frame = 0; frame < 10; ++frame) {
        a.draw(&device, 640, 480, true);
        b.draw(&device, 640, 480, true);
    }
    // Twenty draws together: one new ball, for the node whose draw reached the count.
    EXPECT_EQ(a.field()->ballCount(), 1);
    EXPECT_EQ(b.field()->ballCount(), 2);
    EXPECT_EQ(metaSpawnCounter(), 0);
    resetMetaSpawnCounter();
}

}  // namespace
