// Scene clips: in and out points, controller clamping against the unclamped scene time, the
// frame's call order, and the record through the player's cell loader.
#include <gtest/gtest.h>

#include "app/player.h"
#include "app/scene_clip.h"
#include "app/fsound.h"
#include "data/mesh_registry.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "test_packs.h"

namespace {

// A clip whose scene holds group 5, moved by one controller from x = 0 at tick 0 to x = 600 at
// tick 600.
SceneClip* makeClip() {
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
    auto* clip = new SceneClip(nullptr);
    clip->setContent(scene, new MaterialLibrary(kSceneMaterialCapacity), controllers);
    return clip;
}

Node3D* movedNode(SceneClip& clip) { return clip.scene()->findNodeById(5); }

}  // namespace

TEST(SceneClip, ControllersSeeTheClampedTimeAndTheSceneTheLocalTime) {
    SceneClip* clip = makeClip();
    clip->setInPoint(300);
    clip->setLength(450);
    EXPECT_EQ(clip->getInPoint(), 300);
    EXPECT_EQ(clip->getLength(), 450);
    RecordingRenderDevice device;

    clip->render(300, 1024, 768, &device, 1, 1, 0);
    EXPECT_FLOAT_EQ(movedNode(*clip)->getPosition().x, 300.0f);
    EXPECT_EQ(clip->scene()->getTime(), 300);

    clip->render(900, 1024, 768, &device, 1, 1, 0);
    EXPECT_FLOAT_EQ(movedNode(*clip)->getPosition().x, 450.0f);
    EXPECT_EQ(movedNode(*clip)->getTime(), 450);
    EXPECT_EQ(clip->scene()->getTime(), 900);

    clip->render(100, 1024, 768, &device, 1, 1, 0);
    EXPECT_FLOAT_EQ(movedNode(*clip)->getPosition().x, 300.0f);
    EXPECT_EQ(clip->scene()->getTime(), 100);

    // One frame: the material library, the view (no camera: the fixed look-at), the background,
    // and endFrame last.
    device.clear();
    clip->render(400, 800, 600, &device, 1, 1, 0);
    EXPECT_EQ(device.getMaterialLibrary(), clip->materials());
    ASSERT_FALSE(device.records().empty());
    EXPECT_EQ(device.records().front().kind, RecordKind::LookAt);
    EXPECT_EQ(device.count(RecordKind::ClearColor), 1);
    EXPECT_EQ(device.records().back().kind, RecordKind::EndFrame);
    delete clip;
}

TEST(SceneClip, CellRecordRoundTripKeepsInAndOutPointsInTicks) {
    FSoundRecorder sound;
    CapturedMessageBoxes boxes;
    SceneClip* original = makeClip();
    original->setStart(10 * 30);
    original->setEnd(40 * 30);
    original->setInPoint(5 * 30);
    original->setLength(25 * 30);
    PackWriter w;
    w.openMemory();
    Player::saveCell(w, *original, "scene");

    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    Player player;
    int32_t start = 0;
    int32_t end = 0;
    Cell* cell = player.loadCell(reader, &start, &end, registry);
    ASSERT_FALSE(reader.failed()) << reader.error();
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(reader.offset(), w.bytes().size());
    EXPECT_EQ(cell->getKind(), kCellScene);
    EXPECT_EQ(start, 300);
    EXPECT_EQ(end, 1200);
    EXPECT_EQ(cell->getStart(), 300);
    EXPECT_EQ(cell->getEnd(), 1200);
    EXPECT_EQ(cell->getInPoint(), 150);
    EXPECT_EQ(cell->getLength(), 750);
    auto* clip = static_cast<SceneClip*>(cell);
    ASSERT_NE(movedNode(*clip), nullptr);
    EXPECT_EQ(clip->controllers()->controllers().count(), 1);
    RecordingRenderDevice device;
    clip->render(500, 1024, 768, &device, 1, 1, 0);
    EXPECT_FLOAT_EQ(movedNode(*clip)->getPosition().x, 500.0f);
    // Clamped to 750, past the last key: the position is left as it was.
    clip->render(1000, 1024, 768, &device, 1, 1, 0);
    EXPECT_FLOAT_EQ(movedNode(*clip)->getPosition().x, 500.0f);
    EXPECT_EQ(clip->scene()->getTime(), 1000);
    EXPECT_TRUE(boxes.calls().empty());
    delete original;
    delete clip;
}
