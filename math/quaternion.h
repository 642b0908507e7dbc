// Quaternion (x, y, z, w). Plain value; the node default is (0, 0, 0, 1).
#pragma once

class PackReader;
class PackWriter;

struct Quaternion {
    float x, y, z, w;

    Quaternion() = default;
    Quaternion(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

    void set(float x_, float y_, float z_, float w_);
    // Four 4-byte floats in field order.
    void load(PackReader& reader);
    void save(PackWriter& writer) const;

    // Spherical interpolation in double precision along the short arc; a linear blend
    // (not renormalised) when 1 - cos <= 0.001f.
    static Quaternion slerp(const Quaternion& q1, const Quaternion& q2, float t);
};
