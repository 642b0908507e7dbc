// ScenePhysicsBase: what a scene asks of its physics world. The world itself (ScenePhysics, with
// the bodies it makes from meshes) lives with the meshes; a scene gets it from the maker that the
// world registers (registerWorldClasses), when the scene is made.
#pragma once

#include <cstdint>
#include <memory>

#include "math/vector3.h"

class CubeBody;
class PackReader;
class PackWriter;
class Scene3D;
class ScenePhysics;

class ScenePhysicsBase {
public:
    virtual ~ScenePhysicsBase() = default;
    // The scene's physics record. Errors go to the reader.
    virtual void load(PackReader& reader) = 0;
    // The mirror of load.
    virtual void save(PackWriter& writer) const = 0;
    // Records frame as the current one and steps the world when it is at or after the start frame.
    virtual void stepFrame(int32_t frame) = 0;
    // A tumbling cube mesh driven by a new body, added to the scene; returns the body.
    virtual CubeBody* spawnCube(float size, const Vector3& position, const Vector3& velocity,
                                const Vector3& angles) = 0;
    // The world itself, for code that sees the mesh folder.
    virtual ScenePhysics* physics() = 0;
};

using ScenePhysicsMaker = std::unique_ptr<ScenePhysicsBase> (*)(Scene3D* scene);
// Sets the maker of the physics world of every scene made from now on (null: scenes have none).
void setScenePhysicsMaker(ScenePhysicsMaker maker);
