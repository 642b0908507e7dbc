// The show's own work per frame, on the render device that draws nothing: a steady frame of the
// sample show (the same cells as the frame before, and no body joining or leaving the world: a
// falling drop is a new node, a settled one joins its emitter's list) makes no heap allocation,
// and the device is handed the show's primitives all the same.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/player.h"
#include "app/scene_clip.h"
#include "app/show_session.h"
#include "scene/scene3d.h"
#include "fx/pisse3d.h"
#include "make_show/show_test_util.h"
#include "platform/core/clock.h"
#include "platform/null/null_render_device.h"
#include "support/allocation_counter.h"
#include "tools/demotool/frame_schedule.h"
#include "tools/demotool/show_bench.h"

namespace {

// The cells drawn at a step, as (track, cell) pairs.
std::vector<std::pair<int, int>> cellKeys(const Timeline& timeline, int64_t step) {
    std::vector<std::pair<int, int>> keys;
    for (const DrawnCell& c : drawnCellsAt(timeline, step)) keys.emplace_back(c.track, c.cell);
    return keys;
}

// Every drop emitter of the show's scenes.
std::vector<Pisse3D*> emitters(const Timeline& timeline) {
    std::vector<Pisse3D*> found;
    for (int t = 0; t < timeline.getTrackCount(); ++t) {
        Track* track = timeline.getTrack(t);
        for (int k = 0; k < track->count(); ++k) {
            auto* cell = static_cast<Cell*>(track->getKey(k)->getValue());
            if (!cell || cell->getKind() != kCellScene) continue;
            Scene3D* scene = static_cast<SceneClip*>(cell)->scene();
            if (!scene) continue;
            forEachNode(scene, [&](Node3D* node) {
                if (auto* p = dynamic_cast<Pisse3D*>(node)) found.push_back(p);
            });
        }
    }
    return found;
}

long settledDrops(const std::vector<Pisse3D*>& emitters) {
    long n = 0;
    for (Pisse3D* p : emitters) n += p->settledDrops().count();
    return n;
}

}  // namespace

TEST(EngineFrame, SteadyFramesOfTheSampleShowAllocateNothing) {
    WorkingDirectory cwd(sampleShowFolder());
    ASSERT_TRUE(cwd.ok());
    CapturedMessageBoxes boxes;
    ShowSession::resetProcessState();

    ManualClock clock(0);
    NullRenderDevice device;
    MeshRegistry registry;
    auto player = std::make_unique<Player>(&device);
    const ShowLoadResult load = loadShow("data.pak", registry, player->timeline());
    ASSERT_TRUE(load.loaded()) << load.error.text();
    player->prepareStart(1);
    player->start();

    const std::vector<Pisse3D*> drops = emitters(player->timeline());
    ASSERT_FALSE(drops.empty());
    const int64_t end = static_cast<int64_t>(showEndSeconds(player->timeline()) * kStepsPerSecond);
    ASSERT_GT(end, 60 * 60);  // more than a minute of show
    std::vector<std::pair<int, int>> previous;
    long steadyFrames = 0;
    long growingFrames = 0;
    long allocatingFrames = 0;
    std::string allocatingSteps;
    AllocationCounter counter;
    for (int64_t step = 0; step < end; ++step) {
        // A cell's first frame may set itself up (soft bodies bind, effects size their buffers).
        std::vector<std::pair<int, int>> now = cellKeys(player->timeline(), step);
        const bool sameCells = now == previous;
        previous = std::move(now);
        clock.set(stepMilliseconds(step));
        const long long callsBefore = device.drawCallCount();
        const uint64_t treeBefore = nodeTreeVersion();
        const long settledBefore = settledDrops(drops);
        counter.restart();
        player->renderFrame(1024, 768, 0);
        const long allocations = counter.count();
        if (!sameCells) continue;
        if (nodeTreeVersion() != treeBefore || settledDrops(drops) != settledBefore) {
            ++growingFrames;
            continue;
        }
        ++steadyFrames;
        EXPECT_GT(device.drawCallCount(), callsBefore) << "nothing handed to the device at step " << step;
        if (allocations > 0) {
            ++allocatingFrames;
            if (allocatingFrames <= 40)
                allocatingSteps += " " + std::to_string(step) + ":" + std::to_string(allocations);
        }
    }
    // The drops fall for a few seconds of the show; most frames are steady.
    EXPECT_GT(growingFrames, 0);
    EXPECT_GT(steadyFrames, end * 3 / 4) << growingFrames << " frames grew the world";
    RecordProperty("steady_frames", static_cast<int>(steadyFrames));
    RecordProperty("growing_frames", static_cast<int>(growingFrames));
    EXPECT_EQ(allocatingFrames, 0) << "steps:allocations" << allocatingSteps;
    EXPECT_TRUE(boxes.calls().empty());
}
