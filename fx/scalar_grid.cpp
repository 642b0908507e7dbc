// ScalarGrid: dense float grid with bounds-checked access.
#include "fx/scalar_grid.h"

#include <cstdint>

ScalarGrid::~ScalarGrid() { delete[] values_; }

bool ScalarGrid::init(int nx, int ny, int nz) {
    delete[] values_;
    values_ = nullptr;
    count_ = nx_ = ny_ = nz_ = nxy_ = 0;
    if (nx <= 0 || ny <= 0 || nz <= 0) return false;
    // Checked in two steps so that the product of three large dimensions cannot overflow.
    const int64_t plane = int64_t(nx) * ny;
    if (plane > kMaxScalarGridValues) return false;
    const int64_t total = plane * nz;
    if (total > kMaxScalarGridValues) return false;
    values_ = new float[total]();
    count_ = static_cast<int>(total);
    nx_ = nx;
    ny_ = ny;
    nz_ = nz;
    nxy_ = nx * ny;
    return true;
}
