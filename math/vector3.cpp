// Vector3 operations: component arithmetic, lengths and angles, plane tests and matrix transforms.
#include "math/vector3.h"

#include <cmath>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/matrix4.h"
#include "math/plane.h"

void Vector3::add(const Vector3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
}

void Vector3::subtract(const Vector3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
}

void Vector3::multiply(const Vector3& v) {
    x *= v.x;
    y *= v.y;
    z *= v.z;
}

void Vector3::divide(const Vector3& v) {
    if (v.x != 0.0f) x = static_cast<float>((1.0 / v.x) * x);
    if (v.y != 0.0f) y = static_cast<float>((1.0 / v.y) * y);
    if (v.z != 0.0f) z = static_cast<float>((1.0 / v.z) * z);
}

void Vector3::load(PackReader& reader) {
    reader.readFloat(&x);
    reader.readFloat(&y);
    reader.readFloat(&z);
}

void Vector3::save(PackWriter& writer) const {
    writer.writeFloat(x);
    writer.writeFloat(y);
    writer.writeFloat(z);
}

void Vector3::set(float x_, float y_, float z_) {
    x = x_;
    y = y_;
    z = z_;
}

void Vector3::setZero() { x = y = z = 0.0f; }

Vector3 Vector3::plus(const Vector3& v) const { return Vector3(x + v.x, y + v.y, z + v.z); }

Vector3 Vector3::minus(const Vector3& v) const { return Vector3(x - v.x, y - v.y, z - v.z); }

Vector3 Vector3::times(float s) const { return Vector3(x * s, y * s, z * s); }

Vector3 Vector3::over(float s) const {
    if (s == 0.0f) return *this;
    const double k = 1.0 / s;
    return Vector3(static_cast<float>(x * k), static_cast<float>(y * k), static_cast<float>(z * k));
}

void Vector3::scale(float s) {
    x *= s;
    y *= s;
    z *= s;
}

void Vector3::divideBy(float s) {
    if (s == 0.0f) return;
    const double k = 1.0 / s;
    x = static_cast<float>(x * k);
    y = static_cast<float>(y * k);
    z = static_cast<float>(z * k);
}

void Vector3::negate() {
    x = -x;
    y = -y;
    z = -z;
}

namespace {
// Squared length and dot products in double: the results are stored back as float.
inline double dotD(const Vector3& a, const Vector3& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}
}  // namespace

float Vector3::length() const { return static_cast<float>(std::sqrt(dotD(*this, *this))); }

void Vector3::normalize() {
    const float l = length();
    if (l != 1.0f && l != 0.0f) scale(static_cast<float>(1.0 / l));
}

void Vector3::setLength(float len) {
    const float q = x * x + y * y + z * z;
    if (q != 0.0f) scale(static_cast<float>((1.0 / std::sqrt(static_cast<double>(q))) * len));
}

float Vector3::dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }

Vector3 Vector3::cross(const Vector3& v) const {
    return Vector3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
}

float Vector3::distanceTo(const Vector3& v) const { return minus(v).length(); }

float Vector3::cosAngleTo(const Vector3& v) const {
    const double p = std::sqrt(dotD(*this, *this)) * std::sqrt(dotD(v, v));
    if (p == 0.0) return 0.0f;
    return static_cast<float>(dotD(*this, v) * (1.0 / p));
}

float Vector3::angleTo(const Vector3& v) const {
    const float c = cosAngleTo(v);
    if (c >= 1.0f) return 0.0f;
    if (c > -1.0f) return static_cast<float>(std::acos(static_cast<double>(c)));
    return 3.1415927f;
}

Vector3 Vector3::projectOnto(const Vector3& v) const {
    Vector3 r = *this;
    r.setLength(v.length() * cosAngleTo(v));
    return r;
}

bool Vector3::differs(const Vector3& v) const { return x != v.x || y != v.y || z != v.z; }

bool Vector3::isZero() const { return x == 0.0f && y == 0.0f && z == 0.0f; }

int Vector3::classifyAgainst(const Plane& p) const {
    // Evaluated in double: the thresholds are the double constants +-1e-6, so a distance of
    // exactly 1e-6f (slightly below 1e-6) counts as on the plane.
    const double s = static_cast<double>(p.a) * x + static_cast<double>(p.b) * y +
                     static_cast<double>(p.c) * z + p.d;
    if (s > 1e-6) return 0;
    if (s >= -1e-6) return 2;
    return 1;
}

void Vector3::transformDirection(const Matrix4& m) {
    const float* e = m.m;
    const float nx = x * e[0] + y * e[4] + z * e[8];
    const float ny = x * e[1] + y * e[5] + z * e[9];
    const float nz = x * e[2] + y * e[6] + z * e[10];
    x = nx;
    y = ny;
    z = nz;
}

Vector3 Vector3::transformPoint(const Matrix4& m) const {
    const float* e = m.m;
    return Vector3(x * e[0] + y * e[4] + z * e[8] + e[12], x * e[1] + y * e[5] + z * e[9] + e[13],
                   x * e[2] + y * e[6] + z * e[10] + e[14]);
}

void Vector3::transformPointInPlace(const Matrix4& m) {
    const Vector3 r = transformPoint(m);
    x = r.x;
    y = r.y;
    z = r.z;
}

void Vector3::rotateEuler(const Vector3& angles) {
    Matrix4 r;
    r.setIdentity();
    r.setRotationEuler(angles);
    transformDirection(r);
}

void Vector3::rotateAbout(const Vector3& pivot, const Vector3& angles) {
    subtract(pivot);
    rotateEuler(angles);
    add(pivot);
}
