// Vector3: a point, direction, Euler angle triple or scale. Plain value, row-vector convention.
#pragma once

class PackReader;
class PackWriter;
struct Plane;
struct Matrix4;

struct Vector3 {
    float x, y, z;

    // Components are left unset, as for any plain value.
    Vector3() = default;
    Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    // In-place component-wise operations.
    void add(const Vector3& v);
    void subtract(const Vector3& v);
    void multiply(const Vector3& v);
    // Divides each component by v's; a component whose divisor is 0.0 is left unchanged.
    void divide(const Vector3& v);
    // Reads x, y, z as three 4-byte floats.
    void load(PackReader& reader);
    // Writes x, y, z with the writer's float write.
    void save(PackWriter& writer) const;

    void set(float x_, float y_, float z_);
    void setZero();

    Vector3 plus(const Vector3& v) const;
    Vector3 minus(const Vector3& v) const;
    Vector3 times(float s) const;
    // this * (1/s); an unchanged copy when s == 0.
    Vector3 over(float s) const;
    void scale(float s);
    // In place: each component *= 1/s; nothing when s == 0.
    void divideBy(float s);
    void negate();

    float length() const;
    // Scales to unit length unless the length is 0 or exactly 1.
    void normalize();
    // Scales to the given length; a zero vector stays zero.
    void setLength(float len);
    float dot(const Vector3& v) const;
    // this x v.
    Vector3 cross(const Vector3& v) const;
    float distanceTo(const Vector3& v) const;
    // Cosine of the angle to v; 0 when either vector has length 0.
    float cosAngleTo(const Vector3& v) const;
    // Angle to v in radians, 0 .. pi.
    float angleTo(const Vector3& v) const;
    // A copy of this vector with the length of v's projection on this direction.
    Vector3 projectOnto(const Vector3& v) const;
    bool differs(const Vector3& v) const;
    bool isZero() const;
    // 0 in front (> 1e-6), 2 on the plane (>= -1e-6), 1 behind.
    int classifyAgainst(const Plane& p) const;
    // In place, upper 3x3 of m only.
    void transformDirection(const Matrix4& m);
    // Returns this point transformed by m (no division by w).
    Vector3 transformPoint(const Matrix4& m) const;
    void transformPointInPlace(const Matrix4& m);
    // In place: rotated by setRotationEuler(angles).
    void rotateEuler(const Vector3& angles);
    // In place: rotated by angles about pivot.
    void rotateAbout(const Vector3& pivot, const Vector3& angles);

    Vector3 operator+(const Vector3& v) const { return plus(v); }
    Vector3 operator-(const Vector3& v) const { return minus(v); }
    Vector3 operator*(float s) const { return times(s); }
    Vector3 operator-() const { return Vector3(-x, -y, -z); }
};
