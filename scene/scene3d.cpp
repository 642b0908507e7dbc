// Scene3D: the scene record, camera selection, the per-frame passes with the physics step, and
// the cubes spawned for particle streams.
#include "scene/scene3d.h"

#include <algorithm>
#include <climits>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "scene/render_device.h"
#include "scene/ticks.h"

namespace {

// Slots of a scene clip's material library (used when load is given none).
constexpr int kSceneMaterialSlots = 1000;

void collectMaxId(Node3D* node, int64_t& maxId) {
    for (Node3D* child : node->children()) {
        if (!child) continue;
        maxId = std::max<int64_t>(maxId, child->getId());
        collectMaxId(child, maxId);
    }
}

ScenePhysicsMaker scenePhysicsMaker = nullptr;

}  // namespace

void setScenePhysicsMaker(ScenePhysicsMaker maker) { scenePhysicsMaker = maker; }

Scene3D::Scene3D() : physics_(scenePhysicsMaker ? scenePhysicsMaker(this) : nullptr) { setName("The Scene"); }

Scene3D::~Scene3D() { physics_.reset(); }

void Scene3D::addChild(Node3D* child, int where) { Node3D::addChild(child, where); }

void Scene3D::removeChild(Node3D* node) {
    children().remove(node);
    noteNodeTreeChange();
}

Camera3D* Scene3D::selectCamera() {
    for (Node3D* child : children())
        if (child && child->hasKind(kKindCamera))
            if (Camera3D* camera = dynamic_cast<Camera3D*>(child)) return camera;
    return nullptr;
}

int Scene3D::update(RenderDevice* device, int width, int height, bool recurse) {
    if (device) {
        if (Camera3D* camera = selectCamera())
            device->setCamera(*camera, width, height);
        else
            device->setLookAt(Vector3(0.0f, 0.0f, -400.0f), Vector3(0.0f, 0.0f, 0.0f), width, height);
    }
    if (recurse) updateChildren(device, width, height);
    return 0;
}

int Scene3D::draw(RenderDevice* device, int width, int height, bool recurse) {
    if (physics_) physics_->stepFrame(static_cast<int32_t>(static_cast<uint32_t>(getTime()) / kTicksPerFrame));
    if (device) device->setClearColor(backgroundColour_.x, backgroundColour_.y, backgroundColour_.z);
    if (recurse) drawChildren(device, width, height);
    return 0;
}

ColorRGB Scene3D::displayMaterialColour(int index) {
    ColorRGB colour(1.0f, 100.0f / 255.0f, 83.0f / 255.0f);
    for (int i = 0; i < index; ++i) colour.subtract(ColorRGB(0.1f, 0.1f, 0.1f));
    return colour;
}

void Scene3D::addDisplayMaterials(MaterialLibrary* materials) {
    if (!materials) return;
    for (int i = 0; i < kDisplayMaterialCount; ++i) {
        Material* material = new Material(kFirstDisplayMaterial + i, displayMaterialColour(i));
        if (materials->add(material) != 0) delete material;  // the file's material keeps the id
    }
}

void Scene3D::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    ReadContext context(reader, "a scene");
    std::unique_ptr<MaterialLibrary> scratch;
    if (!materials) {
        scratch = std::make_unique<MaterialLibrary>(kSceneMaterialSlots);
        materials = scratch.get();
    }
    materials->load(reader);
    backgroundColour_.load(reader);
    Group3D::load(reader, materials, registry);
    nextNodeId_ = -1;
    if (physics_) {
        addDisplayMaterials(scratch ? nullptr : materials);
        physics_->load(reader);
    } else {
        // Without a world the physics record cannot be read, and what follows it would be misread.
        reader.fail("no physics world for the scene");
    }
}

void Scene3D::save(PackWriter& writer, MaterialLibrary* materials) {
    if (materials) {
        materials->save(writer);
    } else {
        MaterialLibrary empty(kSceneMaterialSlots);
        empty.save(writer);
    }
    backgroundColour_.save(writer);
    Group3D::save(writer, materials);
    if (physics_) physics_->save(writer);
}

int32_t Scene3D::newNodeId() {
    if (nextNodeId_ < 0) {
        int64_t maxId = std::max<int64_t>(0, getId());
        collectMaxId(this, maxId);
        nextNodeId_ = maxId + 1;
    }
    for (;;) {
        if (nextNodeId_ > INT32_MAX) nextNodeId_ = 1;
        const int32_t id = static_cast<int32_t>(nextNodeId_++);
        if (id != getId() && !findNodeById(id)) return id;
    }
}

CubeBody* Scene3D::spawnCube(float size, const Vector3& position, const Vector3& velocity, const Vector3& angles) {
    return physics_ ? physics_->spawnCube(size, position, velocity, angles) : nullptr;
}

void Scene3D::spawnBody(float size, const Vector3& position, const Vector3& velocity, const Vector3& angles,
                        float u1, float u2, float u3) {
    spawnCube(size, position, velocity, angles);
}
