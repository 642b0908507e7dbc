// SceneClip: a 3D scene with its material library and keyframe controllers, drawn through the
// render device at the clip's local time.
#pragma once

#include <cstdint>

#include "app/cell.h"

class MeshRegistry;
class MaterialLibrary;
class Scene3D;
class ControllerSet;

// Material slots of a scene clip.
constexpr int kSceneMaterialCapacity = 1000;

class SceneClip : public Cell {
public:
    // The clip resolves shared meshes through registry while loading.
    explicit SceneClip(MeshRegistry* registry);
    // Scene clips are never destroyed by the player; this releases what the clip made.
    ~SceneClip() override;
    SceneClip(const SceneClip&) = delete;
    SceneClip& operator=(const SceneClip&) = delete;

    int getKind() override { return kCellScene; }
    // New materials, scene and controllers; the scene record, then the controller record.
    int load(PackReader& reader) override;
    // The scene (with its materials), then the controllers; 1 (nothing written) for a clip without
    // a scene.
    int save(PackWriter& writer) override;
    // Scene time := local (unclamped); controllers applied at local clamped to [in, out];
    // update and draw passes; endFrame.
    int render(int32_t local, int width, int height, RenderDevice* device, float weight1, float weight2,
               TextureName texture) override;
    // The controllers' start and end times.
    void setInPoint(int32_t ticks) override;
    void setLength(int32_t ticks) override;
    int32_t getInPoint() override;
    int32_t getLength() override;

    // Builders: takes ownership of a scene, its materials and controllers (replacing any).
    void setContent(Scene3D* scene, MaterialLibrary* materials, ControllerSet* controllers);
    Scene3D* scene() const { return scene_; }
    MaterialLibrary* materials() const { return materials_; }
    ControllerSet* controllers() const { return controllers_; }

private:
    MeshRegistry* registry_;
    MaterialLibrary* materials_ = nullptr;
    Scene3D* scene_ = nullptr;
    ControllerSet* controllers_ = nullptr;
};
