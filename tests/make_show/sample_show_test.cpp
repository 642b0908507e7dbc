// The sample show as the player loads it: no message box at all, every node type, clip kind and
// feature the show is meant to exercise, cuts on beats, and a byte-identical save after a load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "app/animation.h"
#include "app/scene_clip.h"
#include "data/pack_writer.h"
#include "fx/pisse3d.h"
#include "make_show/show_test_util.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/ticks.h"
#include "tools/make_show/artwork.h"
#include "tools/make_show/show_timing.h"

namespace {

// How often each node type and feature occurs over every scene clip.
std::map<std::string, int> census(const LoadedShow& show) {
    std::map<std::string, int> c;
    std::map<std::string, std::set<std::vector<int32_t>>> materialListsByKey;  // shared meshes
    for (Cell* cell : show.cells(kSceneTrack)) {
        auto* clip = dynamic_cast<SceneClip*>(cell);
        if (!clip) continue;
        Scene3D* scene = clip->scene();
        std::set<int> cameraIds;
        forEachNode(scene, [&](Node3D* node) {
            c[node->getTypeName()]++;
            if (node->hasKind(kKindCamera)) cameraIds.insert(node->getId());
            Node3D* parent = node->getParent();
            if (node->hasKind(kKindGroup) && parent && parent != scene && parent->hasKind(kKindGroup))
                c["nested group"]++;
            if (auto* mesh = dynamic_cast<StdMesh3D*>(node)) {
                if (mesh->sharesPoints() && mesh->sharesFaces())
                    materialListsByKey[mesh->getPointsKey()].insert(
                        std::vector<int32_t>(mesh->getMaterials(), mesh->getMaterials() + mesh->getFaceCount()));
                else if (!mesh->sharesPoints() && !mesh->sharesFaces())
                    c["inline mesh"]++;
                c["soft body"] += mesh->getEndFrame() > 0;
                c["translucent"] += mesh->getParam() < 1.0f;
            }
            if (auto* stream = dynamic_cast<Pisse3D*>(node)) {
                c["stream with flux"] += stream->findProperty("flux") != nullptr;
                Node3D* target = scene->findNodeById(stream->getTargetId());
                c["stream with target"] += target && target->hasKind(kKindTarget);
            }
        });
        for (const ScenePhysics::Record& r : scene->getPhysics()->records()) {
            if (!r.body) continue;
            c[r.type == kPhysicsPlane ? "plane body" : r.body->isFixed() ? "fixed body" : "moving body"]++;
            const char* name = r.body->getNode()->getName();
            c["bottle"] += r.body->notifiesAtRest() && std::strstr(name, "bouteille") && std::strlen(name) > 9;
        }
        for (Controller* k : clip->controllers()->controllers()) {
            c["position track"] += k->positionTrack() != nullptr;
            c["rotation track"] += k->rotationTrack() != nullptr;
            c["scale track"] += k->scaleTrack() != nullptr;
            c["visibility track"] += k->visibilityTrack() != nullptr;
            c["flown camera"] += cameraIds.count(k->getTargetId()) && k->positionTrack() && k->rotationTrack() &&
                                 k->positionTrack()->count() > 2 && k->rotationTrack()->count() > 2;
        }
    }
    for (const auto& [key, lists] : materialListsByKey) c["shared mesh with several material lists"] += lists.size() >= 2;
    return c;
}

}  // namespace

TEST_F(SampleShowTest, LoadsWithoutAnyMessageBoxAndHoldsEveryFeature) {
    EXPECT_TRUE(show_.boxes.calls().empty()) << show_.boxes.calls().front().caption << ": "
                                             << show_.boxes.calls().front().text;
    ASSERT_EQ(show_.timeline.getTrackCount(), kShowTrackCount);
    std::set<int> kinds;
    for (int t = 0; t < kShowTrackCount; ++t)
        for (Cell* cell : show_.cells(t)) kinds.insert(cell->getKind());
    EXPECT_EQ(kinds, (std::set<int>{kCellScene, kCellPicture, kCellAnimation}));
    ASSERT_NE(animationList, nullptr);
    int packedLibraries = 0, flcLibraries = 0, wipes = 0;
    for (Animation* a : *animationList) {
        flcLibraries += a->getFliReader() != nullptr;
        packedLibraries += !a->getFliReader() && a->frames().count() > 0;
    }
    EXPECT_EQ(packedLibraries, 1);
    EXPECT_EQ(flcLibraries, 1);
    for (Cell* cell : show_.cells(kOverlayTrack))
        if (auto* a = dynamic_cast<Animation*>(cell)) {
            ++wipes;
            EXPECT_EQ(a->frames().count(), kWipeFrames) << "the cell takes the library's frames";
        }
    EXPECT_EQ(wipes, 2);

    std::map<std::string, int> c = census(show_);
    // Each at least once, some at least or exactly as often as given (most 0: no limit).
    const struct { const char* what; int least = 1, most = 0; } expected[] = {
        {"Group3D"}, {"Camera3D-Source"}, {"Target3D"}, {"StdMesh3D"}, {"SeaMesh3D_FX"}, {"MetaCube_FX"},
        {"Pisse3D"}, {"shared mesh with several material lists", 3}, {"inline mesh", 11}, {"soft body", 3},
        {"translucent"}, {"nested group"}, {"plane body", 1, 1}, {"fixed body", 2}, {"moving body", 10},
        {"bottle", 3, 3}, {"stream with flux", 1, 1}, {"stream with target", 1, 1}, {"position track"},
        {"rotation track"}, {"scale track"}, {"visibility track"},
        {"flown camera", 5, 5}};  // every scene's camera is flown by keys
    for (const auto& e : expected) {
        EXPECT_GE(c[e.what], e.least) << e.what;
        if (e.most) {
            EXPECT_LE(c[e.what], e.most) << e.what;
        }
    }
}

TEST_F(SampleShowTest, ScenesChangeOnBeatsAndCoverMoreThanAMinute) {
    std::vector<Cell*> scenes = show_.cells(kSceneTrack);
    ASSERT_EQ(scenes.size(), 5u);
    int32_t expectedStart = 0;
    for (Cell* cell : scenes) {
        EXPECT_EQ(cell->getStart(), expectedStart) << "scenes follow each other without a gap";
        EXPECT_EQ(cell->getStart() % (kFramesPerBeat * kTicksPerFrame), 0) << "a cut on a beat";
        EXPECT_EQ(cell->getLength(), cell->getEnd() - cell->getStart());
        expectedStart = cell->getEnd();
    }
    EXPECT_GE(expectedStart / kTicksPerMillisecond / 1000.0, 60.0);
    // No track's closing key lies past the last scene (tools take it for the end of the show).
    for (int t = 0; t < show_.timeline.getTrackCount(); ++t)
        EXPECT_LE(show_.timeline.getTrack(t)->getLastTime(), expectedStart) << "track " << t;
    // The wipes are fully closed exactly on a scene change.
    for (Cell* wipe : show_.cells(kOverlayTrack)) {
        if (wipe->getKind() != kCellAnimation) continue;
        const int32_t middle = wipe->getStart() + kWipeFrames / 2 * kTicksPerFrame;
        EXPECT_TRUE(std::any_of(scenes.begin(), scenes.end(), [&](Cell* s) { return s->getStart() == middle; }));
    }
}

TEST(SampleShow, SaveLoadSaveGivesIdenticalBytes) {
    WorkingDirectory cwd(sampleShowFolder());
    ASSERT_TRUE(cwd.ok());
    std::string error;
    const std::vector<uint8_t> first = sampleShow().packBytes(&error);
    ASSERT_FALSE(first.empty()) << error;
    LoadedShow show;
    show.loadMemory(first);
    ASSERT_TRUE(show.result.loaded()) << show.result.error.text();
    EXPECT_EQ(show.result.bytes, first.size()) << "the loaders read the whole stream";
    PackWriter writer;
    writer.openMemory();
    ASSERT_TRUE(writeShowPack(writer, show.registry, show.timeline.content(sampleShow().flcFiles()), &error))
        << error;
    const std::vector<uint8_t>& second = writer.bytes();
    ASSERT_EQ(second.size(), first.size());
    const auto mismatch = std::mismatch(first.begin(), first.end(), second.begin());
    EXPECT_TRUE(mismatch.first == first.end()) << "first difference at byte " << (mismatch.first - first.begin());
}
