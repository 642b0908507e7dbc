// Rigid bodies of the physics world: the plain RigidBody (no shape), the box hulls CubeBody and
// BoxBody (eight world-space corners, six outward face planes and an inner sphere) and the
// infinite PlaneBody. A body drives one scene node, which the world moves and turns directly.
#pragma once

#include <cstdint>

#include "math/matrix4.h"
#include "math/plane.h"
#include "math/vector3.h"

class Node3D;
class PackReader;
class PackWriter;

// Shape type codes (1 and 3 are reserved and never produced).
enum BodyShape : int32_t {
    kShapeNone = 0,   // plain RigidBody
    kShapeBox = 2,    // CubeBody, BoxBody
    kShapePlane = 4,  // PlaneBody
};

// Body flags, set by whoever creates the body.
enum BodyFlag : uint8_t {
    kBodyFixed = 1,         // never moves; only collided against
    kBodyNotifyAtRest = 2,  // reported to the world's rest listener once at rest
};

// Body state bits, kept by the body.
enum BodyStateBit : uint8_t {
    kHasBoundingSphere = 1,
    kBoundingSphereValid = 2,
    kHullValid = 16,
};

// Bounding sphere of a body, in world space.
struct BoundingSphere {
    Vector3 centre{0, 0, 0};
    float radius = 0.0f;

    virtual ~BoundingSphere() = default;
    // Float radius, then the centre.
    virtual void load(PackReader& reader);
    virtual void save(PackWriter& writer) const;
};

class RigidBody {
public:
    // A body without shape driving node (may be null: such a body is never integrated).
    explicit RigidBody(Node3D* node);
    RigidBody(const RigidBody&) = delete;
    RigidBody& operator=(const RigidBody&) = delete;

    // Virtual operations in slot order.
    virtual ~RigidBody() = default;
    // mass := m; 0 becomes 1.0.
    virtual void setMass(float m);
    virtual void reserved2() {}
    virtual int reserved3() { return 0; }
    // Copies the world plane out (planes only; other bodies leave out unchanged).
    virtual void getPlane(Plane& out) {}
    virtual int reserved5() { return 0; }
    // Marks the bounding sphere and the hull stale after the node moved.
    virtual void markMoved();
    // Brings the world-space hull up to date with the node.
    virtual void updateHull();
    // Radius of the sphere inside the hull (0 for shapeless bodies and planes).
    virtual float getInnerRadius() { return 0.0f; }

    // Refreshes the bounding sphere centre from the node if it is stale.
    void updateBoundingSphere();

    Node3D* getNode() const { return node_; }
    void setNode(Node3D* node) { node_ = node; }
    float getBounce() const { return bounce_; }
    void setBounce(float b) { bounce_ = b; }
    float getSlide() const { return slide_; }
    void setSlide(float s) { slide_ = s; }
    float getMass() const { return mass_; }
    uint8_t getFlags() const { return flags_; }
    void setFlags(uint8_t flags) { flags_ = flags; }
    bool isFixed() const { return (flags_ & kBodyFixed) != 0; }
    bool notifiesAtRest() const { return (flags_ & kBodyNotifyAtRest) != 0; }
    const Vector3& getVelocity() const { return velocity_; }
    void setVelocity(const Vector3& v) { velocity_ = v; }
    const Matrix4& getSpin() const { return spin_; }
    void setSpin(const Matrix4& spin) { spin_ = spin; }
    int32_t getRestCount() const { return restCount_; }
    // The rest test of one integration step, with the node's world position p. True when the
    // body counts as at rest for the listener (moved less than 0.0001 for two steps or more).
    bool restTest(const Vector3& p);
    const BoundingSphere& getBoundingSphere() const { return boundingSphere_; }
    int32_t getShapeType() const { return shapeType_; }
    uint8_t getState() const { return state_; }
    bool hasBoundingSphere() const { return (state_ & kHasBoundingSphere) != 0; }

protected:
    Node3D* node_;
    float bounce_ = 0.1f;
    float slide_ = 0.8f;
    float mass_ = 1.0f;
    uint8_t flags_ = 0;
    Vector3 velocity_{0, 0, 0};
    Matrix4 spin_ = Matrix4::identity();
    int32_t restCount_ = 0;
    Vector3 restPosition_{0, 0, 0};
    bool restPositionSet_ = false;
    BoundingSphere boundingSphere_;
    int32_t shapeType_ = kShapeNone;
    uint8_t state_ = 0;
};

// A cube hull of half size halfSize, centred on the node's origin and turning with it.
class CubeBody : public RigidBody {
public:
    // Half size 10, bounding radius 10 * sqrt 2.
    explicit CubeBody(Node3D* node);
    // Corners from the node's world matrix, bounding radius from corner 0, the six face planes.
    void updateHull() override;
    float getInnerRadius() override { return halfSize_; }

    // halfSize := s; bounding radius := s * sqrt 2.
    void setSize(float s);
    float getHalfSize() const { return halfSize_; }
    // World-space corner i (0..7) and face plane i (0..5) as of the last updateHull.
    const Vector3& getCorner(int i) const { return corners_[i]; }
    const Plane& getFacePlane(int i) const { return facePlanes_[i]; }
    const Vector3* corners() const { return corners_; }
    const Plane* facePlanes() const { return facePlanes_; }

protected:
    // Shared by CubeBody and BoxBody: corners and planes for half extents (hx, hy, hz).
    void computeHull(float hx, float hy, float hz);

    float halfSize_ = 10.0f;
    Vector3 corners_[8] = {};
    Plane facePlanes_[6] = {};
};

// A box hull with half extents (halfSize, halfExtentY, halfExtentZ).
class BoxBody : public CubeBody {
public:
    // Half extents 10, 20, 30.
    explicit BoxBody(Node3D* node);
    // As CubeBody, but the bounding radius stays the one set by setExtents.
    void updateHull() override;
    float getInnerRadius() override { return minHalfExtent_; }

    // The three half extents; the smallest is the inner radius, the length of all three the
    // bounding radius.
    void setExtents(float x, float y, float z);
    float getHalfExtentY() const { return halfExtentY_; }
    float getHalfExtentZ() const { return halfExtentZ_; }

protected:
    float halfExtentY_ = 20.0f;
    float halfExtentZ_ = 30.0f;
    float minHalfExtent_ = 10.0f;
};

// An infinite plane, carried by its node's world matrix (the identity without a node).
class PlaneBody : public RigidBody {
public:
    // The plane y = 0.
    explicit PlaneBody(Node3D* node);
    void getPlane(Plane& out) override { out = worldPlane_; }
    // Recomputes the world plane when the node's world matrix changed.
    void updateHull() override;

    // Sets the plane in the node's frame (the world plane follows at the next updateHull).
    void setPlane(const Plane& plane);
    const Plane& getLocalPlane() const { return localPlane_; }
    const Plane& getWorldPlane() const { return worldPlane_; }

protected:
    Plane localPlane_{0, 1, 0, 0};
    Plane worldPlane_{0, 1, 0, 0};
    Matrix4 planeMatrix_ = Matrix4::identity();
    bool planeComputed_ = false;
};
