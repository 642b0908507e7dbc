// Live builds of a show source on a copy of the starter example: a saved edit is rebuilt once it
// has settled, a typo fails with its exact place and keeps the last good pack, the fix builds
// again; half-written saves and editor files do not cause builds of their own.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/show_source/live_build.h"

namespace fs = std::filesystem;

namespace {

using Outcome = LiveBuild::Outcome;

class LiveBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.path().empty());
        fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", source(), fs::copy_options::recursive);
        sceneText_ = readWholeFile(scene());
        ASSERT_FALSE(sceneText_.empty());
    }

    std::string source() const { return scratch_ / "source"; }
    std::string packs() const { return scratch_ / "packs"; }
    std::string scene() const { return source() + "/scenes/cube.yaml"; }

    // Writes a file as an editor saves it. Each save gets a modification time a second after
    // the one before, as saves by hand are: the file system's clock may not move between two
    // writes of a fast test.
    void save(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(++saves_));
    }

    // The scene file with one text replaced.
    std::string sceneWith(const std::string& from, const std::string& to) const {
        std::string text = sceneText_;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
        return text;
    }

    // Polls as the play loop does, every look interval from now_, until something happens or
    // a second of source time has passed.
    Outcome pollUntilDone(LiveBuild& live) {
        for (int i = 0; i < 10; ++i) {
            now_ += LiveBuild::kLookIntervalMs;
            const Outcome outcome = live.poll(now_);
            if (outcome != Outcome::Unchanged) return outcome;
        }
        return Outcome::Unchanged;
    }

    CapturedMessageBoxes boxes_;
    ScratchDir scratch_;
    std::string sceneText_;
    int saves_ = 0;
    double now_ = 0.0;
};

TEST_F(LiveBuildTest, EditTypoAndFixAreRebuiltFailedAndRebuilt) {
    const std::vector<std::string> sourceFiles = [&] {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(source())) files.push_back(e.path().string());
        return files;
    }();
    LiveBuild live(source(), packs());
    ASSERT_TRUE(LiveBuild::isSource(source()));
    EXPECT_FALSE(LiveBuild::isSource(packs()));
    ASSERT_EQ(live.build(), Outcome::Rebuilt) << ::testing::PrintToString(live.problemLines());
    const std::string first = readWholeFile(live.packPath());
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(fs::exists(packs() + "/music.mp3") || !fs::exists(source() + "/music.mp3"));
    EXPECT_EQ(pollUntilDone(live), Outcome::Unchanged) << "nothing was saved";
    EXPECT_EQ(live.buildCount(), 1);

    // A changed value: rebuilt, and the pack differs.
    save(scene(), sceneWith("background: [0.05, 0.05, 0.12]", "background: [0.25, 0.05, 0.12]"));
    ASSERT_EQ(pollUntilDone(live), Outcome::Rebuilt) << ::testing::PrintToString(live.problemLines());
    const std::string edited = readWholeFile(live.packPath());
    EXPECT_NE(edited, first);
    EXPECT_TRUE(live.problemLines().empty());
    EXPECT_EQ(live.buildCount(), 2);

    // A typo in a key: the problem with its exact place, and the last good pack stays.
    save(scene(), sceneWith("background: [0.05, 0.05, 0.12]", "background: [0.25, 0.05, 0.12]")
                      .replace(sceneText_.find("fieldOfView"), 11, "fieldOfVeiw"));
    // The camera's map (line 8) lacks its field of view, and the typo (line 12) is no key.
    ASSERT_EQ(pollUntilDone(live), Outcome::Failed);
    EXPECT_EQ(live.problemLines(), (std::vector<std::string>{"scenes/cube.yaml:8:7: the key 'fieldOfView'",
                                                             "scenes/cube.yaml:12:7: a known key, not 'fieldOfVeiw'"}));
    EXPECT_EQ(readWholeFile(live.packPath()), edited);
    // A failed source is not built again until it is saved again.
    EXPECT_EQ(pollUntilDone(live), Outcome::Unchanged);
    EXPECT_EQ(live.buildCount(), 3);

    // The fix: built again, to the very pack of the same text before.
    save(scene(), sceneWith("background: [0.05, 0.05, 0.12]", "background: [0.25, 0.05, 0.12]"));
    ASSERT_EQ(pollUntilDone(live), Outcome::Rebuilt) << ::testing::PrintToString(live.problemLines());
    EXPECT_TRUE(live.problemLines().empty());
    EXPECT_EQ(readWholeFile(live.packPath()), edited);

    // Nothing was ever written into the source.
    std::vector<std::string> after;
    for (const auto& e : fs::recursive_directory_iterator(source())) after.push_back(e.path().string());
    EXPECT_EQ(after, sourceFiles);
}

TEST_F(LiveBuildTest, ASaveIsBuiltOnceItHasSettled) {
    LiveBuild live(source(), packs());
    ASSERT_EQ(live.build(), Outcome::Rebuilt);

    // The first half of a save: seen, but not built while it may still be written.
    const std::string edited = sceneWith("fieldOfView: 60", "fieldOfView: 45");
    save(scene(), edited.substr(0, edited.size() / 2));
    EXPECT_EQ(live.poll(now_ += 1000), Outcome::Unchanged);
    // Looks come no more often than the look interval.
    save(scene(), edited);
    EXPECT_EQ(live.poll(now_ + LiveBuild::kLookIntervalMs / 2), Outcome::Unchanged);
    // The rest of the save changed the file again: it waits once more, then builds it whole.
    EXPECT_EQ(live.poll(now_ += LiveBuild::kLookIntervalMs), Outcome::Unchanged);
    EXPECT_EQ(live.buildCount(), 1);
    EXPECT_EQ(live.poll(now_ += LiveBuild::kSettleMs), Outcome::Rebuilt)
        << ::testing::PrintToString(live.problemLines());
    EXPECT_EQ(live.buildCount(), 2);

    // A new file counts as a change, a removed one too (here the picture a cell names).
    fs::rename(source() + "/pictures/title.png", source() + "/title-moved.png");
    ASSERT_EQ(pollUntilDone(live), Outcome::Failed);
    ASSERT_FALSE(live.problemLines().empty());
    EXPECT_NE(live.problemLines()[0].find("show.yaml:"), std::string::npos) << live.problemLines()[0];
    fs::rename(source() + "/title-moved.png", source() + "/pictures/title.png");
    EXPECT_EQ(pollUntilDone(live), Outcome::Rebuilt) << ::testing::PrintToString(live.problemLines());
}

TEST_F(LiveBuildTest, EditorFilesAndThePackFolderAreNotChanges) {
    // The pack folder inside the source: its builds must not look like saves.
    const std::string inside = source() + "/out";
    LiveBuild live(source(), inside);
    ASSERT_EQ(live.build(), Outcome::Rebuilt);
    ASSERT_TRUE(fs::exists(live.packPath()));
    save(source() + "/.cube.yaml.swp", "swap");
    save(source() + "/scenes/cube.yaml~", "backup");
    save(source() + "/scenes/.hidden", "x");
    fs::create_directories(source() + "/.git");
    save(source() + "/.git/index", "index");
    save(inside + "/data.pak", "not a pack, and not a change");
    EXPECT_EQ(pollUntilDone(live), Outcome::Unchanged);
    EXPECT_EQ(live.buildCount(), 1);
}

TEST_F(LiveBuildTest, MusicRemovedFromTheSourceLeavesThePackSilent) {
    save(source() + "/music.mp3", "not really music, copied as it is");
    LiveBuild live(source(), packs());
    ASSERT_EQ(live.build(), Outcome::Rebuilt);
    EXPECT_EQ(readWholeFile(packs() + "/music.mp3"), "not really music, copied as it is");
    fs::remove(source() + "/music.mp3");
    ASSERT_EQ(pollUntilDone(live), Outcome::Rebuilt);
    EXPECT_FALSE(fs::exists(packs() + "/music.mp3"));
}

}  // namespace
