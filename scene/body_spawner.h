// BodySpawner: the one-operation interface through which effect nodes add physical bodies to the
// scene that owns them (implemented by Scene3D, used by the particle stream).
#pragma once

#include "math/vector3.h"

class BodySpawner {
public:
    virtual ~BodySpawner() = default;
    // Adds a tumbling cube of the given size at position, with velocity (units per step) and Euler
    // angles (radians) to the scene and its physics world. u1..u3 are passed on unchanged and
    // not used by the scene.
    virtual void spawnBody(float size, const Vector3& position, const Vector3& velocity, const Vector3& angles,
                           float u1, float u2, float u3) = 0;
};
