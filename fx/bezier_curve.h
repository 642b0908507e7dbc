// Cubic Bezier segments and the piecewise curves that the wave surface interpolates its control
// points with. Curve control points are numbered 0 .. 3 x segmentCount; point 3c is shared by
// segments c-1 (as P3) and c (as P0).
#pragma once

#include "math/vector3.h"

class BezierSegment {
public:
    BezierSegment();

    // Virtual operations in slot order.

    // out = P0 (1-t)^3 + P1 3t(1-t)^2 + P2 3t^2(1-t) + P3 t^3.
    virtual void evaluate(Vector3& out, float t) const;
    // Copies Pi into out: 1; 0 (out untouched) when i is outside 0 .. 3.
    virtual int getControlPoint(int i, Vector3& out) const;
    // Address of Pi; null when i is outside 0 .. 3.
    virtual Vector3* controlPoint(int i);
    // Pi := v: 1; 0 when i is outside 0 .. 3.
    virtual int setControlPoint(int i, const Vector3& v);
    // Always 4.
    virtual int controlPointCount() const { return 4; }
    virtual int reserved5() { return 0; }
    virtual int reserved6() { return 0; }
    virtual ~BezierSegment() = default;

private:
    Vector3 points_[4];
};

class BezierCurve {
public:
    BezierCurve() = default;
    ~BezierCurve();
    BezierCurve(const BezierCurve&) = delete;
    BezierCurve& operator=(const BezierCurve&) = delete;

    // Replaces the segments by n new ones with every control point at (0, 0, 0); n <= 0 leaves
    // the curve empty.
    void init(int n);
    // Frees the segments; segmentCount becomes 0.
    void release();
    // The point at parameter x over the whole curve: segment trunc(segmentCount x) at the local
    // parameter that remains. x at or above 1 gives the last segment at 1, x at or below 0 (or
    // NaN) the first at 0; an empty curve gives (0, 0, 0).
    void evaluate(Vector3& out, float x) const;
    // Control point n (0 .. 3 x segmentCount); n past the end gives the last segment's P3,
    // a negative n or an empty curve (0, 0, 0).
    void getPoint(Vector3& out, int n) const;
    // Sets control point n to v (both neighbouring segments for a shared point). An inner point
    // (n mod 3 of 1 or 2) is stored at twice the height: v.y is doubled in the caller's vector
    // itself before it is stored. Points outside the curve are ignored.
    void setPoint(int n, Vector3& v);

    int segmentCount() const { return segmentCount_; }
    // Segment c; null outside 0 .. segmentCount-1.
    BezierSegment* segment(int c) { return (c >= 0 && c < segmentCount_) ? &segments_[c] : nullptr; }

private:
    int segmentCount_ = 0;
    BezierSegment* segments_ = nullptr;
};
