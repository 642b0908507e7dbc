// The show session: a show opens from a folder given as a path (its pack, the files the pack
// names and its music) without touching the working directory; every open starts from the state
// of a fresh process; steps, seeks and restarts bring the show to the state an unbroken run from
// step 0 gives; the cells due at a step follow the player's rule.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/show_session.h"
#include "app/timeline.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "math/random.h"
#include "scene/track.h"
#include "support/captured_message_boxes.h"
#include "support/test_bytes.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> fliFatalLines;

// A pack whose library plays the file anims/clip.fli (named with the stored separator '\'), and
// one track with an animation cell of it.
std::vector<uint8_t> packNamingAFile() {
    CapturedMessageBoxes quiet;
    PackWriter w;
    w.openMemory();
    MeshRegistry().save(w);
    w.writeInt(1);
    w.writeInt(1);
    w.writeString("clip");
    w.writeString("anims\\clip.fli");
    w.writeInt(0);
    for (int32_t v : {1, 1}) w.writeInt(v);
    writeCellHeader(w, kCellAnimation, 10, 20);
    w.writeInt(0);
    w.writeString("clip");
    w.writeInt(0);
    return w.bytes();
}

// A fresh folder under the test's temporary folder.
fs::path freshFolder(const std::string& name) {
    const fs::path dir = fs::path(testing::TempDir()) / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir;
}

class ShowSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fliFatalLines.clear();
        previousSink_ = setFliFatalSink([](const char* line) { fliFatalLines.emplace_back(line); });
    }
    void TearDown() override {
        fliClose();
        setFliFatalSink(previousSink_);
    }

    CapturedMessageBoxes boxes_;
    FliFatalSink previousSink_ = nullptr;
};

}  // namespace

TEST(PackReaderFolder, NamesStayAsGivenInTheWorkingDirectoryAndJoinAnyOtherFolder) {
    PackReader reader;
    EXPECT_EQ(reader.pathInFolder("spinner.flc"), "spinner.flc");
    reader.setFolder(".");
    EXPECT_EQ(reader.pathInFolder("anims/a.fli"), "anims/a.fli");
    reader.setFolder("shows/one");
    EXPECT_EQ(reader.pathInFolder("a.fli"), "shows/one/a.fli");
    reader.setFolder("/shows/one/");
    EXPECT_EQ(reader.pathInFolder("a.fli"), "/shows/one/a.fli");
    // Opening a stream keeps the folder.
    const std::vector<uint8_t> bytes = {0, 0, 0, 0};
    reader.openMemory(bytes.data(), bytes.size(), "data.pak");
    EXPECT_EQ(reader.folder(), "/shows/one/");
}

TEST_F(ShowSessionTest, OpensAFolderGivenAsAPathWithTheFilesItNamesAndLeavesTheWorkingDirectory) {
    const fs::path here = fs::current_path();
    const fs::path show = freshFolder("session_show");
    fs::create_directories(show / "anims");
    const auto frame = fliFrame({fliChunk(kFliCopy, {1, 1, 1, 1})});
    writeTemp("clip.fli", fliFile(kFliMagic, 3, 2, 2, {frame, frame, frame}), (show / "anims").string());
    writeTemp("data.pak", packNamingAFile(), show.string());

    ShowSession session(ShowSession::DeviceKind::Null);
    const ShowLoadResult load = session.open(show.string());
    ASSERT_TRUE(load.loaded()) << load.error.text();
    EXPECT_TRUE(fliFatalLines.empty()) << fliFatalLines.front();
    EXPECT_EQ(fliFrameCount(), 3);  // the file inside the show's folder was opened
    EXPECT_EQ(fs::current_path(), here);
    ASSERT_NE(session.timeline(), nullptr);
    EXPECT_EQ(session.timeline()->getTrackCount(), 1);
    EXPECT_EQ(session.folder(), show.string());

    // The same pack in a folder without the file: the decoder's error names the file where it
    // was looked for.
    const fs::path bare = freshFolder("session_bare");
    writeTemp("data.pak", packNamingAFile(), bare.string());
    EXPECT_TRUE(session.open(bare.string()).loaded());
    ASSERT_EQ(fliFatalLines.size(), 1u);
    EXPECT_NE(fliFatalLines[0].find(bare.string() + "/anims/clip.fli"), std::string::npos) << fliFatalLines[0];
    EXPECT_EQ(fs::current_path(), here);

    // A folder without a pack: "data.pak" could not be opened. A damaged pack is called so too.
    const ShowLoadResult none = session.open((show / "nowhere").string());
    EXPECT_EQ(none.status, ShowLoadStatus::NoPack);
    EXPECT_EQ(none.error.file, "data.pak");
    EXPECT_TRUE(session.isOpen());  // an empty show, as the player plays it
    EXPECT_EQ(session.timeline()->getTrackCount(), 4);
    std::vector<uint8_t> cut = packNamingAFile();
    cut.resize(cut.size() - 3);
    writeTemp("data.pak", cut, bare.string());
    const ShowLoadResult damaged = session.open(bare.string());
    EXPECT_EQ(damaged.status, ShowLoadStatus::Damaged);
    EXPECT_EQ(damaged.error.text().rfind("data.pak: ", 0), 0u) << damaged.error.text();
    // A pack opened from a path is called by that path unless a name is given.
    const std::string packPath = (show / "data.pak").string();
    ASSERT_TRUE(session.openPack(packPath, show.string()).loaded());
    const ShowLoadResult named = session.openPack((show / "none.pak").string(), show.string(), "none.pak");
    EXPECT_EQ(named.error.file, "none.pak");
}

TEST_F(ShowSessionTest, EveryOpenStartsFromTheProcessStateOfAFreshProcess) {
    seedRandom(1);
    const int first = nextRandom();
    const int second = nextRandom();

    // What an earlier show leaves behind: the generator moved on, a library animation that is
    // not this show's, a picture in the scratch image, an FLI file open.
    const fs::path show = freshFolder("session_state");
    fs::create_directories(show / "anims");
    const auto frame = fliFrame({fliChunk(kFliCopy, {1, 1, 1, 1})});
    writeTemp("clip.fli", fliFile(kFliMagic, 3, 2, 2, {frame, frame, frame}), (show / "anims").string());
    fliOpen((show / "anims" / "clip.fli").string().c_str(), allocateFrameBuffer());
    ASSERT_EQ(fliFrameCount(), 3);
    const int before = fliFrameIndex();
    fliNextFrame();
    ASSERT_EQ(fliFrameIndex(), before + 1);  // the file is open: frames advance
    seedRandom(77);
    nextRandom();
    Animation stray;
    createAnimationList()->addLast(&stray);
    std::memset(frameBuffer, 0x5A, kFrameBufferBytes);

    // A show of no content: nothing it loads touches the state looked at.
    PackWriter w;
    w.openMemory();
    MeshRegistry().save(w);
    for (int32_t v : {0, 0, 0}) w.writeInt(v);  // no animations, the unused word, no tracks
    ShowSession session(ShowSession::DeviceKind::Null);
    ASSERT_TRUE(session.openStream(show.string(), w.bytes()).loaded());
    const int at = fliFrameIndex();
    fliNextFrame();
    EXPECT_EQ(fliFrameIndex(), at);  // no file any more
    EXPECT_EQ(nextRandom(), first);
    EXPECT_EQ(nextRandom(), second);
    EXPECT_EQ(metaSpawnCounter(), 0);
    EXPECT_EQ(Pisse3D::frameCounter(), 0);
    EXPECT_EQ(frameBuffer[0], 0);
    EXPECT_EQ(frameBuffer[kFrameBufferBytes - 1], 0);
    EXPECT_EQ(animationList->count(), 0);  // the stray one is gone

    // Closing releases the show's cells and library.
    ASSERT_TRUE(session.openStream(show.string(), buildShowPack().bytes).loaded());
    ASSERT_EQ(animationList->count(), 1);  // the show's own "loop"
    EXPECT_STREQ(animationList->getAt(0)->getName(), "loop");
    session.close();
    EXPECT_EQ(animationList->count(), 0);
    EXPECT_FALSE(session.isOpen());
}

TEST_F(ShowSessionTest, StepsSeeksAndRestartsReachTheStateOfAnUnbrokenRun) {
    const ShowPack pack = buildShowPack();
    const fs::path folder = freshFolder("session_steps");  // holds no pack: the stream is kept
    // Calls the device is handed by an unbroken run of steps 0 .. n - 1.
    auto unbroken = [&](int64_t n) {
        ShowSession session(ShowSession::DeviceKind::Null);
        EXPECT_TRUE(session.openStream(folder.string(), pack.bytes).loaded());
        EXPECT_TRUE(session.attach(nullptr, 320, 240));
        for (int64_t s = 0; s < n; ++s) session.step(s, StepDrawing::Hidden);
        return session.nullDrawCalls();
    };
    // The cells draw from frame 10 to 20 (steps 20 to 40).
    const long long at30 = unbroken(30);
    const long long at36 = unbroken(36);
    EXPECT_GT(at30, 0);
    EXPECT_GT(at36, at30);

    ShowSession session(ShowSession::DeviceKind::Null);
    EXPECT_EQ(session.step(0, StepDrawing::Drawn), -1);  // nothing open
    ASSERT_TRUE(session.openStream(folder.string(), pack.bytes).loaded());
    EXPECT_EQ(session.step(0, StepDrawing::Drawn), -1);  // not attached
    ASSERT_TRUE(session.attach(nullptr, 320, 240));
    EXPECT_EQ(session.lastStep(), -1);
    for (int64_t s = 0; s <= 10; ++s) session.step(s, StepDrawing::Drawn);
    EXPECT_EQ(session.stepsToReach(30), 19);
    // Forward: the steps between are played on the same show.
    session.seek(30);
    EXPECT_EQ(session.lastStep(), 29);
    EXPECT_EQ(session.nullDrawCalls(), at30);
    for (int64_t s = 30; s < 40; ++s) session.step(s, StepDrawing::Drawn);
    // Back: a fresh start from the kept stream, then every step before the target.
    EXPECT_EQ(session.stepsToReach(36), 36);
    int reports = 0;
    session.seek(36, [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, 36);
        EXPECT_EQ(done % 120, 0);
        ++reports;
    });
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(session.lastStep(), 35);
    EXPECT_EQ(session.nullDrawCalls(), at36);
    EXPECT_EQ(session.timeline()->getTrackCount(), 3);
    EXPECT_DOUBLE_EQ(session.endSeconds(), timelineEndSeconds(*session.timeline()));
}

TEST_F(ShowSessionTest, TheCellsDueAtAStepFollowThePlayersRule) {
    const ShowPack pack = buildShowPack();
    ShowSession session(ShowSession::DeviceKind::Null);
    ASSERT_TRUE(session.openStream(freshFolder("session_due").string(), pack.bytes).loaded());
    // Step 30 is 500 ms, 449 ticks: every track is within its cell (ticks 300 to 600).
    const std::vector<DueCell> due = session.dueCellsAt(30);
    ASSERT_EQ(due.size(), 3u);
    for (const DueCell& d : due) {
        ASSERT_NE(d.cell, nullptr);
        ASSERT_NE(d.key, nullptr);
        EXPECT_EQ(d.key->getTime(), 300);
    }
    EXPECT_EQ(due[0].cell->getKind(), kCellPicture);
    EXPECT_EQ(due[0].localTicks, 149);
    EXPECT_EQ(due[1].cell->getKind(), kCellAnimation);
    EXPECT_EQ(due[2].localTicks, 149 + due[2].cell->getInPoint());
    // Before the cells (step 10: 149 ticks) nothing is due.
    for (const DueCell& d : session.dueCellsAt(10)) EXPECT_EQ(d.cell, nullptr);

    // The window: from the start to one stored frame past the end.
    EXPECT_FALSE(cellWindowHolds(300, 600, 299));
    EXPECT_TRUE(cellWindowHolds(300, 600, 300));
    EXPECT_TRUE(cellWindowHolds(300, 600, 600 + kTicksPerFrame));
    EXPECT_FALSE(cellWindowHolds(300, 600, 601 + kTicksPerFrame));
    EXPECT_EQ(cellLastDueTick(600), 630);
}
