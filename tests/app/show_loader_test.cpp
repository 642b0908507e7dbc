// The show's load: a sound pack loads without a word; a missing one gives an empty show; a
// damaged one (cut short, an unknown cell type or key kind, an impossible count) stops loading
// with the error naming the file, the byte offset and what was being read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/animation.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "app/timeline_writer.h"
#include "scene/track.h"
#include "support/captured_message_boxes.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

struct LoadOutcome {
    ShowLoadResult result;
    std::vector<MessageBoxCall> boxes;
    std::vector<int> keysPerTrack;
    int animations;
};

// Loads a show from bytes, or from the file path when bytes is null.
LoadOutcome load(const std::vector<uint8_t>* bytes, const std::string& path = "") {
    CapturedMessageBoxes boxes;
    resetAnimationList();
    PackReader reader;
    MeshRegistry registry;
    Timeline timeline;
    LoadOutcome outcome;
    if (bytes) reader.openMemory(bytes->data(), bytes->size(), "data.pak");
    outcome.result = bytes ? loadShowFrom(reader, registry, timeline) : loadShow(path, registry, timeline);
    outcome.boxes = boxes.calls();
    for (int i = 0; i < timeline.getTrackCount(); ++i) outcome.keysPerTrack.push_back(timeline.getTrack(i)->count());
    outcome.animations = animationList->count();
    return outcome;
}

// The byte offset a load error names, or -1.
long reportedOffset(const std::string& text) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("at byte ([0-9]+)")) ? std::stol(m[1]) : -1;
}

}  // namespace

TEST(ShowLoader, EveryTruncationIsReportedOnceWithItsOffset) {
    const ShowPack pack = buildShowPack();
    const size_t size = pack.bytes.size();
    // Offsets are 64-bit in the writer; the pack is small, so each fits a size_t.
    const auto at = [](uint64_t offset) { return static_cast<size_t>(offset); };
    std::vector<size_t> cuts = {0, 1, 3, at(pack.timeline), at(pack.timeline + 2), at(pack.trackCount),
                                at(pack.sceneRecord), size - 1, size - 5, at(pack.pictureRecord + 9),
                                at(pack.sceneRecord + 40)};
    for (size_t cut = 7; cut < size; cut += size / 40) cuts.push_back(cut);
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const std::vector<uint8_t> bytes(pack.bytes.begin(), pack.bytes.begin() + ptrdiff_t(cut));
        const LoadOutcome outcome = load(&bytes);
        EXPECT_EQ(outcome.result.status, ShowLoadStatus::Damaged);
        EXPECT_TRUE(outcome.boxes.empty());
        const std::string text = outcome.result.error.text();
        EXPECT_NE(text.find("data.pak: truncated at byte"), std::string::npos) << text;
        EXPECT_EQ(reportedOffset(text), static_cast<long>(outcome.result.error.offset));
        // The offset is where the read that ran out began: a value, or a block of bytes.
        EXPECT_LE(reportedOffset(text), static_cast<long>(cut)) << text;
        EXPECT_GE(reportedOffset(text) + (1 << 16), static_cast<long>(cut)) << text;
    }
}

TEST(ShowLoader, DamagedRecordsStopTheLoadNamingWhatAndWhere) {
    const ShowPack pack = buildShowPack();
    auto with = [&](uint64_t at, int32_t value) {
        std::vector<uint8_t> bytes = pack.bytes;
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(uint32_t(value) >> (8 * i));
        return bytes;
    };
    // One controller on target 1 with a position track of one key of kind 9.
    const ShowPack badKey = buildShowPack([](PackWriter& w) {
        for (int32_t v : {0, 600, 0, 1, 1, 1, 0, 0, 0, 1, 0, 9}) w.writeInt(v);
        for (int i = 0; i < 3; ++i) w.writeFloat(1.0f);
    });
    const long cellFields = static_cast<long>(pack.pictureRecord) + 12 + 8 + 16;  // 3 ints, "cell", 4 ints
    auto count = [](uint64_t at) { return std::make_pair(long(at), long(at) + 4); };
    const struct {
        std::vector<uint8_t> bytes;
        std::vector<std::string> words;  // in the load error
        std::pair<long, long> offset;    // the range the reported offset lies in
    } cases[] = {
        {with(pack.pictureRecord + 4, 7), {"unknown cell type 7"}, {cellFields, cellFields}},
        {badKey.bytes, {"unknown key value kind 9"}, {long(badKey.sceneRecord), long(badKey.bytes.size())}},
        {with(pack.timeline, -3), {"library animations", "-3"}, count(pack.timeline)},
        {with(pack.trackCount, 2000000000), {"tracks", "2000000000"}, count(pack.trackCount)},
        {with(pack.trackCount + 4, -1), {"cells", "-1"}, count(pack.trackCount + 4)},
        // After mode and "loop": the first frame's length; in the picture cell: start, in frames.
        {with(pack.timeline + 16, 0x7FFFFFF0), {"packed frame length", "2147483632"},
         count(pack.timeline + 16)},
        {with(pack.pictureRecord + 20, 1 << 30), {"cell frame number", "1073741824"},
         {cellFields, cellFields}},
        {with(pack.pictureRecord + 24, (1 << 24) + 1), {"cell frame number", "16777217"},
         {cellFields, cellFields}},
    };
    // Frame numbers up to 2^24 either way are legal; one beyond is not.
    for (int32_t frame : {1 << 24, -(1 << 24)}) {
        const std::vector<uint8_t> bytes = with(pack.pictureRecord + 20, frame);
        const LoadOutcome outcome = load(&bytes);
        EXPECT_TRUE(outcome.result.loaded()) << frame << ": " << outcome.result.error.text();
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words[0]);
        const LoadOutcome outcome = load(&c.bytes);
        EXPECT_EQ(outcome.result.status, ShowLoadStatus::Damaged);
        // An unknown cell type shows the player's own box.
        const bool cellType = c.words[0].find("cell type") != std::string::npos;
        ASSERT_EQ(outcome.boxes.size(), cellType ? 1u : 0u);
        if (cellType) {
            EXPECT_EQ(outcome.boxes[0].text, "Type de cellule inconnu lors du load");
            EXPECT_EQ(outcome.boxes[0].caption, "IN PLAYER");
        }
        const std::string text = outcome.result.error.text();
        for (const std::string& word : c.words) EXPECT_NE(text.find(word), std::string::npos) << text;
        EXPECT_GE(reportedOffset(text), c.offset.first) << text;
        EXPECT_LE(reportedOffset(text), c.offset.second) << text;
    }
}

TEST(ShowLoader, TheLoadedTimelineWritesBackOneRecordPerCell) {
    const ShowPack pack = buildShowPack();
    CapturedMessageBoxes boxes;
    resetAnimationList();
    PackReader reader;
    reader.openMemory(pack.bytes.data(), pack.bytes.size(), "data.pak");
    MeshRegistry registry;
    Timeline timeline;
    ASSERT_TRUE(loadShowFrom(reader, registry, timeline).loaded());
    const TimelineContent content = timeline.content();
    ASSERT_EQ(content.tracks.size(), 3u);
    for (int t = 0; t < 3; ++t) {
        ASSERT_EQ(content.tracks[t].size(), 1u) << t;  // the closing key starts no cell
        EXPECT_EQ(content.tracks[t][0], timeline.getTrack(t)->getKey(0)->getValue()) << t;
    }
    PackWriter w;
    w.openMemory();
    registry.save(w);
    ASSERT_TRUE(writeTimeline(w, content).ok());
    const LoadOutcome again = load(&w.bytes());
    ASSERT_TRUE(again.result.loaded()) << again.result.error.text();
    EXPECT_EQ(again.keysPerTrack, (std::vector<int>{2, 2, 2}));
}

TEST(ShowLoader, FilesLoadAndAMissingOneGivesAnEmptyShow) {
    const LoadOutcome missing = load(nullptr, testing::TempDir() + "/no_such_data.pak");
    EXPECT_EQ(missing.result.status, ShowLoadStatus::NoPack);
    EXPECT_EQ(missing.result.error.text(), testing::TempDir() + "/no_such_data.pak: cannot be opened");
    EXPECT_EQ(missing.keysPerTrack, std::vector<int>(4, 0));
    EXPECT_EQ(missing.animations, 0);
    EXPECT_TRUE(missing.boxes.empty());

    const std::string path = testing::TempDir() + "/t1_data.pak";
    PackWriter file;
    ASSERT_EQ(file.open(path.c_str()), 0);
    const ShowPack pack = buildShowPack();
    file.writeBytes(pack.bytes.data(), pack.bytes.size());
    ASSERT_TRUE(file.close());
    const LoadOutcome loaded = load(nullptr, path);
    EXPECT_TRUE(loaded.result.loaded());
    EXPECT_EQ(loaded.keysPerTrack, std::vector<int>(3, 2));  // each cell and its closing key
    EXPECT_EQ(loaded.animations, 1);
    EXPECT_TRUE(loaded.boxes.empty());

    // The same file with its compressed bytes damaged in the middle.
    std::vector<char> gz(fs::file_size(path));
    std::ifstream(path, std::ios::binary).read(gz.data(), std::streamsize(gz.size()));
    for (size_t i = gz.size() / 2; i < gz.size() / 2 + 64; ++i) gz[i] = static_cast<char>(gz[i] ^ 0x5A);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(gz.data(), std::streamsize(gz.size()));
    const LoadOutcome damaged = load(nullptr, path);
    EXPECT_EQ(damaged.result.status, ShowLoadStatus::Damaged);
    EXPECT_TRUE(damaged.boxes.empty());
    EXPECT_GE(reportedOffset(damaged.result.error.text()), 0) << damaged.result.error.text();
    fs::remove(path);
}
