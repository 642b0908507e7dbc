// PhysicsWorld: the small fixed-step rigid-body world of a scene. One step per frame: gravity,
// integration (with the rest test), hulls, then every pair of bodies that may touch is resolved
// through its contacts. Velocities are in scene units per step.
#pragma once

#include <vector>

#include "math/vector3.h"
#include "mesh/contact_response.h"

class RigidBody;
class DropListener;

// Capacity of the contact array of one pair (a pair yields at most 16).
constexpr int kMaxContacts = 20;

class PhysicsWorld {
public:
    // No bodies, gravity (0, -0.001, 0), no rest listener.
    PhysicsWorld();
    // The world never frees the bodies it references.
    virtual ~PhysicsWorld() = default;
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    // Puts the body first in the list (not owned).
    void addBody(RigidBody* body);
    // Takes the body out of the list; nothing when it is not there. Allowed from the rest listener.
    void removeBody(RigidBody* body);
    void setRestListener(DropListener* listener) { restListener_ = listener; }
    DropListener* getRestListener() const { return restListener_; }
    void setGravity(float x, float y, float z) { gravity_.set(x, y, z); }
    const Vector3& getGravity() const { return gravity_; }
    // One simulation step: gravity, integration and rest test, hulls, collisions.
    void step();

    // The bodies, most recently added first.
    const std::vector<RigidBody*>& bodies() const { return bodies_; }
    int getBodyCount() const { return static_cast<int>(bodies_.size()); }
    bool contains(const RigidBody* body) const;

    // The pieces of a step, exposed for tests and tools.
    // Bounding-sphere check, contact generation and response for the pair (a, b); a is movable.
    void resolvePair(RigidBody* a, RigidBody* b);
    // Contacts of the pair (a, b) into contacts(), all seen from a, with their pointB and weights.
    // Returns the count (0: no contact).
    int generateContacts(RigidBody* a, RigidBody* b);
    // Contacts of x against y written at out (room for kMaxContacts): box/box and box/plane only.
    static int pairTest(RigidBody* x, RigidBody* y, Contact* out);
    const Contact* contacts() const { return contacts_; }
    int getContactCount() const { return contactCount_; }
    // Number of pairs that reached contact generation since construction.
    long long getPairTests() const { return pairTests_; }

private:
    static int boxAgainstBox(RigidBody* x, RigidBody* y, Contact* out);
    static int boxAgainstPlane(RigidBody* x, RigidBody* y, Contact* out);
    static void applyState(RigidBody* body, const BodyState& state);

    std::vector<RigidBody*> bodies_;
    Vector3 gravity_{0.0f, -0.001f, 0.0f};
    RigidBody* pairA_ = nullptr;
    RigidBody* pairB_ = nullptr;
    BodyState resultState_;
    BodyState savedState_;
    Contact contacts_[kMaxContacts];
    int contactCount_ = 0;
    DropListener* restListener_ = nullptr;
    long long pairTests_ = 0;
    // Integration pass over a copy of the list; bodies the listener removed meanwhile are skipped.
    std::vector<RigidBody*> passBodies_;
    std::vector<RigidBody*> removedWhileStepping_;
    bool stepping_ = false;
};
