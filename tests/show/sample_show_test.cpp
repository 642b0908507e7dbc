// The sample show as the player loads it: no message box at all, every node type, clip kind and
// feature the show is meant to exercise, cuts on beats, and a byte-identical save after a load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "app/animation.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "app/track.h"
#include "data/pack_writer.h"
#include "fx/pisse3d.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/scene3d.h"
#include "scene/scene_physics.h"
#include "show/show_test_util.h"
#include "tools/make_show/artwork.h"
#include "tools/make_show/show_timing.h"

namespace {

std::vector<Cell*> cellsOf(Player& player, int track) {
    std::vector<Cell*> cells;
    Track* t = player.getTrack(track);
    for (int k = 0; t && k + 1 < t->count(); ++k) cells.push_back(static_cast<Cell*>(t->getKey(k)->getValue()));
    return cells;
}

// What the loaded scenes contain, gathered over every scene clip.
struct Census {
    std::map<std::string, int> typeNames;
    std::map<std::string, std::set<std::vector<int32_t>>> materialListsByKey;  // shared meshes
    int inlineMeshes = 0;
    int softBodies = 0;
    int translucent = 0;
    int nestedGroups = 0;  // groups inside groups
    int fixedBodies = 0, planeBodies = 0, movingBodies = 0, bottleBodies = 0;
    int streamsWithFlux = 0, streamsWithTarget = 0;
    int positionTracks = 0, rotationTracks = 0, scaleTracks = 0, visibilityTracks = 0;
    int flownCameras = 0;
};

Census census(Player& player) {
    Census c;
    for (Cell* cell : cellsOf(player, kSceneTrack)) {
        auto* clip = dynamic_cast<SceneClip*>(cell);
        if (!clip) continue;
        Scene3D* scene = clip->scene();
        std::set<int> cameraIds;
        forEachNode(scene, [&](Node3D* node) {
            c.typeNames[node->getTypeName()]++;
            if (node->hasKind(kKindCamera)) cameraIds.insert(node->getId());
            if (node->hasKind(kKindGroup) && node->getParent() && node->getParent() != scene &&
                node->getParent()->hasKind(kKindGroup))
                c.nestedGroups++;
            if (auto* mesh = dynamic_cast<StdMesh3D*>(node)) {
                if (mesh->sharesPoints() && mesh->sharesFaces()) {
                    std::vector<int32_t> list(mesh->getMaterials(), mesh->getMaterials() + mesh->getFaceCount());
                    c.materialListsByKey[mesh->getPointsKey()].insert(list);
                } else if (!mesh->sharesPoints() && !mesh->sharesFaces()) {
                    c.inlineMeshes++;
                }
                if (mesh->getEndFrame() > 0) c.softBodies++;
                if (mesh->getParam() < 1.0f) c.translucent++;
            }
            if (auto* stream = dynamic_cast<Pisse3D*>(node)) {
                if (stream->findProperty("flux")) c.streamsWithFlux++;
                if (scene->findNodeById(stream->getTargetId()) &&
                    scene->findNodeById(stream->getTargetId())->hasKind(kKindTarget))
                    c.streamsWithTarget++;
            }
        });
        for (const ScenePhysics::Record& r : scene->getPhysics()->records()) {
            if (!r.body) continue;
            if (r.type == kPhysicsPlane) c.planeBodies++;
            else if (r.body->isFixed()) c.fixedBodies++;
            else c.movingBodies++;
            if (r.body->notifiesAtRest()) {
                const char* name = r.body->getNode()->getName();
                if (std::strstr(name, "bouteille") && std::strlen(name) > 9) c.bottleBodies++;
            }
        }
        for (Controller* controller : clip->controllers()->controllers()) {
            if (controller->positionTrack()) c.positionTracks++;
            if (controller->rotationTrack()) c.rotationTracks++;
            if (controller->scaleTrack()) c.scaleTracks++;
            if (controller->visibilityTrack()) c.visibilityTracks++;
            if (cameraIds.count(controller->getTargetId()) && controller->positionTrack() &&
                controller->rotationTrack() && controller->positionTrack()->count() > 2 &&
                controller->rotationTrack()->count() > 2)
                c.flownCameras++;
        }
    }
    return c;
}

}  // namespace

TEST(SampleShow, LoadsWithoutAnyMessageBoxAndHoldsEveryFeature) {
    WorkingDirectory cwd(sampleShowFolder());
    ASSERT_TRUE(cwd.ok());
    LoadedShow show;
    show.loadFile();
    ASSERT_EQ(show.result, kShowLoaded) << show.reader.error();
    EXPECT_TRUE(show.boxes.calls().empty()) << show.boxes.calls().front().caption << ": "
                                           << show.boxes.calls().front().text;
    Player& player = *show.player;
    ASSERT_EQ(player.getTrackCount(), kShowTrackCount);

    // Clip kinds and library animations.
    std::set<int> kinds;
    for (int t = 0; t < player.getTrackCount(); ++t)
        for (Cell* cell : cellsOf(player, t)) kinds.insert(cell->getKind());
    EXPECT_EQ(kinds, (std::set<int>{kCellScene, kCellPicture, kCellAnimation}));
    ASSERT_NE(animationList, nullptr);
    int packedLibraries = 0, flcLibraries = 0;
    for (Animation* a : *animationList) {
        if (a->getFliReader()) flcLibraries++;
        else if (a->frames().count() > 0) packedLibraries++;
    }
    EXPECT_EQ(packedLibraries, 1);
    EXPECT_EQ(flcLibraries, 1);
    int wipes = 0;
    for (Cell* cell : cellsOf(player, kOverlayTrack)) {
        auto* a = dynamic_cast<Animation*>(cell);
        if (!a) continue;
        ++wipes;
        EXPECT_EQ(a->frames().count(), kWipeFrames) << "the cell takes the library's frames";
    }
    EXPECT_EQ(wipes, 2);

    Census c = census(player);
    for (const char* type : {"Group3D", "Camera3D-Source", "Target3D", "StdMesh3D", "SeaMesh3D_FX", "MetaCube_FX",
                             "Pisse3D"})
        EXPECT_GT(c.typeNames[type], 0) << type;
    int sharedWithSeveralLists = 0;
    for (const auto& [key, lists] : c.materialListsByKey)
        if (lists.size() >= 2) sharedWithSeveralLists++;
    EXPECT_GE(sharedWithSeveralLists, 3) << "registry meshes shown with different materials";
    EXPECT_GT(c.inlineMeshes, 10);
    EXPECT_GE(c.softBodies, 3);
    EXPECT_GT(c.translucent, 0);
    EXPECT_GT(c.nestedGroups, 0);
    EXPECT_EQ(c.planeBodies, 1);
    EXPECT_GE(c.fixedBodies, 2);
    EXPECT_GE(c.movingBodies, 10);
    EXPECT_EQ(c.bottleBodies, 3);
    EXPECT_EQ(c.streamsWithFlux, 1);
    EXPECT_EQ(c.streamsWithTarget, 1);
    EXPECT_GT(c.positionTracks, 0);
    EXPECT_GT(c.rotationTracks, 0);
    EXPECT_GT(c.scaleTracks, 0);
    EXPECT_GT(c.visibilityTracks, 0);
    EXPECT_EQ(c.flownCameras, 5) << "every scene's camera is flown by keys";
}

TEST(SampleShow, ScenesChangeOnBeatsAndCoverMoreThanAMinute) {
    WorkingDirectory cwd(sampleShowFolder());
    LoadedShow show;
    show.loadFile();
    ASSERT_EQ(show.result, kShowLoaded) << show.reader.error();
    std::vector<Cell*> scenes = cellsOf(*show.player, kSceneTrack);
    ASSERT_EQ(scenes.size(), 5u);
    int32_t expectedStart = 0;
    for (Cell* cell : scenes) {
        EXPECT_EQ(cell->getStart(), expectedStart) << "scenes follow each other without a gap";
        EXPECT_EQ(cell->getStart() % (kFramesPerBeat * kTicksPerFrame), 0) << "a cut on a beat";
        EXPECT_EQ(cell->getLength(), cell->getEnd() - cell->getStart());
        expectedStart = cell->getEnd();
    }
    const double seconds = expectedStart / kTicksPerMillisecond / 1000.0;
    EXPECT_GE(seconds, 60.0);
    // No track's closing key lies past the last scene (tools take it for the end of the show).
    for (int t = 0; t < show.player->getTrackCount(); ++t)
        EXPECT_LE(show.player->getTrack(t)->getLastTime(), expectedStart) << "track " << t;
    // The wipes are fully closed exactly on a scene change.
    for (Cell* wipe : cellsOf(*show.player, kOverlayTrack)) {
        if (wipe->getKind() != kCellAnimation) continue;
        int32_t middle = wipe->getStart() + kWipeFrames / 2 * kTicksPerFrame;
        EXPECT_TRUE(std::any_of(scenes.begin(), scenes.end(), [&](Cell* s) { return s->getStart() == middle; }));
    }
}

TEST(SampleShow, SaveLoadSaveGivesIdenticalBytes) {
    WorkingDirectory cwd(sampleShowFolder());
    ASSERT_TRUE(cwd.ok());
    std::string error;
    const std::vector<uint8_t> first = sampleShow().packBytes(&error);
    ASSERT_FALSE(first.empty()) << error;
    const std::map<std::string, std::string> flcFiles = sampleShow().flcFiles();
    LoadedShow show;
    show.loadMemory(first);
    ASSERT_EQ(show.result, kShowLoaded) << show.reader.error();
    EXPECT_EQ(show.reader.offset(), first.size()) << "the loaders read the whole stream";

    PackWriter writer;
    writer.openMemory();
    ASSERT_TRUE(writeShowPack(writer, show.registry, timelineOfPlayer(*show.player, flcFiles), &error)) << error;
    const std::vector<uint8_t>& second = writer.bytes();
    ASSERT_EQ(second.size(), first.size());
    auto mismatch = std::mismatch(first.begin(), first.end(), second.begin());
    EXPECT_TRUE(mismatch.first == first.end()) << "first difference at byte " << (mismatch.first - first.begin());
}
