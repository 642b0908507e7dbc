// WaveField: the sea's height field. A grid of W x H control points whose heights oscillate as
// cosines of phases advancing with time, interpolated by crossing families of Bezier curves.
#pragma once

#include <cstdint>

#include "fx/bezier_curve.h"

// Most memory the control grid and the curves of one wave field may take (256 x 256 segments
// take 31 MB); a field that would take more is refused.
constexpr uint64_t kMaxWaveFieldBytes = 64ull << 20;

class WaveField {
public:
    WaveField() = default;
    ~WaveField();
    WaveField(const WaveField&) = delete;
    WaveField& operator=(const WaveField&) = delete;

    // Reseeds the shared random generator with 1 and builds a grid of (3a+1) x (3b+1) control
    // points with random phases; every odd-indexed point is half a turn behind the point before
    // it and moves at its speed. a and b must be at least 1 and the field must fit in
    // kMaxWaveFieldBytes: otherwise returns false and leaves the field empty (heightAt then gives
    // 0; the generator is not reseeded).
    bool init(int a, int b, float speed);
    // Bytes a field of a x b segments takes: four floats per control point and the control
    // points of both curve families.
    static uint64_t bytesFor(uint64_t a, uint64_t b);
    // Advances every phase to t x speed + basePhase, sets the heights to their cosines and
    // moves the control points.
    void setTime(float t);
    // Copies the current heights into the y of the control points of both curve families.
    void updateControlPoints();
    // The surface height at (u, v) in the unit square: the mean of the two interpolations
    // across the rows and across the columns around that point. u, v below 0 count as 0.
    float heightAt(float u, float v) const;

    // Control points along u (W) and v (H), and W x H.
    int width() const { return W_; }
    int height() const { return H_; }
    int count() const { return count_; }
    // The last time given to setTime.
    float time() const { return time_; }
    // Index of control point (j, k).
    int indexOf(int j, int k) const { return j * H_ + k; }
    // Per-point state by index (0 .. count-1): height, phase speed, phase, phase at time 0.
    float heightOf(int i) const { return heights_[i]; }
    float speedOf(int i) const { return speeds_[i]; }
    float phaseOf(int i) const { return phases_[i]; }
    float basePhaseOf(int i) const { return basePhases_[i]; }
    // Row k runs along u through points (0 .. W-1, k); column j along v through (j, 0 .. H-1).
    const BezierCurve& row(int k) const { return rowsU_[k]; }
    const BezierCurve& column(int j) const { return columnsV_[j]; }

private:
    void release();

    float* heights_ = nullptr;
    float* speeds_ = nullptr;
    float* phases_ = nullptr;
    float* basePhases_ = nullptr;
    float speed_ = 0;
    BezierCurve* rowsU_ = nullptr;
    BezierCurve* columnsV_ = nullptr;
    float time_ = 0;
    int W_ = 0;
    int H_ = 0;
    int count_ = 0;
    int a_ = 0;
    int b_ = 0;
};
