// Scene clips: a scene graph with materials and controllers, loaded from the pack and drawn at the
// clip's local time.
#include "app/scene_clip.h"

#include "data/pack_reader.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"

SceneClip::SceneClip(MeshRegistry* registry) : registry_(registry) {}

SceneClip::~SceneClip() {
    delete controllers_;
    delete scene_;
    delete materials_;
}

int SceneClip::load(PackReader& reader) {
    ReadContext context(reader, "a scene clip");
    setContent(new Scene3D(), new MaterialLibrary(kSceneMaterialCapacity), new ControllerSet());
    materials_->clear();
    scene_->load(reader, materials_, registry_);
    if (reader.failed()) return 0;
    ReadContext controllerContext(reader, "scene controllers");
    controllers_->load(reader);
    return 0;
}

int SceneClip::save(PackWriter& writer) {
    if (!scene_ || !controllers_) return 1;
    scene_->save(writer, materials_);
    controllers_->save(writer);
    return 0;
}

int SceneClip::render(int32_t local, int width, int height, RenderDevice* device, float, float, TextureName) {
    if (!scene_ || !device) return 0;
    scene_->setTime(local);
    device->setMaterialLibrary(materials_);
    if (controllers_) controllers_->apply(local, scene_);
    scene_->update(device, width, height, true);
    scene_->draw(device, width, height, true);
    device->endFrame();
    return 0;
}

void SceneClip::setInPoint(int32_t ticks) {
    if (!controllers_) controllers_ = new ControllerSet();
    controllers_->setStartTime(ticks);
}

void SceneClip::setLength(int32_t ticks) {
    if (!controllers_) controllers_ = new ControllerSet();
    controllers_->setEndTime(ticks);
}

int32_t SceneClip::getInPoint() { return controllers_ ? controllers_->getStartTime() : 0; }

int32_t SceneClip::getLength() { return controllers_ ? controllers_->getEndTime() : 0; }

void SceneClip::setContent(Scene3D* scene, MaterialLibrary* materials, ControllerSet* controllers) {
    if (scene != scene_) delete scene_;
    if (materials != materials_) delete materials_;
    if (controllers != controllers_) delete controllers_;
    scene_ = scene;
    materials_ = materials;
    controllers_ = controllers;
}
