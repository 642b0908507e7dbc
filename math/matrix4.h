// Matrix4: 4x4 transform, element (r, c) at m[4r + c], translation in m[12..14]; points are
// row vectors multiplied on the left, and A * B applies A first. Handed to OpenGL unchanged.
#pragma once

#include "math/plane.h"
#include "math/quaternion.h"
#include "math/vector3.h"

struct Matrix4 {
    float m[16];

    // Elements are left unset; call setIdentity or assign.
    Matrix4() = default;

    // 16 floats in memory order.
    void load(PackReader& reader);
    void save(PackWriter& writer) const;

    void setIdentity();
    void setZero();
    bool equals(const Matrix4& o) const;
    bool isIdentity() const;
    static Matrix4 identity() {
        Matrix4 r;
        r.setIdentity();
        return r;
    }

    // this * b over all 16 elements.
    Matrix4 multiplyMatrix(const Matrix4& b) const;
    // Product restricted to rows and columns 0..2, written into result's 9 elements only.
    void multiply3x3(const Matrix4& b, Matrix4& result) const;
    Vector3 getColumn3(int i) const;
    Plane getColumn4(int i) const;
    void setColumn4(int i, const Plane& v);
    void setScaleDiagonal(const Vector3& s);
    void setTranslation(const Vector3& t);
    void setRotationX(float a);
    void setRotationY(float a);
    void setRotationZ(float a);
    // Whole matrix := Rx(a.x) * Ry(a.y) * Rz(a.z).
    void setRotationEuler(const Vector3& a);
    // Axis assumed unit length.
    void setRotationAxisAngle(const Vector3& axis, float angle);
    // Writes the nine rotation elements only, with the stored-data sign convention.
    void setRotationQuaternion(const Quaternion& q);
    // Transposes the 3x3 part and clears the translation; keeps the right column.
    void transposeRotation();
    // Angles (x, y, z) such that setRotationEuler reproduces the rotation part.
    Vector3 getEulerAngles() const;
    // In-place Gauss-Jordan inverse; false (matrix untouched) on a zero pivot.
    bool invert();
};
