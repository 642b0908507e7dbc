// ScenePhysics: the physics world of one scene, with the scene-level settings read from the
// scene's physics record (start frame, coefficients and gravity) and the bodies it makes from the
// scene's meshes. It owns every body it makes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "math/plane.h"
#include "mesh/physics_world.h"
#include "scene/scene_physics_base.h"

class Scene3D;
class MeshBase;
class Node3D;
class PackReader;
class PackWriter;

// Physics record types.
enum PhysicsRecordType : int32_t {
    kPhysicsMeshBody = 2,      // a mesh body, fixed when its "cinetic_param" is "fix"
    kPhysicsPlane = 4,         // a fixed plane
    kPhysicsFreeMeshBody = 5,  // a mesh body that is never fixed
};

// Upper bound on the number of physics records of one scene.
constexpr int32_t kMaxPhysicsRecords = 100000;

class ScenePhysics : public PhysicsWorld, public ScenePhysicsBase {
public:
    // Seeds the shared random generator with 1, so every run of the show is the same.
    explicit ScenePhysics(Scene3D* scene);
    // Deletes the bodies it made (never their nodes).
    ~ScenePhysics() override;

    // The physics record: count, startFrame, bounce, slide, gravityY, groundVelocity, then the
    // records. Errors go to the reader; a body record that names no usable mesh is skipped (its
    // words are still read) and reported with one box per load.
    void load(PackReader& reader) override;
    // The mirror of load: the records as loaded, in their order.
    void save(PackWriter& writer) const override;
    // The scene's physics step of its draw pass: current frame set, step from startFrame on.
    void stepFrame(int32_t frame) override;
    // A cube mesh of half extent 2 * size (materials 600..605, opacity 0.5) with a new id of the
    // scene, driven by a CubeBody (mass 100, bounce 0.3, slide 0.2, notifyAtRest) that this world
    // owns, appended to the scene's children. Null without a scene.
    CubeBody* spawnCube(float size, const Vector3& position, const Vector3& velocity,
                        const Vector3& angles) override;
    ScenePhysics* physics() override { return this; }

    // A CubeBody (or a BoxBody when point 0's coordinates differ in size) for a mesh centred on
    // its origin, with mass 1 and the scene's coefficients, added to the world. Null when the
    // mesh has no points.
    RigidBody* makeBodyFromMesh(MeshBase* mesh, bool fixed);
    // Takes ownership of a body made elsewhere (spawned drops) and adds it to the world.
    void adoptBody(RigidBody* body);

    Scene3D* getScene() const { return scene_; }
    int32_t getStartFrame() const { return startFrame_; }
    void setStartFrame(int32_t f) { startFrame_ = f; }
    int32_t getCurrentFrame() const { return currentFrame_; }
    void setCurrentFrame(int32_t f) { currentFrame_ = f; }
    float getGroundVelocity() const { return groundVelocity_; }
    void setGroundVelocity(float v) { groundVelocity_ = v; }
    float getDefaultBounce() const { return defaultBounce_; }
    void setDefaultBounce(float b) { defaultBounce_ = b; }
    float getGravityY() const { return gravityY_; }
    // Sets gravityY and the world gravity (0, g, 0).
    void setGravityY(float g);
    float getDefaultSlide() const { return defaultSlide_; }
    void setDefaultSlide(float s) { defaultSlide_ = s; }

    // One loaded record, kept so that save writes the record back as it was read.
    struct Record {
        int32_t type = 0;
        int32_t nodeId = 0;
        Plane plane{0, 1, 0, 0};
        RigidBody* body = nullptr;  // null when the record made no body
    };
    const std::vector<Record>& records() const { return records_; }
    // Appends a record to what save writes (scenes built by code).
    void addRecord(const Record& record) { records_.push_back(record); }

private:
    Scene3D* scene_;
    int32_t startFrame_ = 0;
    int32_t currentFrame_ = 0;
    float groundVelocity_ = 0.0f;
    float defaultBounce_ = 0.1f;
    float gravityY_ = -0.001f;
    float defaultSlide_ = 0.2f;
    std::vector<Record> records_;
    std::vector<std::unique_ptr<RigidBody>> ownedBodies_;
};
