// Contact response: response velocities with the pair's combined bounce and slide, their split
// into spin and linear velocity by the lever of each contact, and the push out of fixed bodies.
#include "mesh/contact_response.h"

#include <cmath>

#include "mesh/rigid_body.h"
#include "scene/node3d.h"

void Contact::flip() {
    const Vector3 a = pointA;
    pointA = pointB;
    pointB = a;
    plane.a = -plane.a;
    plane.b = -plane.b;
    plane.c = -plane.c;
}

namespace {

Vector3 centreOf(const RigidBody& body) {
    Node3D* node = body.getNode();
    return node ? node->getWorldPosition() : Vector3(0.0f, 0.0f, 0.0f);
}

// One thousandth of a step's spin, as a rotation.
Matrix4 spinStep(const RigidBody& body) {
    Matrix4 rotation;
    rotation.setRotationEuler(body.getSpin().getEulerAngles() * 0.001f);
    return rotation;
}

// The velocity of point p given the body's centre and spinStep.
Vector3 pointVelocityWith(const RigidBody& body, const Vector3& centre, const Matrix4& step, const Vector3& p) {
    const Vector3 r = p - centre;
    Vector3 turned = r;
    turned.transformDirection(step);
    return body.getVelocity() + (turned - r) * 1000.0f;
}

// Response velocity of each contact: the normal part of the point's velocity reflected with
// restitution e, the tangential part reduced to s times itself; shared by mass against a
// movable body.
void computeResponseVelocities(RigidBody& x, RigidBody& y, float e, float s, Contact* contacts, int count) {
    const Vector3 centre = centreOf(x);
    const Matrix4 step = spinStep(x);
    for (int i = 0; i < count; ++i) {
        Contact& c = contacts[i];
        const Vector3 v = pointVelocityWith(x, centre, step, c.pointA);
        const Vector3 n = c.plane.getNormal();
        if (n.dot(v) >= 0.0f) {
            c.responseVelocity.setZero();
            continue;
        }
        const Vector3 vt = c.plane.tangentialPart(v);
        const Vector3 vn = n.projectOnto(v);
        c.responseVelocity = vt * -(1.0f - s) - vn * (1.0f + e);
        if (!y.isFixed()) {
            const float total = x.getMass() + y.getMass();
            if (total != 0.0f) c.responseVelocity = c.responseVelocity * (x.getMass() / total);
        }
    }
}

// The spin: each contact turns the body by the angle its response turns the lever, weighted,
// about L x R, so that the contact point turns along its response (the opposite axis, R x L,
// turns it into the contact and feeds energy into resting bodies until they fly off). A response
// along the lever (or a zero response or lever) has no axis and turns nothing.
Matrix4 computeSpin(const RigidBody& x, const Vector3& centre, const Contact* contacts, int count) {
    Matrix4 spin = x.getSpin();
    for (int i = 0; i < count; ++i) {
        const Contact& c = contacts[i];
        const Vector3 r = c.responseVelocity;
        const Vector3 lever = c.pointA - centre;
        Vector3 axis = lever.cross(r);
        axis.normalize();
        const float axisLength = axis.length();
        if (!(axisLength > 0.5f && axisLength < 2.0f)) continue;  // zero, or too small to normalise
        const Vector3 u = axis.cross(lever);
        const Vector3 turning = u.projectOnto(r);
        const float angle = (-lever + turning).angleTo(-lever) * c.weight;
        Matrix4 rotation;
        rotation.setRotationAxisAngle(axis, angle);
        spin = spin.multiplyMatrix(rotation);
    }
    return spin;
}

// The velocity: each weighted response keeps its direction and takes the length of its
// projection on the lever. A contact at the centre itself pushes straight through the centre.
Vector3 computeVelocity(const RigidBody& x, const Vector3& centre, const Contact* contacts, int count) {
    Vector3 sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < count; ++i) {
        const Contact& c = contacts[i];
        Vector3 r = c.responseVelocity * c.weight;
        const Vector3 lever = c.pointA - centre;
        if (!lever.isZero()) r.setLength(lever.projectOnto(r).length());
        sum = sum + r;
    }
    return x.getVelocity() + sum;
}

// Against a fixed body the first body of the pair is pushed out by the largest penetration on
// each axis (each with its own sign).
Vector3 computePosition(const RigidBody& x, const Vector3& centre, const RigidBody* pairA, const RigidBody* pairB,
                        const Contact* contacts, int count) {
    if (&x != pairA || !pairB || !pairB->isFixed()) return centre;
    Vector3 push(0.0f, 0.0f, 0.0f);
    for (int i = 0; i < count; ++i) {
        const Vector3 d = contacts[i].pointB - contacts[i].pointA;
        if (std::fabs(d.x) > std::fabs(push.x)) push.x = d.x;
        if (std::fabs(d.y) > std::fabs(push.y)) push.y = d.y;
        if (std::fabs(d.z) > std::fabs(push.z)) push.z = d.z;
    }
    return centre + push;
}

}  // namespace

Vector3 pointVelocity(const RigidBody& body, const Vector3& p) {
    return pointVelocityWith(body, centreOf(body), spinStep(body), p);
}

void resolveContacts(RigidBody& x, RigidBody& y, const RigidBody* pairA, const RigidBody* pairB, Contact* contacts,
                     int count, BodyState& result) {
    if (count <= 0) return;
    const float e = (pairA ? pairA->getBounce() : x.getBounce()) * (pairB ? pairB->getBounce() : y.getBounce());
    const float s = (pairA ? pairA->getSlide() : x.getSlide()) * (pairB ? pairB->getSlide() : y.getSlide());
    computeResponseVelocities(x, y, e, s, contacts, count);
    const Vector3 centre = centreOf(x);
    result.spin = computeSpin(x, centre, contacts, count);
    result.velocity = computeVelocity(x, centre, contacts, count);
    result.position = computePosition(x, centre, pairA, pairB, contacts, count);
}
