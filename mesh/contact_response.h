// Contact response: from the contacts of a pair, the new velocity, spin and (against a fixed
// body) corrected position of one body. Impulse-free and geometric: each contact's response
// velocity is shared between linear velocity and spin by the lever from the body's centre to the
// contact point, and contacts are weighted by their penetration depths.
#pragma once

#include "math/matrix4.h"
#include "math/plane.h"
#include "math/vector3.h"

class RigidBody;

// One contact between the bodies of a pair, seen from the body being resolved.
struct Contact {
    Vector3 pointA{0, 0, 0};           // on or in the body being resolved
    Vector3 pointB{0, 0, 0};           // on the other body
    Plane plane{0, 0, 0, 0};           // contact normal (a, b, c), not necessarily unit length
    Vector3 responseVelocity{0, 0, 0};
    float weight = 0.0f;

    // Seen from the other body: swaps the points and negates the normal (d is kept).
    void flip();
};

// A body's state as computed by the response, applied by the world afterwards.
struct BodyState {
    Vector3 velocity{0, 0, 0};
    Vector3 position{0, 0, 0};
    Matrix4 spin = Matrix4::identity();
};

// Velocity of the body's material point p: its linear velocity plus the displacement of p under
// one thousandth of a step's spin, scaled back to one step. The body must have a node.
Vector3 pointVelocity(const RigidBody& body, const Vector3& p);

// Resolves x against y with count contacts seen from x (pointA on x): fills each contact's
// responseVelocity, then writes x's new spin, velocity and position into result. pairA and pairB
// are the pair as the world found it (a position correction is made only for x == pairA against
// a fixed pairB). Nothing is written when count is 0.
void resolveContacts(RigidBody& x, RigidBody& y, const RigidBody* pairA, const RigidBody* pairB, Contact* contacts,
                     int count, BodyState& result);
