// The metaball field: grid access, ball life, sampling and surface cells.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/quiet_device.h"
#include "fx/cell_drawer.h"
#include "fx/meta_field.h"
#include "fx/scalar_grid.h"
#include "mesh/std_mesh3d.h"

namespace {

constexpr float kPi = 3.1415927f;

struct CellLog : CellDrawer {
    void drawCell(RenderDevice* device, const Vector3& position, const Vector3& halfSize, int number) override {
        positions.push_back(position);
        half = halfSize;
        numbers.push_back(number);
        alphaSeen = device ? device->getAlpha() : -1.0f;
    }
    std::vector<Vector3> positions;
    std::vector<int> numbers;
    Vector3 half{0, 0, 0};
    float alphaSeen = 0;
};

TEST(ScalarGrid, ReadsOutsideGiveZeroAndWritesOutsideAreIgnored) {
    ScalarGrid g;
    ASSERT_TRUE(g.init(3, 4, 5));
    EXPECT_EQ(g.count(), 60);
    g.set(2, 3, 4, 1.5f);
    g.set(3, 0, 0, 9.0f);
    g.set(0, -1, 0, 9.0f);
    g.set(0, 0, 5, 9.0f);
    EXPECT_EQ(g.get(2, 3, 4), 1.5f);
    EXPECT_EQ(g.get(3, 0, 0), 0.0f);
    EXPECT_EQ(g.get(-1, 0, 0), 0.0f);
    EXPECT_EQ(g.get(0, 0, 0), 0.0f);
    EXPECT_FALSE(g.init(0, 4, 5));
    EXPECT_FALSE(g.init(100000, 100000, 100000));
    EXPECT_EQ(g.count(), 0);
    EXPECT_EQ(g.get(0, 0, 0), 0.0f);
}

TEST(MetaField, NewBallAddsNothingAndGrowsOnItsFirstUpdate) {
    MetaField f;
    f.setResolution(10, 10, 10);
    f.spawnBall();
    f.sample();
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            for (int k = 0; k < 10; ++k) ASSERT_EQ(f.grid().get(i, j, k), 0.0f);
    f.updateBalls();
    MetaBall* b = f.firstBall();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->age, 1);
    EXPECT_FLOAT_EQ(b->size.x, 0.5f * std::sin(kPi / 50.0f));
    EXPECT_FLOAT_EQ(b->size.z, b->size.x);
    // The move uses the age before the update: still at the start.
    EXPECT_FLOAT_EQ(b->centre.x, 0.9f);
    EXPECT_FLOAT_EQ(b->centre.y, 0.0f);
    f.updateBalls();
    EXPECT_FLOAT_EQ(b->centre.x, 0.9f - 1.0f / 50.0f);
    EXPECT_FLOAT_EQ(b->centre.y, std::sqrt(1.0f / 50.0f));
    EXPECT_FLOAT_EQ(b->centre.z, 0.5f);
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
    EXPECT_EQ(f.ballCount(), 0);
    f.spawnBall();  // the removed ball comes back from the pool, as new
    EXPECT_EQ(f.firstBall(), first);
    EXPECT_EQ(first->age, 0);
    EXPECT_EQ(first->size.x, 0.0f);

    f.setLifetime(0);  // ignored
    EXPECT_EQ(f.lifetime(), 50);
    f.setLifetime(4);
    EXPECT_FLOAT_EQ(f.angleStep(), kPi / 4.0f);
}

TEST(MetaField, SurfaceCellsHaveValuesOnBothSides) {
    MetaField f;
    f.setResolution(4, 4, 4);
    EXPECT_FALSE(f.isSurfaceCell(2, 2, 2, 0.6f));  // all at or below
    f.grid().set(1, 1, 1, 1.0f);
    EXPECT_TRUE(f.isSurfaceCell(2, 2, 2, 0.6f));
    EXPECT_TRUE(f.isSurfaceCell(1, 1, 1, 0.6f));  // reads outside the grid count as 0
    EXPECT_FALSE(f.isSurfaceCell(3, 3, 3, 0.6f));
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j)
            for (int k = 1; k <= 2; ++k) f.grid().set(i, j, k, 0.9f);
    EXPECT_FALSE(f.isSurfaceCell(2, 2, 2, 0.6f));  // all above
    EXPECT_FALSE(f.isSurfaceCell(2, 2, 2, 0.9f));  // equal is not above
}

TEST(MetaField, DrawCellsCentresEachCubeOnItsGridPointAtAlpha07) {
    MetaField f;
    CellLog log;
    QuietDevice device;
    f.setResolution(20, 20, 20);
    f.size.set(10, 10, 10);
    f.offset.set(4.95f, 4.99f, -1.0f);
    f.threshold = 0.6f;
    f.drawCells(&device);
    EXPECT_EQ(device.alphaChanges, 0);  // no cube: nothing at all
    StdMesh3D cube;  // the field only needs one to draw; the cell drawer places it
    f.cube = &cube;
    f.cellDrawer = &log;
    f.grid().set(10, 10, 10, 1.0f);
    f.drawCells(&device);
    // The eight cells around grid point (10, 10, 10); the first is the cell of that point.
    ASSERT_EQ(log.positions.size(), 8u);
    EXPECT_EQ(log.numbers.front(), 1);
    EXPECT_EQ(log.numbers.back(), 8);
    EXPECT_NEAR(log.positions[0].x, 4.95f, 1e-5f);
    EXPECT_NEAR(log.positions[0].y, 4.99f, 1e-5f);
    EXPECT_NEAR(log.positions[0].z, -1.0f, 1e-5f);
    EXPECT_NEAR(log.positions[7].x, 5.45f, 1e-5f);
    EXPECT_FLOAT_EQ(log.half.x, 0.25f);
    EXPECT_FLOAT_EQ(log.alphaSeen, 0.7f);
    EXPECT_FLOAT_EQ(device.alpha, 1.0f);
    EXPECT_EQ(device.alphaChanges, 2);
}

TEST(MetaField, SampleSumsBallsOverTheUnitCube) {
    MetaField f;
    f.setResolution(20, 20, 20);
    f.spawnBall();
    MetaBall* a = f.firstBall();
    f.spawnBall();
    MetaBall* b = f.firstBall();
    a->centre.set(0.5f, 0.5f, 0.5f);
    a->size.set(0.2f, 0.2f, 0.2f);
    b->centre.set(0.5f, 0.5f, 0.5f);
    b->size.set(0.4f, 0.4f, 0.4f);
    f.sample();
    EXPECT_NEAR(f.grid().get(10, 10, 10), 2.0f, 1e-5f);
    EXPECT_NEAR(f.grid().get(12, 10, 10), (1 - 0.1f / 0.2f) + (1 - 0.1f / 0.4f), 1e-5f);
    EXPECT_NEAR(f.grid().get(14, 10, 10), 0.5f, 1e-5f);   // at the smaller ball's radius
    EXPECT_NEAR(f.grid().get(16, 10, 10), 0.25f, 1e-5f);  // only the larger ball reaches
    EXPECT_EQ(f.grid().get(0, 0, 0), 0.0f);
}

}  // namespace
