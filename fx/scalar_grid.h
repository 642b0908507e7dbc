// ScalarGrid: a dense nx x ny x nz grid of floats; reads outside give 0, writes outside are
// ignored.
#pragma once

// Largest number of values a grid accepts.
constexpr int kMaxScalarGridValues = 1 << 24;

class ScalarGrid {
public:
    ScalarGrid() = default;
    ~ScalarGrid();
    ScalarGrid(const ScalarGrid&) = delete;
    ScalarGrid& operator=(const ScalarGrid&) = delete;

    // Frees the old values and allocates nx x ny x nz zeros. A non-positive dimension, or more
    // than kMaxScalarGridValues values, leaves the grid empty and returns false.
    bool init(int nx, int ny, int nz);
    // Value (i, j, k); 0 outside the grid.
    float get(int i, int j, int k) const {
        return inside(i, j, k) ? values_[i + j * nx_ + k * nxy_] : 0.0f;
    }
    // Sets value (i, j, k); ignored outside the grid.
    void set(int i, int j, int k, float v) {
        if (inside(i, j, k)) values_[i + j * nx_ + k * nxy_] = v;
    }
    int count() const { return count_; }
    int nx() const { return nx_; }
    int ny() const { return ny_; }
    int nz() const { return nz_; }

private:
    bool inside(int i, int j, int k) const {
        return i >= 0 && i < nx_ && j >= 0 && j < ny_ && k >= 0 && k < nz_;
    }

    float* values_ = nullptr;
    int count_ = 0;
    int nx_ = 0;
    int ny_ = 0;
    int nz_ = 0;
    int nxy_ = 0;
};
