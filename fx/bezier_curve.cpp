// Cubic Bezier segments and piecewise curves.
#include "fx/bezier_curve.h"

BezierSegment::BezierSegment() {
    for (Vector3& p : points_) p.set(0, 0, 0);
}

void BezierSegment::evaluate(Vector3& out, float t) const {
    const float s = 1.0f - t;
    const float b0 = s * s * s;
    const float b1 = 3.0f * t * s * s;
    const float b2 = 3.0f * t * t * s;
    const float b3 = t * t * t;
    out.x = points_[0].x * b0 + points_[1].x * b1 + points_[2].x * b2 + points_[3].x * b3;
    out.y = points_[0].y * b0 + points_[1].y * b1 + points_[2].y * b2 + points_[3].y * b3;
    out.z = points_[0].z * b0 + points_[1].z * b1 + points_[2].z * b2 + points_[3].z * b3;
}

int BezierSegment::getControlPoint(int i, Vector3& out) const {
    if (i < 0 || i > 3) return 0;
    out = points_[i];
    return 1;
}

Vector3* BezierSegment::controlPoint(int i) { return (i < 0 || i > 3) ? nullptr : &points_[i]; }

int BezierSegment::setControlPoint(int i, const Vector3& v) {
    if (i < 0 || i > 3) return 0;
    points_[i] = v;
    return 1;
}

BezierCurve::~BezierCurve() { release(); }

void BezierCurve::init(int n) {
    release();
    if (n <= 0) return;
    segments_ = new BezierSegment[n];  // each segment starts with its points at the origin
    segmentCount_ = n;
}

void BezierCurve::release() {
    delete[] segments_;
    segments_ = nullptr;
    segmentCount_ = 0;
}

void BezierCurve::evaluate(Vector3& out, float x) const {
    if (segmentCount_ == 0) {
        out.set(0, 0, 0);
        return;
    }
    const float s = static_cast<float>(segmentCount_) * x;
    int c;
    float t;
    if (!(s > 0.0f)) {  // also NaN
        c = 0;
        t = 0.0f;
    } else if (s >= static_cast<float>(segmentCount_)) {
        // x = 1 (or rounding that lands on the end) stays on the last segment.
        c = segmentCount_ - 1;
        t = 1.0f;
    } else {
        c = static_cast<int>(s);
        t = s - static_cast<float>(c);
    }
    segments_[c].evaluate(out, t);
}

void BezierCurve::getPoint(Vector3& out, int n) const {
    out.set(0, 0, 0);
    if (segmentCount_ == 0 || n < 0) return;
    // Point n lies in segment n div 3 at local position n mod 3; past the end, the last P3.
    int c = n / 3;
    int d = n % 3;
    if (c >= segmentCount_) {
        c = segmentCount_ - 1;
        d = 3;
    }
    segments_[c].getControlPoint(d, out);
}

void BezierCurve::setPoint(int n, Vector3& v) {
    if (n < 0) return;
    const int c = n / 3;
    const int d = n % 3;
    if (d == 0) {
        if (c > 0 && c - 1 < segmentCount_) segments_[c - 1].setControlPoint(3, v);
        if (c < segmentCount_) segments_[c].setControlPoint(0, v);
    } else {
        v.y = v.y + v.y;
        if (c < segmentCount_) segments_[c].setControlPoint(d, v);
    }
}
