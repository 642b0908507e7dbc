// PhysicsWorld: the step (gravity, integration with the rest test, hulls, pair loop), contact
// generation for box/box and box/plane pairs, and applying the response to the bodies.
#include "mesh/physics_world.h"

#include <algorithm>

#include "mesh/drop_listener.h"
#include "mesh/rigid_body.h"
#include "scene/node3d.h"

namespace {
// Start of the nearest-face search of the corner test.
constexpr float kNoFace = -16777215.0f;
}  // namespace

PhysicsWorld::PhysicsWorld() = default;

void PhysicsWorld::addBody(RigidBody* body) {
    if (!body) return;
    bodies_.insert(bodies_.begin(), body);
    // The step's copy of the list gets its room now, when the world grows, rather than on the
    // next step.
    if (passBodies_.capacity() < bodies_.capacity()) passBodies_.reserve(bodies_.capacity());
}

void PhysicsWorld::removeBody(RigidBody* body) {
    const auto it = std::find(bodies_.begin(), bodies_.end(), body);
    if (it == bodies_.end()) return;
    bodies_.erase(it);
    if (stepping_) removedWhileStepping_.push_back(body);
}

bool PhysicsWorld::contains(const RigidBody* body) const {
    return std::find(bodies_.begin(), bodies_.end(), body) != bodies_.end();
}

void PhysicsWorld::step() {
    // 1. Gravity.
    for (RigidBody* body : bodies_)
        if (!body->isFixed()) body->setVelocity(body->getVelocity() + gravity_);

    // 2. Integration and rest test. The listener may take bodies out of the world, so the pass
    // runs over a copy of the list and skips what was removed meanwhile.
    // addBody keeps the copy's room up with the list's, so this does not allocate.
    passBodies_.assign(bodies_.begin(), bodies_.end());
    removedWhileStepping_.clear();
    stepping_ = true;
    for (RigidBody* body : passBodies_) {
        if (!removedWhileStepping_.empty() &&
            std::find(removedWhileStepping_.begin(), removedWhileStepping_.end(), body) != removedWhileStepping_.end())
            continue;
        Node3D* node = body->getNode();
        if (!node || body->isFixed()) continue;
        const Vector3 velocity = body->getVelocity();
        if (!velocity.isZero()) {
            node->setPosition(node->getWorldPosition() + velocity);
            body->markMoved();
        }
        if (!body->getSpin().isIdentity()) {
            Matrix4 m = node->getLocalMatrix();
            m.multiply3x3(body->getSpin(), m);
            const Vector3 e = m.getEulerAngles();
            if (e.differs(node->getRotation())) {
                node->setRotation(e);
                body->markMoved();
            }
        }
        if (body->restTest(node->getWorldPosition()) && body->notifiesAtRest() && restListener_)
            restListener_->onDropSettled(body);
    }
    stepping_ = false;
    removedWhileStepping_.clear();

    // 3. Hulls.
    for (RigidBody* body : bodies_) body->updateHull();

    // 4. Collisions: every movable pair once (A the earlier body), every movable body against
    // every fixed one, never two notifyAtRest bodies.
    const size_t n = bodies_.size();
    for (size_t i = 0; i < n; ++i) {
        RigidBody* a = bodies_[i];
        if (a->isFixed()) continue;
        bool passed = false;
        for (size_t j = 0; j < n; ++j) {
            RigidBody* b = bodies_[j];
            if (b == a) {
                passed = true;
                continue;
            }
            if ((passed || b->isFixed()) && !(a->notifiesAtRest() && b->notifiesAtRest())) resolvePair(a, b);
        }
    }
}

void PhysicsWorld::resolvePair(RigidBody* a, RigidBody* b) {
    if (a->hasBoundingSphere() && b->hasBoundingSphere()) {
        a->updateBoundingSphere();
        b->updateBoundingSphere();
        const BoundingSphere& sa = a->getBoundingSphere();
        const BoundingSphere& sb = b->getBoundingSphere();
        if (!(sa.centre.distanceTo(sb.centre) < sa.radius + sb.radius)) return;
    }
    pairA_ = a;
    pairB_ = b;
    if (generateContacts(a, b) == 0) return;

    resolveContacts(*a, *b, pairA_, pairB_, contacts_, contactCount_, resultState_);
    if (b->isFixed()) {
        applyState(a, resultState_);
        return;
    }
    savedState_ = resultState_;
    for (int i = 0; i < contactCount_; ++i) contacts_[i].flip();
    resolveContacts(*b, *a, pairA_, pairB_, contacts_, contactCount_, resultState_);
    applyState(b, resultState_);
    applyState(a, savedState_);
}

int PhysicsWorld::generateContacts(RigidBody* a, RigidBody* b) {
    ++pairTests_;
    const int firstCount = pairTest(a, b, contacts_);
    contactCount_ = firstCount + pairTest(b, a, contacts_ + firstCount);
    if (contactCount_ == 0) return 0;

    float sum = 0.0f;
    for (int i = 0; i < contactCount_; ++i) {
        Contact& c = contacts_[i];
        c.pointB = c.plane.projectPoint(c.pointA);
        c.weight = c.pointA.distanceTo(c.pointB);
        sum += c.weight;
    }
    if (sum != 0.0f)
        for (int i = 0; i < contactCount_; ++i) contacts_[i].weight /= sum;
    for (int i = firstCount; i < contactCount_; ++i) contacts_[i].flip();
    return contactCount_;
}

int PhysicsWorld::pairTest(RigidBody* x, RigidBody* y, Contact* out) {
    if (x->getShapeType() != kShapeBox) return 0;
    if (y->getShapeType() == kShapeBox) return boxAgainstBox(x, y, out);
    if (y->getShapeType() == kShapePlane) return boxAgainstPlane(x, y, out);
    return 0;
}

int PhysicsWorld::boxAgainstBox(RigidBody* x, RigidBody* y, Contact* out) {
    Node3D* nx = x->getNode();
    Node3D* ny = y->getNode();
    if (!nx || !ny) return 0;
    const Vector3 cx = nx->getWorldPosition();
    const Vector3 cy = ny->getWorldPosition();
    const Vector3 delta = cy - cx;
    const float d = delta.length();
    const float rx = x->getInnerRadius();
    const float ry = y->getInnerRadius();
    if (d != 0.0f && d < rx + ry) {
        // The inner spheres overlap: one contact between their surfaces, on a plane through the
        // point on Y so that projecting the point on X lands there.
        const Vector3 n = delta.over(d);
        Contact& c = out[0];
        c.pointA = cx + n * rx;
        c.pointB = cy - n * ry;
        c.plane.fromNormalAndPoint(c.pointB - c.pointA, c.pointB);
        c.responseVelocity.setZero();
        c.weight = 0.0f;
        return 1;
    }
    // Corner test: every corner of X inside all six faces of Y touches Y's nearest face.
    const CubeBody* bx = static_cast<const CubeBody*>(x);
    const CubeBody* by = static_cast<const CubeBody*>(y);
    const Plane* planes = by->facePlanes();
    int count = 0;
    for (int i = 0; i < 8; ++i) {
        const Vector3& corner = bx->getCorner(i);
        float best = kNoFace;
        int nearest = -1;
        bool inside = true;
        for (int f = 0; f < 6; ++f) {
            const float value = planes[f].evaluate(corner);
            if (value > 0.0f) {
                inside = false;
                break;
            }
            if (value > best) {
                best = value;
                nearest = f;
            }
        }
        if (!inside || nearest < 0) continue;
        Contact& c = out[count++];
        c.pointA = corner;
        c.pointB = corner;
        c.plane = planes[nearest];
        c.responseVelocity.setZero();
        c.weight = 0.0f;
    }
    return count;
}

int PhysicsWorld::boxAgainstPlane(RigidBody* x, RigidBody* y, Contact* out) {
    Node3D* nx = x->getNode();
    if (!nx) return 0;
    Plane plane;
    y->getPlane(plane);
    float v = plane.evaluate(nx->getWorldPosition());
    const float normalLength = plane.getNormal().length();
    if (v > 0.0f && normalLength != 0.0f) {
        v /= normalLength;
        if (x->getBoundingSphere().radius < v) return 0;
    }
    const CubeBody* bx = static_cast<const CubeBody*>(x);
    int count = 0;
    for (int i = 0; i < 8; ++i) {
        const Vector3& corner = bx->getCorner(i);
        if (!plane.isBehind(corner)) continue;
        Contact& c = out[count++];
        c.pointA = corner;
        c.pointB = corner;
        c.plane = plane;
        c.responseVelocity.setZero();
        c.weight = 0.0f;
    }
    return count;
}

void PhysicsWorld::applyState(RigidBody* body, const BodyState& state) {
    if (body->isFixed()) return;
    body->setVelocity(state.velocity);
    body->setSpin(state.spin);
    if (Node3D* node = body->getNode()) node->setPosition(state.position);
    body->markMoved();
}
