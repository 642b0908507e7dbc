// Plane: a*x + b*y + c*z + d = 0. Plain value.
#pragma once

#include "math/vector3.h"

struct Plane {
    float a, b, c, d;

    Plane() = default;
    Plane(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}

    void set(float a_, float b_, float c_, float d_);
    // Four 4-byte floats in field order.
    void load(PackReader& reader);
    void save(PackWriter& writer) const;

    // Plane through three points, normal (p2 - p1) x (p3 - p1), not normalised.
    void fromPoints(const Vector3& p1, const Vector3& p2, const Vector3& p3);
    void fromNormalAndPoint(const Vector3& n, const Vector3& p);
    // a, b, c from other; d = 0.
    void copyDirection(const Plane& other);
    Vector3 getNormal() const;
    // Scales a, b, c and d by 1/|n| unless |n| is 0.
    void normalize();
    // p moved along n onto the plane; (0,0,0) for a degenerate plane.
    Vector3 projectPoint(const Vector3& p) const;
    // v without its component along n.
    Vector3 tangentialPart(const Vector3& v) const;
    // The plane carried through m (normal not renormalised).
    void transformed(const Matrix4& m);
    // n.p + d evaluated in float.
    float evaluate(const Vector3& p) const;
    bool isBehind(const Vector3& p) const;
    bool isInFront(const Vector3& p) const;
};
