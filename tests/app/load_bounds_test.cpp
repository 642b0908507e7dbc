// What loading costs, counted rather than timed: the pack shapes that once cost gigabytes,
// minutes or a thousand boxes (kept in the show_load fuzz corpus) load through the players'
// entry point with memory in proportion to what they show, a bounded number of allocations per
// record, at most eight distinct boxes and twenty lines of messages in all.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "data/mesh_registry.h"
#include "data/message_box_digest.h"
#include "support/allocation_counter.h"
#include "support/captured_message_boxes.h"

namespace {

std::vector<std::string> gLines;

struct Cost {
    ShowLoadResult result;
    long allocations;
    long peakMegabytes;
    size_t boxes;
    size_t lines;
};

// Loads a pack of the fuzz corpus as the players do and counts what it took.
Cost loadCost(const char* name) {
    allocateFrameBuffer();
    resetAnimationList();
    CapturedMessageBoxes boxes;
    gLines.clear();
    const ReportLineSink previous = setReportLineSink([](const char* line) { gLines.emplace_back(line); });
    Cost cost{};
    {
        MeshRegistry registry;
        Player player;
        AllocationCounter counter;
        cost.result =
            loadShow(std::string(DEMO_SOURCE_DIR) + "/fuzz/corpus/show_load/" + name, registry, player.timeline());
        cost.allocations = counter.count();
        cost.peakMegabytes = counter.peakBytes() >> 20;
    }
    setReportLineSink(previous);
    cost.boxes = boxes.calls().size();
    cost.lines = cost.boxes + gLines.size();
    return cost;
}

}  // namespace

TEST(LoadBounds, HostilePackShapesCostWhatTheyShow) {
    const struct {
        const char* pack;
        long records;         // cells, entries or body records the pack holds
        long allocationsEach;  // most allocations per record
        long megabytes;       // most memory held at once
    } cases[] = {
        {"hostile_bad_pictures.pak", 600, 8, 4},     // no image of their own
        {"hostile_animations.pak", 200000, 4, 128},  // 100,000 library animations, 100,000 cells
        {"hostile_registry.pak", 100000, 4, 96},
        {"hostile_physics.pak", 110000, 1, 32},      // 10,000 nodes, 100,000 body records
        {"hostile_boxes.pak", 61000, 6, 32},         // 60,000 properties, 1,000 meshes without points
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pack);
        const Cost cost = loadCost(c.pack);
        EXPECT_TRUE(cost.result.loaded()) << cost.result.error.text();
        EXPECT_LE(cost.allocations, c.records * c.allocationsEach);
        EXPECT_LE(cost.peakMegabytes, c.megabytes);
        EXPECT_LE(cost.boxes, static_cast<size_t>(MessageBoxDigest::kMaxShown));
        EXPECT_LE(cost.lines, 20u);
        std::printf("%s: %ld allocations, %ld MB at most, %zu boxes, %zu lines\n", c.pack, cost.allocations,
                    cost.peakMegabytes, cost.boxes, cost.lines);
    }
}

TEST(LoadBounds, RepeatedBoxesShowOnceAndAreCountedInOneLine) {
    const Cost cost = loadCost("hostile_boxes.pak");
    ASSERT_EQ(cost.boxes, 1u);
    ASSERT_EQ(gLines.size(), 1u);
    EXPECT_EQ(gLines[0], "error:factory NULL: 999 more");
    const Cost pictures = loadCost("hostile_bad_pictures.pak");
    ASSERT_EQ(pictures.boxes, 1u);
    ASSERT_EQ(gLines.size(), 1u);
    EXPECT_EQ(gLines[0], "text: 599 more");
}
