// MetaField: a few metaballs that rise, swell and shrink, the field they define (a sum of one
// linear bump per ball) sampled on a grid over the unit cube, and the surface cells of that
// field, handed one by one to a CellDrawer.
#pragma once

#include <cstdint>
#include <vector>

#include "fx/scalar_grid.h"
#include "math/vector3.h"

class CellDrawer;
class RenderDevice;
class StdMesh3D;

struct MetaBall {
    Vector3 start{0, 0, 0};
    Vector3 centre{0, 0, 0};
    // All three components equal; x is the radius.
    Vector3 size{0, 0, 0};
    // Frames lived.
    int age = 0;
    // Next ball in the field's list (newest first) or in its pool of spare balls.
    MetaBall* next = nullptr;

    // max(0, 1 - |p - centre| / radius); 0 for a ball without a positive radius.
    float contribution(const Vector3& p) const;
};

class MetaField {
public:
    // size (100, 100, 100), offset 0, threshold 0.5, lifetime 50, no grid, no balls.
    MetaField();
    // Frees the live and the spare balls.
    ~MetaField();
    MetaField(const MetaField&) = delete;
    MetaField& operator=(const MetaField&) = delete;

    // Stores the resolution and re-creates the grid.
    void setResolution(int nx, int ny, int nz);
    // n > 0: lifetime n frames and a radius phase of pi / n per frame; otherwise nothing.
    void setLifetime(int n);
    // A new ball (radius 0, age 0) at (0.9, 0, 0.5) in front of the list. Balls removed earlier
    // are reused, so spawning allocates only when more balls live than ever before.
    void spawnBall();
    // Makes sure at least n balls exist, live or spare, so that up to n live balls never
    // allocate while frames run.
    void reserveBalls(int n);
    // Moves and ages every ball; a ball that reaches the lifetime is removed, the others get
    // the radius 0.5 sin(age x angleStep).
    void updateBalls();
    // Unlinks the ball and keeps it as a spare; ignored when it is not in the list.
    void removeBall(MetaBall* ball);
    // Samples the sum of the balls' contributions at (i/nx, j/ny, k/nz) into the grid.
    void sample();
    // Hands every surface cell (1 .. n-1 on each axis) to the cell drawer, with the device's
    // alpha at 0.7 meanwhile (back to 1.0 after). Nothing without a cube or a cell drawer.
    void drawCells(RenderDevice* device);
    // sample, then drawCells.
    void render(RenderDevice* device);
    // True when, of the eight values at (i-1 or i, j-1 or j, k-1 or k), some are above level
    // and some are not.
    bool isSurfaceCell(int i, int j, int k, float level) const;

    // The newest live ball (the list runs through MetaBall::next); null when none.
    MetaBall* firstBall() { return balls_; }
    // Number of live balls.
    int ballCount() const;
    // The sampled values (written by sample).
    ScalarGrid& grid() { return grid_; }
    int lifetime() const { return lifetime_; }
    float angleStep() const { return angleStep_; }

    // Extent of the drawn volume in the owner's units.
    Vector3 size{100, 100, 100};
    // Shift of the drawn cells.
    Vector3 offset{0, 0, 0};
    // The surface level.
    float threshold = 0.5f;
    // Draws the surface cells (not owned).
    CellDrawer* cellDrawer = nullptr;
    // The mesh the cell drawer places (not owned); no cube, no drawing.
    StdMesh3D* cube = nullptr;

private:
    int nx_ = 0;
    int ny_ = 0;
    int nz_ = 0;
    int lifetime_ = 50;
    float angleStep_;
    ScalarGrid grid_;
    // drawCells' count of the corners above the level per k, for the current (i, j) column.
    std::vector<uint8_t> columnAbove_;
    MetaBall* balls_ = nullptr;
    MetaBall* spare_ = nullptr;
};
