// SceneKit: builds one scene clip of the sample show in memory from the project's node classes:
// materials (with shade ramps that stand in for lighting, since faces are drawn in flat colours),
// nodes with unique ids, inline and shared meshes, keyframe controllers and physics records.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "math/plane.h"
#include "math/quaternion.h"
#include "math/vector3.h"
#include "tools/make_show/geometry.h"
#include "tools/make_show/show_palette.h"

class Camera3D;
class Controller;
class ControllerSet;
class Group3D;
class MaterialLibrary;
class MeshRegistry;
class Node3D;
class Scene3D;
class SceneClip;
class StdMesh3D;
class Target3D;
struct MESH3D_ENTRY;

// Shades per colour ramp (material ids base .. base + kShadeCount - 1, darkest first).
constexpr int kShadeCount = 6;

// Adds a shared mesh to the registry (written as a mesh record and read back, exactly as the
// player will load it). Returns the entry, or null when the key is taken or the record is bad.
MESH3D_ENTRY* addRegistryMesh(MeshRegistry& registry, const char* key, const char* name, const MeshData& shape);

// Identity orientation.
inline Quaternion noRotation() { return Quaternion(0, 0, 0, 1); }

class SceneKit {
public:
    // A new scene with its material library (1000 slots) and an empty controller set.
    SceneKit(MeshRegistry& registry, const ShowColour& background);
    ~SceneKit();
    SceneKit(const SceneKit&) = delete;
    SceneKit& operator=(const SceneKit&) = delete;

    Scene3D* scene() { return scene_; }
    MaterialLibrary* materials() { return materials_; }

    // Materials.
    void material(int id, float r, float g, float b);
    void material(int id, const ShowColour& c) { material(id, c.rf(), c.gf(), c.bf()); }
    // kShadeCount materials from base: the colour in shadow (tinted towards shadowTint) up to a
    // slightly lifted highlight.
    void shadeRamp(int base, const ShowColour& colour, const ShowColour& shadowTint = kInk);
    // One material per face of shape: base plus the shade that the face's normal gets from the
    // show's fixed light.
    static std::vector<int32_t> shadedMaterials(const MeshData& shape, int base);
    // The same for a shape that will be drawn triangulated (inline meshes).
    static std::vector<int32_t> shadedTriangleMaterials(const MeshData& shape, int base);

    // Nodes; parent null means the scene root. Every node gets the next free id.
    Group3D* group(Node3D* parent, const char* name, const Vector3& position,
                   const Quaternion& orientation = noRotation());
    // An inline mesh (its own points and triangles), shaded from ramp base.
    StdMesh3D* mesh(Node3D* parent, const char* name, const MeshData& shape, int rampBase, const Vector3& position,
                    const Quaternion& orientation = noRotation(), const Vector3& scale = Vector3(1, 1, 1));
    // An inline mesh with explicit per-triangle materials (shape is triangulated first).
    StdMesh3D* meshWithMaterials(Node3D* parent, const char* name, const MeshData& shape,
                                 const std::vector<int32_t>& triangleMaterials, const Vector3& position,
                                 const Quaternion& orientation = noRotation());
    // A mesh sharing a registry entry's points and faces, with its own materials (shaded from
    // ramp base with the entry's face normals).
    StdMesh3D* sharedMesh(Node3D* parent, const char* name, const char* key, int rampBase, const Vector3& position,
                          const Quaternion& orientation = noRotation(), const Vector3& scale = Vector3(1, 1, 1));
    Camera3D* camera(const char* name, float fieldOfView);
    Target3D* target(Node3D* parent, const char* name, const Vector3& position);
    // Places an already constructed node (effects) with the next id.
    void place(Node3D* parent, Node3D* node, const char* name, const Vector3& position,
               const Quaternion& orientation = noRotation());

    // Keyframes at stored frames of clip time (30 ticks each).
    void keyPosition(Node3D* node, double frame, const Vector3& p);
    void keyRotation(Node3D* node, double frame, const Quaternion& q);
    void keyScale(Node3D* node, double frame, const Vector3& s);
    void keyVisible(Node3D* node, double frame, bool visible);
    // Position and rotation keys every step frames from first to last (last included) for a
    // camera at eye(f) looking at target(f).
    void flyCamera(Camera3D* camera, int first, int last, int step,
                   const std::function<Vector3(double)>& eye, const std::function<Vector3(double)>& target);
    // Two position keys that hold the node where it is: its time then follows the clip (effects
    // and soft bodies read their node's time, which only controllers set).
    void keepTime(Node3D* node, int lastFrame);

    // Physics records (the bodies are made when the player loads the scene).
    void physicsSettings(int startFrame, float bounce, float slide, float gravityY, float groundVelocity);
    void meshBody(StdMesh3D* mesh, bool fixed);  // type 2 ("cinetic_param" "fix" when fixed)
    void freeMeshBody(StdMesh3D* mesh);           // type 5
    void planeBody(Node3D* node, const Plane& plane);

    // Hands the scene, materials and controllers to a new scene clip on frames [start, end) of
    // the show (in point 0, out point the clip's length). The kit keeps nothing afterwards.
    SceneClip* finish(int startFrame, int endFrame);

    int newId() { return nextId_++; }

private:
    Controller* controllerFor(Node3D* node);
    Node3D* parentOrRoot(Node3D* parent);
    void attach(Node3D* parent, Node3D* node, const char* name, const Vector3& position, const Quaternion& q);

    MeshRegistry& registry_;
    Scene3D* scene_;
    MaterialLibrary* materials_;
    ControllerSet* controllers_;
    std::map<Node3D*, Controller*> controllerOf_;
    std::vector<Controller*> controllerOrder_;
    int nextId_ = 1;
};
