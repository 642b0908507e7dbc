// DropListener: the rest listener of a physics world, told about bodies that have come to rest.
#pragma once

class RigidBody;

class DropListener {
public:
    virtual ~DropListener() = default;
    // Called by PhysicsWorld::step for a notifyAtRest body on its second resting step and on every
    // step after that while it stays at rest. The world may be iterating its bodies: removing this
    // body from the world is allowed.
    virtual void onDropSettled(RigidBody* body) = 0;
};
