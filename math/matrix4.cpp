// Matrix4: row-vector 4x4 transforms, rotation builders, Euler extraction and the general inverse.
#include "math/matrix4.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

void Matrix4::load(PackReader& reader) {
    for (float& e : m) reader.readFloat(&e);
}

void Matrix4::save(PackWriter& writer) const {
    for (float e : m) writer.writeFloat(e);
}

void Matrix4::setIdentity() {
    setZero();
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void Matrix4::setZero() {
    for (float& e : m) e = 0.0f;
}

bool Matrix4::equals(const Matrix4& o) const {
    for (int i = 0; i < 16; ++i)
        if (m[i] != o.m[i]) return false;
    return true;
}

bool Matrix4::isIdentity() const {
    for (int i = 0; i < 16; ++i) {
        const float expected = (i % 5 == 0) ? 1.0f : 0.0f;
        if (m[i] != expected) return false;
    }
    return true;
}

Matrix4 Matrix4::multiplyMatrix(const Matrix4& b) const {
    Matrix4 r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            r.m[row * 4 + col] = m[row * 4 + 0] * b.m[0 * 4 + col] + m[row * 4 + 1] * b.m[1 * 4 + col] +
                                 m[row * 4 + 2] * b.m[2 * 4 + col] + m[row * 4 + 3] * b.m[3 * 4 + col];
    return r;
}

void Matrix4::multiply3x3(const Matrix4& b, Matrix4& result) const {
    float out[9];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            out[row * 3 + col] = m[row * 4 + 0] * b.m[0 * 4 + col] + m[row * 4 + 1] * b.m[1 * 4 + col] +
                                 m[row * 4 + 2] * b.m[2 * 4 + col];
    // Computed first so that result may alias this or b.
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) result.m[row * 4 + col] = out[row * 3 + col];
}

Vector3 Matrix4::getColumn3(int i) const { return Vector3(m[i], m[i + 4], m[i + 8]); }

Plane Matrix4::getColumn4(int i) const { return Plane(m[i], m[i + 4], m[i + 8], m[i + 12]); }

void Matrix4::setColumn4(int i, const Plane& v) {
    m[i] = v.a;
    m[i + 4] = v.b;
    m[i + 8] = v.c;
    m[i + 12] = v.d;
}

void Matrix4::setScaleDiagonal(const Vector3& s) {
    m[0] = s.x;
    m[5] = s.y;
    m[10] = s.z;
}

void Matrix4::setTranslation(const Vector3& t) {
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
}

void Matrix4::setRotationX(float a) {
    const float c = static_cast<float>(std::cos(static_cast<double>(a)));
    const float s = static_cast<float>(std::sin(static_cast<double>(a)));
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
}

void Matrix4::setRotationY(float a) {
    const float c = static_cast<float>(std::cos(static_cast<double>(a)));
    const float s = static_cast<float>(std::sin(static_cast<double>(a)));
    m[0] = c;
    m[2] = -s;
    m[8] = s;
    m[10] = c;
}

void Matrix4::setRotationZ(float a) {
    const float c = static_cast<float>(std::cos(static_cast<double>(a)));
    const float s = static_cast<float>(std::sin(static_cast<double>(a)));
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
}

void Matrix4::setRotationEuler(const Vector3& a) {
    Matrix4 rx = identity();
    rx.setRotationX(a.x);
    Matrix4 ry = identity();
    ry.setRotationY(a.y);
    Matrix4 rz = identity();
    rz.setRotationZ(a.z);
    *this = rx.multiplyMatrix(ry).multiplyMatrix(rz);
}

void Matrix4::setRotationAxisAngle(const Vector3& axis, float angle) {
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const float t = static_cast<float>(1.0 - c);
    const float x = axis.x, y = axis.y, z = axis.z;
    m[0] = c + t * x * x;
    m[1] = s * z + t * x * y;
    m[2] = t * x * z - s * y;
    m[3] = 0.0f;
    m[4] = t * x * y - s * z;
    m[5] = c + t * y * y;
    m[6] = s * x + t * y * z;
    m[7] = 0.0f;
    m[8] = s * y + t * x * z;
    m[9] = t * y * z - s * x;
    m[10] = c + t * z * z;
    m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void Matrix4::setRotationQuaternion(const Quaternion& q) {
    // Products in single precision, the constants 1 and 2 in double; the signs are those of the
    // stored orientations (the row-vector rotation of (x, -y, -z, w)).
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    m[0] = static_cast<float>(1.0 - 2.0 * (y * y) - 2.0 * (z * z));
    m[1] = static_cast<float>(-2.0 * (x * y + w * z));
    m[2] = static_cast<float>(2.0 * (w * y - x * z));
    m[4] = static_cast<float>(2.0 * (w * z - x * y));
    m[5] = static_cast<float>(1.0 - 2.0 * (x * x) - 2.0 * (z * z));
    m[6] = static_cast<float>(2.0 * (w * x + y * z));
    m[8] = static_cast<float>(-2.0 * (x * z + w * y));
    m[9] = static_cast<float>(2.0 * (y * z - w * x));
    m[10] = static_cast<float>(1.0 - 2.0 * (x * x) - 2.0 * (y * y));
}

void Matrix4::transposeRotation() {
    Matrix4 t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.m[r * 4 + c] = m[c * 4 + r];
    t.m[3] = m[3];
    t.m[7] = m[7];
    t.m[11] = m[11];
    t.m[15] = m[15];
    *this = t;
}

Vector3 Matrix4::getEulerAngles() const {
    const double s = -static_cast<double>(m[2]);
    const double q = 1.0 - s * s;
    const auto gimbal = [this]() {
        return Vector3(static_cast<float>(std::atan2(-static_cast<double>(m[9]), static_cast<double>(m[5]))),
                       -1.5707964f, 0.0f);
    };
    if (q <= 0.0) return gimbal();
    double c = std::sqrt(q);
    if (m[0] < 0.0f && m[10] < 0.0f) c = -c;
    if (c == 0.0) return gimbal();
    const double k = 1.0 / c;
    return Vector3(static_cast<float>(std::atan2(m[6] * k, m[10] * k)), static_cast<float>(std::atan2(s, c)),
                   static_cast<float>(std::atan2(m[1] * k, m[0] * k)));
}

bool Matrix4::invert() {
    float wtmp[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) wtmp[i][j] = m[4 * i + j];
        for (int j = 0; j < 4; ++j) wtmp[i][4 + j] = (i == j) ? 1.0f : 0.0f;
    }
    float* r0 = wtmp[0];
    float* r1 = wtmp[1];
    float* r2 = wtmp[2];
    float* r3 = wtmp[3];
    float m0, m1, m2, m3, s;

    // Column 0: pivot (bottom-up, strictly greater), then eliminate.
    if (std::fabs(r3[0]) > std::fabs(r2[0])) std::swap(r3, r2);
    if (std::fabs(r2[0]) > std::fabs(r1[0])) std::swap(r2, r1);
    if (std::fabs(r1[0]) > std::fabs(r0[0])) std::swap(r1, r0);
    if (r0[0] == 0.0f) return false;
    m1 = r1[0] / r0[0];
    m2 = r2[0] / r0[0];
    m3 = r3[0] / r0[0];
    for (int j = 1; j < 4; ++j) {
        s = r0[j];
        r1[j] -= m1 * s;
        r2[j] -= m2 * s;
        r3[j] -= m3 * s;
    }
    for (int j = 4; j < 8; ++j) {
        s = r0[j];
        if (s != 0.0f) {
            r1[j] -= m1 * s;
            r2[j] -= m2 * s;
            r3[j] -= m3 * s;
        }
    }

    // Column 1.
    if (std::fabs(r3[1]) > std::fabs(r2[1])) std::swap(r3, r2);
    if (std::fabs(r2[1]) > std::fabs(r1[1])) std::swap(r2, r1);
    if (r1[1] == 0.0f) return false;
    m2 = r2[1] / r1[1];
    m3 = r3[1] / r1[1];
    for (int j = 2; j < 4; ++j) {
        r2[j] -= m2 * r1[j];
        r3[j] -= m3 * r1[j];
    }
    for (int j = 4; j < 8; ++j) {
        s = r1[j];
        if (s != 0.0f) {
            r2[j] -= m2 * s;
            r3[j] -= m3 * s;
        }
    }

    // Column 2.
    if (std::fabs(r3[2]) > std::fabs(r2[2])) std::swap(r3, r2);
    if (r2[2] == 0.0f) return false;
    m3 = r3[2] / r2[2];
    for (int j = 3; j < 8; ++j) r3[j] -= m3 * r2[j];

    if (r3[3] == 0.0f) return false;

    // Back substitution.
    s = 1.0f / r3[3];
    for (int j = 4; j < 8; ++j) r3[j] *= s;

    m2 = r2[3];
    s = 1.0f / r2[2];
    for (int j = 4; j < 8; ++j) r2[j] = s * (r2[j] - r3[j] * m2);
    m1 = r1[3];
    for (int j = 4; j < 8; ++j) r1[j] -= r3[j] * m1;
    m0 = r0[3];
    for (int j = 4; j < 8; ++j) r0[j] -= r3[j] * m0;

    m1 = r1[2];
    s = 1.0f / r1[1];
    for (int j = 4; j < 8; ++j) r1[j] = s * (r1[j] - r2[j] * m1);
    m0 = r0[2];
    for (int j = 4; j < 8; ++j) r0[j] -= r2[j] * m0;

    m0 = r0[1];
    s = 1.0f / r0[0];
    for (int j = 4; j < 8; ++j) r0[j] = s * (r0[j] - r1[j] * m0);

    const float* rows[4] = {r0, r1, r2, r3};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[4 * i + j] = rows[i][4 + j];
    return true;
}
