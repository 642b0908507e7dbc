// Scene clips: in and out points, controller clamping against the unclamped scene time, and the
// frame's call order.
#include "app/scene_clip.h"

#include <gtest/gtest.h>

#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "scene/track.h"
#include "support/recording_render_device.h"

TEST(SceneClip, ControllersSeeTheClampedTimeAndTheSceneTheLocalTime) {
    // Group 5, moved by one controller from x = 0 at tick 0 to x = 600 at tick 600.
    auto* scene = new Scene3D();
    auto* node = new Group3D();
    node->setId(5);
    scene->addChild(node, 0);
    auto* track = new Track();
    track->insertKeyValue(new PositionValue(Vector3{0, 0, 0}), 0);
    track->insertKeyValue(new PositionValue(Vector3{600, 0, 0}), 600);
    auto* controller = new Controller();
    controller->setTargetId(5);
    controller->setPositionTrack(track);
    auto* controllers = new ControllerSet();
    controllers->prepend(controller);
    SceneClip clip(nullptr);
    clip.setContent(scene, new MaterialLibrary(kSceneMaterialCapacity), controllers);
    clip.setInPoint(300);
    clip.setLength(450);
    RecordingRenderDevice device;
    // Local time: controller time (clamped to in point .. length) and x; the scene keeps local.
    const struct {
        int32_t local, clamped;
        float x;
    } cases[] = {{300, 300, 300}, {900, 450, 450}, {100, 300, 300}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.local);
        clip.render(c.local, 1024, 768, &device, 1, 1, 0);
        EXPECT_FLOAT_EQ(clip.scene()->findNodeById(5)->getPosition().x, c.x);
        EXPECT_EQ(clip.scene()->findNodeById(5)->getTime(), c.clamped);
        EXPECT_EQ(clip.scene()->getTime(), c.local);
    }

    // One frame: the material library, the view (no camera: the fixed look-at), the background,
    // and endFrame last.
    device.clear();
    clip.render(400, 800, 600, &device, 1, 1, 0);
    EXPECT_EQ(device.getMaterialLibrary(), clip.materials());
    ASSERT_FALSE(device.records().empty());
    EXPECT_EQ(device.records().front().kind, RecordKind::LookAt);
    EXPECT_EQ(device.count(RecordKind::ClearColor), 1);
    EXPECT_EQ(device.records().back().kind, RecordKind::EndFrame);
}
