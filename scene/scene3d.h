// Scene3D ("Scene3D", named "The Scene"): the root node of one 3D scene. Reads the scene record
// (material library, background colour, node tree, physics record), chooses the camera every
// frame, sets the background colour, steps the scene's physics world in the draw pass and spawns
// physical cubes for effect nodes through its BodySpawner interface.
#pragma once

#include <cstdint>
#include <memory>

#include "math/color_rgb.h"
#include "math/vector3.h"
#include "scene/body_spawner.h"
#include "scene/group3d.h"
#include "scene/scene_physics_base.h"

class Camera3D;
class StdMesh3D;
class CubeBody;

// Ids of the six display materials that spawned cubes use, one per face.
constexpr int kFirstDisplayMaterial = 600;
constexpr int kDisplayMaterialCount = 6;

class Scene3D : public Group3D, public BodySpawner {
public:
    // Named "The Scene"; background (0, 100, 0); a new physics world from the registered maker
    // (which reseeds the shared random generator), or none when no maker is set.
    Scene3D();
    // Deletes the physics world (and its bodies), then the tree.
    ~Scene3D() override;

    const char* getTypeName() const override { return "Scene3D"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // As Node3D: where 0 appends, 1 prepends, else inserts at that index.
    void addChild(Node3D* child, int where) override;
    // Camera to the device (first direct Camera3D child, else the look-at view from (0, 0, -400)
    // to the origin), then the children when recurse is set. Returns 0.
    int update(RenderDevice* device, int width, int height, bool recurse) override;
    // Physics step (frame = time / 30, from startFrame on), background colour to the device,
    // then the children when recurse is set. Returns 0.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // The scene record: material library, background colour, node record with the whole tree,
    // the six display materials, the physics record. Errors are recorded on the reader; a scene
    // without a physics world fails here, since its physics record cannot be read.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    // The mirror of load (the library is written as it is, display materials included).
    void save(PackWriter& writer, MaterialLibrary* materials) override;
    // Takes the node out of the children list; its parent pointer is left as it was.
    virtual void removeChild(Node3D* node);

    // BodySpawner: a cube mesh of half extent 2 * size (materials 600..605, opacity 0.5) driven
    // by a CubeBody (mass 100, bounce 0.3, slide 0.2, notifyAtRest), appended to the scene.
    void spawnBody(float size, const Vector3& position, const Vector3& velocity, const Vector3& angles, float u1,
                   float u2, float u3) override;
    // The same, returning the new body (owned by the scene's physics world); null without one.
    CubeBody* spawnCube(float size, const Vector3& position, const Vector3& velocity, const Vector3& angles);

    // The interface handed to particle streams.
    BodySpawner* getBodySpawner() { return this; }
    // The first direct child with the Camera3D kind, or null.
    Camera3D* selectCamera();
    // The physics world, or null when the scene was made without one.
    ScenePhysics* getPhysics() { return physics_ ? physics_->physics() : nullptr; }
    const Vector3& getBackgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const Vector3& c) { backgroundColour_ = c; }
    // Read by meshes: while true they skip their soft-body step. Nothing sets it in the show.
    bool isPaused() const { return paused_; }
    void setPaused(bool paused) { paused_ = paused; }

    // Adds materials 600..605 to the library (ids already taken keep the file's material).
    static void addDisplayMaterials(MaterialLibrary* materials);
    // Colour of display material 600 + index (index 0..5).
    static ColorRGB displayMaterialColour(int index);
    // An id that no node of the tree uses, larger than every id present when first asked.
    int32_t newNodeId();

private:
    Vector3 backgroundColour_{0.0f, 100.0f, 0.0f};
    std::unique_ptr<ScenePhysicsBase> physics_;
    bool paused_ = false;
    int64_t nextNodeId_ = -1;  // -1 until the first newNodeId
};
