// Conversions between rotation matrices and stored quaternions.
#include "tools/make_show/orientation.h"

#include <cmath>

Quaternion quaternionFromMatrix(const Matrix4& r) {
    // Standard quaternion of the column-vector matrix C = R transposed (C[i][j] = r.m[4j + i]).
    auto c = [&](int i, int j) { return static_cast<double>(r.m[4 * j + i]); };
    double w, x, y, z;
    double trace = c(0, 0) + c(1, 1) + c(2, 2);
    if (trace > 0) {
        double s = std::sqrt(trace + 1.0) * 2;
        w = 0.25 * s;
        x = (c(2, 1) - c(1, 2)) / s;
        y = (c(0, 2) - c(2, 0)) / s;
        z = (c(1, 0) - c(0, 1)) / s;
    } else if (c(0, 0) > c(1, 1) && c(0, 0) > c(2, 2)) {
        double s = std::sqrt(1.0 + c(0, 0) - c(1, 1) - c(2, 2)) * 2;
        w = (c(2, 1) - c(1, 2)) / s;
        x = 0.25 * s;
        y = (c(0, 1) + c(1, 0)) / s;
        z = (c(0, 2) + c(2, 0)) / s;
    } else if (c(1, 1) > c(2, 2)) {
        double s = std::sqrt(1.0 + c(1, 1) - c(0, 0) - c(2, 2)) * 2;
        w = (c(0, 2) - c(2, 0)) / s;
        x = (c(0, 1) + c(1, 0)) / s;
        y = 0.25 * s;
        z = (c(1, 2) + c(2, 1)) / s;
    } else {
        double s = std::sqrt(1.0 + c(2, 2) - c(0, 0) - c(1, 1)) * 2;
        w = (c(1, 0) - c(0, 1)) / s;
        x = (c(0, 2) + c(2, 0)) / s;
        y = (c(1, 2) + c(2, 1)) / s;
        z = 0.25 * s;
    }
    if (w < 0) {
        w = -w;
        x = -x;
        y = -y;
        z = -z;
    }
    // The stored convention flips the signs of y and z.
    return Quaternion(static_cast<float>(x), static_cast<float>(-y), static_cast<float>(-z), static_cast<float>(w));
}

Quaternion axisAngleQuaternion(const Vector3& axis, float angle) {
    Matrix4 m = Matrix4::identity();
    m.setRotationAxisAngle(axis, angle);
    return quaternionFromMatrix(m);
}

Quaternion composeRotations(const Quaternion& a, const Quaternion& b) {
    Matrix4 ma = Matrix4::identity();
    ma.setRotationQuaternion(a);
    Matrix4 mb = Matrix4::identity();
    mb.setRotationQuaternion(b);
    return quaternionFromMatrix(ma.multiplyMatrix(mb));
}

Quaternion cameraLookAt(const Vector3& eye, const Vector3& target, const Vector3& up) {
    Vector3 f = target - eye;
    f.normalize();
    Vector3 right = f.cross(up);
    right.normalize();
    Vector3 u = right.cross(f);
    u.normalize();
    // The device looks along -row1 with row2 up and -row0 to the right.
    Matrix4 m = Matrix4::identity();
    const Vector3 rows[3] = {-right, -f, u};
    for (int i = 0; i < 3; ++i) {
        m.m[4 * i] = rows[i].x;
        m.m[4 * i + 1] = rows[i].y;
        m.m[4 * i + 2] = rows[i].z;
    }
    return quaternionFromMatrix(m);
}

Vector3 cameraForward(const Quaternion& q) {
    Matrix4 m = Matrix4::identity();
    m.setRotationQuaternion(q);
    return Vector3(-m.m[4], -m.m[5], -m.m[6]);
}

Vector3 cameraUp(const Quaternion& q) {
    Matrix4 m = Matrix4::identity();
    m.setRotationQuaternion(q);
    return Vector3(m.m[8], m.m[9], m.m[10]);
}
