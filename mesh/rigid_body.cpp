// Rigid bodies: mass, rest test, bounding spheres and the world-space hulls of boxes and planes.
#include "mesh/rigid_body.h"

#include <algorithm>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/node3d.h"

namespace {
// Bounding radius of a cube per unit of half size (stored in double precision).
constexpr double kSqrt2 = 1.41421356;
// A body that moved less than this since its rest period began counts as at rest.
constexpr float kRestDistance = 0.0001f;
}  // namespace

void BoundingSphere::load(PackReader& reader) {
    reader.readFloat(&radius);
    centre.load(reader);
}

void BoundingSphere::save(PackWriter& writer) const {
    writer.writeFloat(radius);
    centre.save(writer);
}

RigidBody::RigidBody(Node3D* node) : node_(node) {}

void RigidBody::setMass(float m) { mass_ = (m == 0.0f) ? 1.0f : m; }

void RigidBody::markMoved() { state_ &= static_cast<uint8_t>(~(kBoundingSphereValid | kHullValid)); }

void RigidBody::updateHull() { state_ |= kHullValid; }

void RigidBody::updateBoundingSphere() {
    if (state_ & kBoundingSphereValid) return;
    if (node_) boundingSphere_.centre = node_->getWorldPosition();
    state_ |= kBoundingSphereValid;
}

bool RigidBody::restTest(const Vector3& p) {
    if (!restPositionSet_ || p.distanceTo(restPosition_) >= kRestDistance) {
        restCount_ = 0;
        restPosition_ = p;
        restPositionSet_ = true;
        return false;
    }
    ++restCount_;
    return restCount_ >= 2;
}

CubeBody::CubeBody(Node3D* node) : RigidBody(node) {
    shapeType_ = kShapeBox;
    state_ |= kHasBoundingSphere;
    boundingSphere_.radius = static_cast<float>(halfSize_ * kSqrt2);
}

void CubeBody::setSize(float s) {
    halfSize_ = s;
    boundingSphere_.radius = static_cast<float>(s * kSqrt2);
}

void CubeBody::computeHull(float hx, float hy, float hz) {
    boundingSphere_.centre = node_->getWorldPosition();
    const Matrix4 world = node_->getWorldMatrix();
    const Vector3 local[8] = {
        {-hx, -hy, -hz}, {hx, -hy, -hz}, {hx, -hy, hz}, {-hx, -hy, hz},
        {-hx, hy, -hz},  {hx, hy, -hz},  {hx, hy, hz},  {-hx, hy, hz},
    };
    for (int i = 0; i < 8; ++i) corners_[i] = local[i].transformPoint(world);
    // Outward faces: top, bottom, -z, +z, -x, +x.
    static constexpr int kFaces[6][3] = {{4, 6, 5}, {0, 1, 2}, {0, 5, 1}, {3, 2, 6}, {3, 4, 0}, {2, 1, 5}};
    for (int f = 0; f < 6; ++f)
        facePlanes_[f].fromPoints(corners_[kFaces[f][0]], corners_[kFaces[f][1]], corners_[kFaces[f][2]]);
}

void CubeBody::updateHull() {
    if (state_ & kHullValid) return;
    state_ |= kHullValid;
    if (!node_) return;
    computeHull(halfSize_, halfSize_, halfSize_);
    boundingSphere_.radius = boundingSphere_.centre.distanceTo(corners_[0]);
}

BoxBody::BoxBody(Node3D* node) : CubeBody(node) {
    setExtents(10.0f, 20.0f, 30.0f);
}

void BoxBody::setExtents(float x, float y, float z) {
    halfSize_ = x;
    halfExtentY_ = y;
    halfExtentZ_ = z;
    minHalfExtent_ = std::min(x, std::min(y, z));
    boundingSphere_.radius = Vector3(x, y, z).length();
}

void BoxBody::updateHull() {
    if (state_ & kHullValid) return;
    state_ |= kHullValid;
    if (!node_) return;
    computeHull(halfSize_, halfExtentY_, halfExtentZ_);
}

PlaneBody::PlaneBody(Node3D* node) : RigidBody(node) { shapeType_ = kShapePlane; }

void PlaneBody::setPlane(const Plane& plane) {
    localPlane_ = plane;
    worldPlane_ = plane;
    planeComputed_ = false;
}

void PlaneBody::updateHull() {
    if (!node_) {
        // A plane without a node stays where its record put it.
        worldPlane_ = localPlane_;
        return;
    }
    const Matrix4 world = node_->getWorldMatrix();
    if (planeComputed_ && world.equals(planeMatrix_)) return;
    planeMatrix_ = world;
    planeComputed_ = true;
    worldPlane_ = localPlane_;
    worldPlane_.transformed(world);
}
