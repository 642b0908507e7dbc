// ScenePhysics: the scene's physics record (settings and body records) and the bodies it makes
// from the scene's meshes.
#include "mesh/scene_physics.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/random.h"
#include "mesh/mesh_base.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/scene3d.h"

namespace {

// Half extents closer than this make a cube (the single-precision constant of the data).
constexpr float kCubeTolerance = 9.9999997e-6f;
// Meshes whose name contains this word, and is longer than it, are reported at rest.
constexpr const char* kNotifyWord = "bouteille";

// The mesh a body record may drive: a mesh node with at least one point; null otherwise.
MeshBase* usableMesh(Node3D* node) {
    if (!node || !node->hasKind(kKindMesh)) return nullptr;
    MeshBase* mesh = dynamic_cast<MeshBase*>(node);
    if (!mesh || mesh->getPointCount() <= 0 || !mesh->getPoint(0, kLocalPoints)) return nullptr;
    return mesh;
}

// Every node below node by id, the first in depth-first child order as findNodeById finds it.
void indexNodes(Node3D* node, std::unordered_map<int32_t, Node3D*>& byId) {
    for (Node3D* child : node->children()) {
        byId.emplace(child->getId(), child);
        indexNodes(child, byId);
    }
}

}  // namespace

ScenePhysics::ScenePhysics(Scene3D* scene) : scene_(scene) {
    seedRandom(1);
    setGravity(0.0f, gravityY_, 0.0f);
}

ScenePhysics::~ScenePhysics() = default;

void ScenePhysics::setGravityY(float g) {
    gravityY_ = g;
    setGravity(0.0f, g, 0.0f);
}

void ScenePhysics::adoptBody(RigidBody* body) {
    if (!body) return;
    ownedBodies_.emplace_back(body);
    addBody(body);
}

RigidBody* ScenePhysics::makeBodyFromMesh(MeshBase* mesh, bool fixed) {
    if (!mesh || mesh->getPointCount() <= 0) return nullptr;
    const Vector3* p = mesh->getPoint(0, kLocalPoints);
    if (!p) return nullptr;
    const float x = std::fabs(p->x);
    const float y = std::fabs(p->y);
    const float z = std::fabs(p->z);
    RigidBody* body;
    if (std::fabs(x - y) >= kCubeTolerance || std::fabs(y - z) >= kCubeTolerance) {
        BoxBody* box = new BoxBody(mesh);
        box->setExtents(x, y, z);
        body = box;
    } else {
        CubeBody* cube = new CubeBody(mesh);
        cube->setSize(x);
        body = cube;
    }
    body->setMass(1.0f);
    uint8_t flags = fixed ? kBodyFixed : 0;
    const char* name = mesh->getName();
    if (std::strlen(name) > std::strlen(kNotifyWord) && std::strstr(name, kNotifyWord)) flags |= kBodyNotifyAtRest;
    body->setFlags(flags);
    body->setBounce(defaultBounce_);
    body->setSlide(defaultSlide_);
    body->setVelocity(Vector3(0.0f, groundVelocity_, 0.0f));
    adoptBody(body);
    return body;
}

void ScenePhysics::stepFrame(int32_t frame) {
    setCurrentFrame(frame);
    if (getCurrentFrame() >= getStartFrame()) step();
}

CubeBody* ScenePhysics::spawnCube(float size, const Vector3& position, const Vector3& velocity,
                                  const Vector3& angles) {
    if (!scene_) return nullptr;
    const float h = 0.5f * (4.0f * size);
    const Vector3 corners[8] = {
        {-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h}, {-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h},
    };
    StdMesh3D* mesh = new StdMesh3D();
    mesh->setBox(corners, kFirstDisplayMaterial);
    mesh->setParam(0.5f);
    mesh->setPosition(position);
    mesh->setId(scene_->newNodeId());
    mesh->setTransformMode(kTransformWorld);
    mesh->rotate(angles);

    CubeBody* body = new CubeBody(mesh);
    body->setSize(2.0f * size);
    body->setMass(100.0f);
    body->setFlags(kBodyNotifyAtRest);
    body->setBounce(0.3f);
    body->setSlide(0.2f);
    body->setVelocity(velocity);
    Matrix4 spin;
    spin.setRotationEuler(angles);
    body->setSpin(spin);
    adoptBody(body);

    scene_->addChild(mesh, 0);
    // The cube may be drawn before its first update (it joins the children during the draw
    // pass): give it its transformed points now rather than unset ones.
    mesh->invalidate();
    const Matrix4 world = mesh->getWorldMatrix();
    for (int i = 0; i < 8; ++i) mesh->setPoint(i, corners[i].transformPoint(world), kTransformedPoints);
    return body;
}

void ScenePhysics::load(PackReader& reader) {
    ReadContext context(reader, "the physics record");
    const int32_t count = reader.getInt();
    if (!reader.checkCount(count, kMaxPhysicsRecords, "physics records")) return;
    startFrame_ = reader.getInt();
    defaultBounce_ = reader.getFloat();
    defaultSlide_ = reader.getFloat();
    setGravityY(reader.getFloat());
    groundVelocity_ = reader.getFloat();

    // The tree does not change while the records are read: index it once, not per record.
    std::unordered_map<int32_t, Node3D*> byId;
    bool indexed = false;
    auto findNode = [&](int32_t id) -> Node3D* {
        if (!scene_) return nullptr;
        if (!indexed) indexNodes(scene_, byId);
        indexed = true;
        const auto found = byId.find(id);
        return found == byId.end() ? nullptr : found->second;
    };

    int32_t firstBadId = 0;
    bool reported = false;
    for (int32_t i = 0; i < count && !reader.failed(); ++i) {
        Record record;
        record.type = reader.getInt();
        if (reader.failed()) break;
        if (record.type == kPhysicsMeshBody || record.type == kPhysicsFreeMeshBody) {
            record.nodeId = reader.getInt();
            if (reader.failed()) break;
            Node3D* node = findNode(record.nodeId);
            MeshBase* mesh = usableMesh(node);
            if (!mesh) {
                // Skipped: the record names no mesh this scene could move.
                if (!reported) firstBadId = record.nodeId;
                reported = true;
            } else {
                mesh->setUseQuaternion(false);
                bool fixed = false;
                if (record.type == kPhysicsMeshBody) {
                    const char* mode = mesh->findProperty("cinetic_param");
                    if (mode && std::strcmp(mode, "fix") == 0) {
                        mesh->setUseQuaternion(true);
                        fixed = true;
                    }
                }
                record.body = makeBodyFromMesh(mesh, fixed);
            }
        } else if (record.type == kPhysicsPlane) {
            record.nodeId = reader.getInt();
            record.plane.load(reader);
            if (reader.failed()) break;
            Node3D* node = findNode(record.nodeId);
            PlaneBody* plane = new PlaneBody(node);
            plane->setFlags(kBodyFixed);
            plane->setPlane(record.plane);
            adoptBody(plane);
            record.body = plane;
        }
        records_.push_back(record);
    }
    if (reported) {
        char text[96];
        std::snprintf(text, sizeof text, "error:physics node %d is not a mesh", static_cast<int>(firstBadId));
        messageBox(text, "Scene3D");
    }
}

void ScenePhysics::save(PackWriter& writer) const {
    writer.writeInt(static_cast<int32_t>(records_.size()));
    writer.writeInt(startFrame_);
    writer.writeFloat(defaultBounce_);
    writer.writeFloat(defaultSlide_);
    writer.writeFloat(gravityY_);
    writer.writeFloat(groundVelocity_);
    for (const Record& record : records_) {
        writer.writeInt(record.type);
        if (record.type == kPhysicsMeshBody || record.type == kPhysicsFreeMeshBody) {
            writer.writeInt(record.nodeId);
        } else if (record.type == kPhysicsPlane) {
            writer.writeInt(record.nodeId);
            record.plane.save(writer);
        }
    }
}
