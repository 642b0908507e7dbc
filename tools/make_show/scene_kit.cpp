// SceneKit implementation.
#include "tools/make_show/scene_kit.h"

#include <algorithm>
#include <cmath>

#include "app/scene_clip.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/std_mesh3d.h"
#include "scene/camera3d.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/target3d.h"
#include "scene/track.h"
#include "tools/make_show/orientation.h"
#include "tools/make_show/show_timing.h"

namespace {

// The show's one light: from above, a little from the left and from the viewer's side.
Vector3 lightDirection() {
    Vector3 l(-0.45f, 0.8f, -0.4f);
    l.normalize();
    return l;
}

int shadeOf(const Vector3& normal) {
    float d = normal.dot(lightDirection());
    float lit = 0.5f + 0.5f * d;  // 0 facing away .. 1 facing the light
    int s = static_cast<int>(std::lround(lit * (kShadeCount - 1)));
    return std::clamp(s, 0, kShadeCount - 1);
}

int32_t tickOf(double frame) { return static_cast<int32_t>(std::lround(frame * kTicksPerFrame)); }

}  // namespace

MESH3D_ENTRY* addRegistryMesh(MeshRegistry& registry, const char* key, const char* name, const MeshData& shape) {
    PackWriter writer;
    writer.openMemory();
    writer.writeInt(0);  // tag
    writer.writeString(key);
    writer.writeString(name);
    writer.writeInt(static_cast<int32_t>(shape.points.size()));
    for (const Vector3& p : shape.points) p.save(writer);
    writer.writeInt(static_cast<int32_t>(shape.faces.size()));
    for (const auto& f : shape.faces) {
        writer.writeInt(static_cast<int32_t>(f.size()));
        for (int k : f) writer.writeInt(k);
    }
    PackReader reader;
    reader.openMemory(writer.bytes().data(), writer.bytes().size(), key);
    auto entry = std::make_unique<MESH3D_ENTRY>();
    entry->load(reader);
    if (reader.failed() || registry.addEntry(entry.get()) != 0) return nullptr;
    return entry.release();
}

SceneKit::SceneKit(MeshRegistry& registry, const ShowColour& background)
    : registry_(registry),
      scene_(new Scene3D()),
      materials_(new MaterialLibrary(kSceneMaterialCapacity)),
      controllers_(new ControllerSet()) {
    scene_->setBackgroundColour(Vector3(background.rf(), background.gf(), background.bf()));
}

SceneKit::~SceneKit() {
    // Only what finish() did not hand over.
    for (Controller* c : controllerOrder_) delete c;
    delete controllers_;
    delete scene_;
    delete materials_;
}

void SceneKit::material(int id, float r, float g, float b) {
    auto* m = new Material(id, ColorRGB(r, g, b));
    if (materials_->add(m) != 0) delete m;
}

void SceneKit::shadeRamp(int base, const ShowColour& colour, const ShowColour& shadowTint) {
    for (int s = 0; s < kShadeCount; ++s) {
        float t = static_cast<float>(s) / (kShadeCount - 1);  // 0 shadow .. 1 light
        float k = 0.42f + 0.58f * t;
        float lift = t > 0.8f ? (t - 0.8f) * 0.35f : 0.0f;  // the brightest shade leans to white
        auto mix = [&](float c, float tint) {
            float v = c * k + tint * (1.0f - k) * 0.6f;
            return std::min(1.0f, v + (1.0f - v) * lift);
        };
        material(base + s, mix(colour.rf(), shadowTint.rf()), mix(colour.gf(), shadowTint.gf()),
                 mix(colour.bf(), shadowTint.bf()));
    }
}

std::vector<int32_t> SceneKit::shadedMaterials(const MeshData& shape, int base) {
    std::vector<int32_t> out;
    for (size_t i = 0; i < shape.faces.size(); ++i) out.push_back(base + shadeOf(shape.faceNormal(static_cast<int>(i))));
    return out;
}

std::vector<int32_t> SceneKit::shadedTriangleMaterials(const MeshData& shape, int base) {
    return shadedMaterials(shape.triangulated(), base);
}

Node3D* SceneKit::parentOrRoot(Node3D* parent) { return parent ? parent : scene_; }

void SceneKit::attach(Node3D* parent, Node3D* node, const char* name, const Vector3& position, const Quaternion& q) {
    node->setId(newId());
    node->setName(name);
    node->setPosition(position);
    node->setQuaternion(q);
    parentOrRoot(parent)->addChild(node, 0);
}

void SceneKit::place(Node3D* parent, Node3D* node, const char* name, const Vector3& position,
                     const Quaternion& orientation) {
    attach(parent, node, name, position, orientation);
}

Group3D* SceneKit::group(Node3D* parent, const char* name, const Vector3& position, const Quaternion& orientation) {
    auto* g = new Group3D();
    attach(parent, g, name, position, orientation);
    return g;
}

StdMesh3D* SceneKit::mesh(Node3D* parent, const char* name, const MeshData& shape, int rampBase,
                          const Vector3& position, const Quaternion& orientation, const Vector3& scale) {
    StdMesh3D* m = meshWithMaterials(parent, name, shape, shadedTriangleMaterials(shape, rampBase), position, orientation);
    m->setScale(scale);
    return m;
}

StdMesh3D* SceneKit::meshWithMaterials(Node3D* parent, const char* name, const MeshData& shape,
                                       const std::vector<int32_t>& triangleMaterials, const Vector3& position,
                                       const Quaternion& orientation) {
    MeshData tri = shape.triangulated();
    auto* m = new StdMesh3D();
    auto* points = new Vector3[tri.points.size()];
    std::copy(tri.points.begin(), tri.points.end(), points);
    m->adoptPoints(static_cast<int>(tri.points.size()), points);
    std::vector<std::vector<int32_t>> words;
    std::vector<const int32_t*> faces;
    for (const auto& f : tri.faces) words.push_back({3, f[0], f[1], f[2]});
    for (const auto& w : words) faces.push_back(w.data());
    m->copyFaces(static_cast<int>(faces.size()), faces.data(), triangleMaterials.data());
    attach(parent, m, name, position, orientation);
    return m;
}

StdMesh3D* SceneKit::sharedMesh(Node3D* parent, const char* name, const char* key, int rampBase,
                                const Vector3& position, const Quaternion& orientation, const Vector3& scale) {
    MESH3D_ENTRY* entry = registry_.findByKey(key);
    if (!entry) return nullptr;
    MeshData shape;
    shape.points.assign(entry->getPoints(), entry->getPoints() + entry->getNbPts());
    for (int i = 0; i < entry->getNbFaces(); ++i) {
        const int32_t* f = entry->getFaces()[i];
        shape.faces.emplace_back(f + 1, f + 1 + f[0]);
    }
    std::vector<int32_t> materials = shadedMaterials(shape, rampBase);
    auto* m = new StdMesh3D();
    m->sharePoints(entry->getKey(), entry->getNbPts(), entry->getPoints());
    m->shareFaces(entry->getKey(), entry->getNbFaces(), entry->getFaces(), materials.data());
    m->setScale(scale);
    attach(parent, m, name, position, orientation);
    return m;
}

Camera3D* SceneKit::camera(const char* name, float fieldOfView) {
    auto* c = new Camera3D();
    c->setFieldOfView(fieldOfView);
    // Cameras are found among the scene's direct children only.
    attach(nullptr, c, name, Vector3(0, 0, -10), cameraLookAt(Vector3(0, 0, -10), Vector3(0, 0, 0)));
    return c;
}

Target3D* SceneKit::target(Node3D* parent, const char* name, const Vector3& position) {
    auto* t = new Target3D();
    attach(parent, t, name, position, noRotation());
    return t;
}

Controller* SceneKit::controllerFor(Node3D* node) {
    auto it = controllerOf_.find(node);
    if (it != controllerOf_.end()) return it->second;
    auto* c = new Controller();
    c->setTargetId(node->getId());
    controllerOf_[node] = c;
    controllerOrder_.push_back(c);
    return c;
}

void SceneKit::keyPosition(Node3D* node, double frame, const Vector3& p) {
    Controller* c = controllerFor(node);
    if (!c->positionTrack()) c->setPositionTrack(new Track());
    c->positionTrack()->insertKeyValue(new PositionValue(p), tickOf(frame));
}

void SceneKit::keyRotation(Node3D* node, double frame, const Quaternion& q) {
    Controller* c = controllerFor(node);
    if (!c->rotationTrack()) c->setRotationTrack(new Track());
    c->rotationTrack()->insertKeyValue(new RotationValue(q), tickOf(frame));
}

void SceneKit::keyScale(Node3D* node, double frame, const Vector3& s) {
    Controller* c = controllerFor(node);
    if (!c->scaleTrack()) c->setScaleTrack(new Track());
    c->scaleTrack()->insertKeyValue(new VectorValue(s), tickOf(frame));
}

void SceneKit::keyVisible(Node3D* node, double frame, bool visible) {
    Controller* c = controllerFor(node);
    if (!c->visibilityTrack()) c->setVisibilityTrack(new Track());
    c->visibilityTrack()->insertKeyValue(new FloatValue(visible ? 1.0f : 0.0f), tickOf(frame));
}

void SceneKit::flyCamera(Camera3D* camera, int first, int last, int step, const std::function<Vector3(double)>& eye,
                         const std::function<Vector3(double)>& target) {
    Quaternion previous(0, 0, 0, 1);
    bool havePrevious = false;
    for (int f = first;; f += step) {
        if (f > last) f = last;
        Vector3 e = eye(f);
        Quaternion q = cameraLookAt(e, target(f));
        // Keep consecutive keys on the same hemisphere so that each slerp takes the short way.
        if (havePrevious && previous.x * q.x + previous.y * q.y + previous.z * q.z + previous.w * q.w < 0)
            q = Quaternion(-q.x, -q.y, -q.z, -q.w);
        keyPosition(camera, f, e);
        keyRotation(camera, f, q);
        previous = q;
        havePrevious = true;
        if (f == last) break;
    }
    camera->setPosition(eye(first));
    camera->setQuaternion(previous);
}

void SceneKit::keepTime(Node3D* node, int lastFrame) {
    keyPosition(node, 0, node->getPosition());
    keyPosition(node, lastFrame, node->getPosition());
}

void SceneKit::physicsSettings(int startFrame, float bounce, float slide, float gravityY, float groundVelocity) {
    ScenePhysics* p = scene_->getPhysics();
    p->setStartFrame(startFrame);
    p->setDefaultBounce(bounce);
    p->setDefaultSlide(slide);
    p->setGravityY(gravityY);
    p->setGroundVelocity(groundVelocity);
}

void SceneKit::meshBody(StdMesh3D* mesh, bool fixed) {
    if (fixed) mesh->addProperty("cinetic_param", "fix");
    ScenePhysics::Record r;
    r.type = kPhysicsMeshBody;
    r.nodeId = mesh->getId();
    scene_->getPhysics()->addRecord(r);
}

void SceneKit::freeMeshBody(StdMesh3D* mesh) {
    ScenePhysics::Record r;
    r.type = kPhysicsFreeMeshBody;
    r.nodeId = mesh->getId();
    scene_->getPhysics()->addRecord(r);
}

void SceneKit::planeBody(Node3D* node, const Plane& plane) {
    ScenePhysics::Record r;
    r.type = kPhysicsPlane;
    r.nodeId = node->getId();
    r.plane = plane;
    scene_->getPhysics()->addRecord(r);
}

SceneClip* SceneKit::finish(int startFrame, int endFrame) {
    // Spawned drops draw with the display materials; the file's own (set by the scene) win.
    Scene3D::addDisplayMaterials(materials_);
    for (Controller* c : controllerOrder_) controllers_->prepend(c);
    controllerOrder_.clear();
    controllerOf_.clear();
    auto* clip = new SceneClip(&registry_);
    clip->setContent(scene_, materials_, controllers_);
    clip->setStart(startFrame * kTicksPerFrame);
    clip->setEnd(endFrame * kTicksPerFrame);
    clip->setInPoint(0);
    clip->setLength((endFrame - startFrame) * kTicksPerFrame);
    scene_ = nullptr;
    materials_ = nullptr;
    controllers_ = nullptr;
    return clip;
}
