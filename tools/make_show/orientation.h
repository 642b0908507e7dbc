// Orientations for the show's nodes in the stored quaternion convention: a node's rotation
// matrix is built from its quaternion (x, y, z, w) as the row-vector rotation of (x, -y, -z, w),
// and a camera looks along minus its rotated local y axis with its local z axis up.
#pragma once

#include "math/matrix4.h"
#include "math/quaternion.h"
#include "math/vector3.h"

// The stored quaternion whose rotation matrix is the rotation part of m (row-vector convention:
// row i is the image of axis i). m must be a proper rotation.
Quaternion quaternionFromMatrix(const Matrix4& m);
// A right-handed rotation by angle (radians) about a unit axis, as a stored quaternion.
Quaternion axisAngleQuaternion(const Vector3& axis, float angle);
// Rotation a followed by rotation b (as the node matrices compose: points turned by a first).
Quaternion composeRotations(const Quaternion& a, const Quaternion& b);
// The orientation of a camera at eye looking at target with the world's up close to up.
Quaternion cameraLookAt(const Vector3& eye, const Vector3& target, const Vector3& up = Vector3(0, 1, 0));
// The direction a camera with this orientation looks along, and its up direction.
Vector3 cameraForward(const Quaternion& q);
Vector3 cameraUp(const Quaternion& q);
