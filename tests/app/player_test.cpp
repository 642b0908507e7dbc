// The player: show clock to ticks, the key-pair rule with its 30-tick grace, track order and
// textures, the timing of the three cell kinds as loaded from a pack, and the music calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/animation.h"
#include "app/frame_buffer.h"
#include "app/fsound.h"
#include "app/picture_clip.h"
#include "app/player.h"
#include "app/scene_clip.h"
#include "data/mesh_registry.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "test_packs.h"

namespace {

// A cell that records the local times and textures it is drawn with.
class ProbeCell : public Cell {
public:
    ProbeCell(int32_t start, int32_t end, std::vector<std::pair<int, int32_t>>* log = nullptr, int id = 0)
        : log_(log), id_(id) {
        start_ = start;
        end_ = end;
    }
    int getKind() override { return kCellPicture; }
    int load(PackReader&) override { return 0; }
    int save(PackWriter&) override { return 0; }
    int render(int32_t local, int, int, RenderDevice*, float, float, TextureName texture) override {
        locals.push_back(local);
        textures.push_back(texture);
        if (log_) log_->push_back({id_, local});
        return 0;
    }
    void setInPoint(int32_t t) override { inPoint_ = t; }
    void setLength(int32_t t) override { length_ = t; }
    int32_t getInPoint() override { return inPoint_; }
    int32_t getLength() override { return length_; }

    std::vector<int32_t> locals;
    std::vector<TextureName> textures;

private:
    std::vector<std::pair<int, int32_t>>* log_;
    int id_;
    int32_t inPoint_ = 0;
    int32_t length_ = 0;
};

// The smallest show time (ms) whose tick is t.
int32_t msForTick(int32_t t) {
    int32_t ms = static_cast<int32_t>(t / kTicksPerMillisecond) - 2;
    while (showTicks(ms) < t) ++ms;
    return ms;
}

class PlayerTest : public testing::Test {
protected:
    void SetUp() override { resetAnimationList(); }
    FSoundRecorder sound;
    CapturedMessageBoxes boxes;
    RecordingRenderDevice device;
};

}  // namespace

TEST(ShowTicks, TruncatesMillisecondsTimesPointEightNineNine) {
    EXPECT_EQ(showTicks(1000), 899);
    EXPECT_EQ(showTicks(1001), 899);
    EXPECT_EQ(showTicks(1113), 1000);
    EXPECT_EQ(showTicks(0), 0);
    EXPECT_EQ(showTicks(-1001), -899);  // toward zero
}

TEST_F(PlayerTest, EarlierKeyOfTheBracketingPairDrawsWithinItsGrace) {
    Player player;
    player.setDevice(&device);
    ProbeCell a(0, 300);
    ProbeCell b(600, 900);
    player.addCell(0, &a, false);
    player.addCell(0, &b, true);  // keys 0, 600, 600 + length (0): b closes at 600

    auto drawsAt = [&](ProbeCell& cell, int32_t t) {
        const size_t before = cell.locals.size();
        player.renderTracks(msForTick(t), 1024, 768);
        return cell.locals.size() > before;
    };
    EXPECT_TRUE(drawsAt(a, 0));
    EXPECT_TRUE(drawsAt(a, 330));   // end + 30
    EXPECT_FALSE(drawsAt(a, 331));
    EXPECT_FALSE(drawsAt(a, 600));  // the pair (0, 600) wins at 600, and a is long over
    EXPECT_FALSE(drawsAt(b, 600));
    EXPECT_FALSE(drawsAt(b, 601));  // b's closing key is at 600: no pair brackets 601
    EXPECT_EQ(a.locals.front(), 0);
    EXPECT_EQ(a.locals.back(), 330);

    // A later closing key: b keeps drawing to its end plus the grace, local counted from its key.
    Player second;
    second.setDevice(&device);
    ProbeCell c(0, 300);
    ProbeCell d(600, 900);
    d.setLength(1000);
    d.setInPoint(45);
    second.addCell(0, &c, false);
    second.addCell(0, &d, true);
    second.renderTracks(msForTick(601), 1024, 768);
    second.renderTracks(msForTick(930), 1024, 768);
    second.renderTracks(msForTick(931), 1024, 768);
    EXPECT_EQ(d.locals, (std::vector<int32_t>{1 + 45, 330 + 45}));
    // Before the first key and with fewer than two keys nothing draws.
    second.renderTracks(-50, 1024, 768);
    Player lone;
    lone.setDevice(&device);
    ProbeCell e(0, 300);
    lone.getTrack(0)->insert(&e, 0);
    lone.renderTracks(0, 1024, 768);
    EXPECT_TRUE(e.locals.empty());
}

TEST_F(PlayerTest, FourTracksDrawInOrderEachWithItsOwnTexture) {
    ManualClock clock(5000);
    Player player;
    player.setDevice(&device);
    std::vector<std::pair<int, int32_t>> log;
    ProbeCell cells[4] = {{0, 3000, &log, 0}, {0, 3000, &log, 1}, {0, 3000, &log, 2}, {0, 3000, &log, 3}};
    for (int i = 0; i < 4; ++i) {
        cells[i].setLength(3000);
        player.addCell(i, &cells[i], true);
    }
    player.prepareStart(1);
    player.start();  // textures, music, clock
    EXPECT_EQ(device.count(RecordKind::CreateTexture), 4);
    for (const RenderRecord& r : device.records()) {
        if (r.kind != RecordKind::CreateTexture) continue;
        EXPECT_EQ(r.width, 1024);
        EXPECT_EQ(r.height, 1024);
        EXPECT_EQ(r.hasAlpha, 1);
    }
    clock.set(5000 + 1000);
    player.renderFrame(800, 600, 0);
    EXPECT_EQ(player.getShowTime(), 1000);
    EXPECT_EQ(device.count(RecordKind::BeginFrame), 1);
    ASSERT_EQ(log.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(log[i], std::make_pair(i, 899));
        ASSERT_EQ(cells[i].textures.size(), 1u);
        EXPECT_EQ(cells[i].textures[0], player.getTrackTexture(i));
        for (int j = 0; j < i; ++j) EXPECT_NE(player.getTrackTexture(i), player.getTrackTexture(j));
    }
}

TEST_F(PlayerTest, MusicStartsPausedAtZeroWithTheClock) {
    ManualClock clock(1234);
    {
        Player player;
        player.setDevice(&device);
        player.prepareStart(1);
        player.start();
        EXPECT_EQ(player.getStartTime(), 1234u);
        EXPECT_EQ(player.getChannel(), 0);
    }
    const std::vector<std::string> expected = {
        "FSOUND_Init(44100, 32, 0)",
        "FSOUND_Stream_OpenFile(\"music.mp3\", 0x20130, 0)",
        "FSOUND_Stream_PlayEx(-1, stream, 0, 1)",
        "FSOUND_SetPaused(0, 1)",
        "FSOUND_Stream_SetTime(stream, 0)",
        "FSOUND_SetPaused(0, 0)",
        "FSOUND_Stream_Close(stream)",
        "FSOUND_Close()",
    };
    EXPECT_EQ(sound.calls(), expected);
}

TEST_F(PlayerTest, WithoutAutoStartOnlyTexturesAreMade) {
    ManualClock clock(777);
    Player player;
    player.setDevice(&device);
    sound.clear();
    player.prepareStart(0);
    player.start();
    EXPECT_EQ(device.count(RecordKind::CreateTexture), 4);
    EXPECT_TRUE(sound.calls().empty());
    EXPECT_EQ(player.getStartTime(), 0u);
    EXPECT_EQ(player.getChannel(), -1);
}

TEST(PlayerMusic, MissingMusicLeavesTheClockRunning) {
    FSoundRecorder sound("music.mp3");
    RecordingRenderDevice device;
    ManualClock clock(40);
    Player player;
    player.setDevice(&device);
    player.prepareStart(1);
    player.start();
    EXPECT_EQ(player.getStartTime(), 40u);
    EXPECT_EQ(player.getChannel(), -1);
    // The calls go on with the null handle, exactly as with a stream.
    EXPECT_EQ(sound.calls().at(2), "FSOUND_Stream_PlayEx(-1, null, 0, 1)");
    EXPECT_EQ(sound.calls().at(3), "FSOUND_SetPaused(-1, 1)");
    EXPECT_EQ(sound.calls().at(4), "FSOUND_Stream_PlayEx(-1, null, 0, 1)");
    clock.set(1040);
    player.renderFrame(640, 480, 0);
    EXPECT_EQ(player.getShowTime(), 1000);
}

// Timing of the three cell kinds, loaded from a pack: a picture (10..20 frames), an animation
// (10..20 frames, closing key at start + end) and a scene (in 5, out 8 frames).
TEST_F(PlayerTest, CellKindsGetTheirKeysAndDrawWindows) {
    PackWriter w;
    w.openMemory();
    writeEmptyMeshSection(w);
    w.writeInt(1);
    std::vector<std::vector<uint8_t>> frames(30, solidPackedFrame(0xFF0000FFu, 16));
    writeLibraryAnimation(w, "loop", frames);
    w.writeInt(0);
    w.writeInt(3);
    // Track 0: a picture.
    w.writeInt(1);
    writeCellHeader(w, kCellPicture, 10, 20);
    {
        PictureClip picture;
        std::vector<uint8_t> pixels(kFrameBufferBytes, 9);
        picture.setPixels(pixels.data());
        picture.save(w);
    }
    w.writeInt(2);  // two key records, ignored
    for (int i = 0; i < 12; ++i) w.writeInt(i);
    // Track 1: an animation cell.
    w.writeInt(1);
    writeCellHeader(w, kCellAnimation, 10, 20);
    w.writeInt(0);
    w.writeString("loop");
    w.writeInt(1);
    for (int i = 0; i < 8; ++i) w.writeInt(i);
    // Track 2: an empty scene with in point 5 and out point 8 frames, from frame 10.
    w.writeInt(1);
    writeCellHeader(w, kCellScene, 10, 20, 5, 8);
    {
        SceneClip scene(nullptr);
        scene.setContent(new Scene3D(), new MaterialLibrary(kSceneMaterialCapacity), new ControllerSet());
        scene.save(w);
    }
    w.writeInt(0);

    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    Player player;
    player.setDevice(&device);
    registry.loadEntries(reader);
    player.loadTimeline(reader, registry);
    ASSERT_FALSE(reader.failed()) << reader.error();
    ASSERT_EQ(player.getTrackCount(), 3);

    auto keyTimes = [&](int track) {
        std::vector<int32_t> times;
        for (int k = 0; k < player.getTrack(track)->count(); ++k) times.push_back(player.getTrack(track)->getKey(k)->getTime());
        return times;
    };
    EXPECT_EQ(keyTimes(0), (std::vector<int32_t>{300, 600}));
    EXPECT_EQ(keyTimes(1), (std::vector<int32_t>{300, 900}));
    EXPECT_EQ(keyTimes(2), (std::vector<int32_t>{300, 540}));
    auto* scene = static_cast<Cell*>(player.getTrack(2)->getKey(0)->getValue());
    EXPECT_EQ(scene->getInPoint(), 150);
    EXPECT_EQ(scene->getLength(), 240);

    // Which tracks draw at tick t: pictures and animations draw a screen texture, scenes end
    // their frame.
    auto drawnAt = [&](int32_t t) {
        device.clear();
        player.renderTracks(msForTick(t), 1024, 768);
        std::vector<int> drawn;
        for (const RenderRecord& r : device.records()) {
            if (r.kind == RecordKind::ScreenTexture) drawn.push_back(r.texture == player.getTrackTexture(0) ? 0 : 1);
            if (r.kind == RecordKind::EndFrame) drawn.push_back(2);
        }
        return drawn;
    };
    player.createTrackTextures(3);
    EXPECT_EQ(drawnAt(299), std::vector<int>{});
    EXPECT_EQ(drawnAt(300), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(drawnAt(540), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(drawnAt(541), (std::vector<int>{0, 1}));  // past the scene's closing key
    EXPECT_EQ(drawnAt(600), (std::vector<int>{0, 1}));
    EXPECT_EQ(drawnAt(601), (std::vector<int>{1}));     // past the picture's closing key
    EXPECT_EQ(drawnAt(630), (std::vector<int>{1}));     // the animation's end plus the grace
    EXPECT_EQ(drawnAt(631), std::vector<int>{});
    for (const MessageBoxCall& box : boxes.calls()) EXPECT_EQ(box.text, "Z_OK");
}
