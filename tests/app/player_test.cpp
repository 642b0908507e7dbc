// The player: the key-pair rule with its 30-tick grace, track order and textures, the timing of
// the three cell kinds as loaded from a pack, and the music calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/animation.h"
#include "app/player.h"
#include "platform/core/clock.h"
#include "scene/ticks.h"
#include "support/audio_call_log.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"
#include "test_packs.h"

namespace {

// The cells drawn, in order.
std::vector<const Cell*> drawOrder;

// A cell that records the local times and textures it is drawn with.
class ProbeCell : public PictureClip {
public:
    ProbeCell(int32_t start, int32_t end) {
        setStart(start);
        setEnd(end);
    }
    int render(int32_t local, int, int, RenderDevice*, float, float, TextureName texture) override {
        locals.push_back(local);
        textures.push_back(texture);
        drawOrder.push_back(this);
        return 0;
    }
    std::vector<int32_t> locals;
    std::vector<TextureName> textures;
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
    AudioCallLog sound;
    CapturedMessageBoxes boxes;
    RecordingRenderDevice device;
};

}  // namespace

TEST_F(PlayerTest, EarlierKeyOfTheBracketingPairDrawsWithinItsGrace) {
    Player player(&device);
    ProbeCell a(0, 300), b(600, 900);
    player.timeline().addCell(0, &a, false);
    player.timeline().addCell(0, &b, true);  // keys 0, 600, 600 + length (0): b closes at 600
    for (int32_t t : {0, 330, 331, 600, 601}) player.renderTracks(msForTick(t), 1024, 768);
    EXPECT_EQ(a.locals, (std::vector<int32_t>{0, 330}));  // up to its end + 30
    EXPECT_TRUE(b.locals.empty());  // the pair (0, 600) holds up to 600; no pair brackets 601

    // A later closing key: d draws to its end plus the grace, local counted from its key plus its
    // in point. Before the first key, and on a track of a single key, nothing draws.
    Player second(&device);
    ProbeCell c(0, 300), d(600, 900), e(0, 300);
    d.setLength(1000);
    d.setInPoint(45);
    second.timeline().addCell(0, &c, false);
    second.timeline().addCell(0, &d, true);
    for (int32_t t : {601, 930, 931}) second.renderTracks(msForTick(t), 1024, 768);
    second.renderTracks(-50, 1024, 768);
    EXPECT_EQ(d.locals, (std::vector<int32_t>{1 + 45, 330 + 45}));
    EXPECT_TRUE(c.locals.empty());
    second.timeline().getTrack(1)->insert(&e, 0);
    second.renderTracks(0, 1024, 768);
    EXPECT_TRUE(e.locals.empty());
}

TEST_F(PlayerTest, FourTracksDrawInOrderEachWithItsOwnTexture) {
    ManualClock clock(5000);
    Player player(&device);
    ProbeCell cells[4] = {{0, 3000}, {0, 3000}, {0, 3000}, {0, 3000}};
    drawOrder.clear();
    for (int i = 0; i < 4; ++i) {
        cells[i].setLength(3000);
        player.timeline().addCell(i, &cells[i], true);
    }
    player.prepareStart(1);
    player.start();  // textures, music, clock
    EXPECT_EQ(device.count(RecordKind::CreateTexture), 4);
    for (const RenderRecord& r : device.records()) {
        if (r.kind != RecordKind::CreateTexture) continue;
        EXPECT_EQ(r.width, 1024);
        EXPECT_EQ(r.height, 1024);
        EXPECT_TRUE(r.hasAlpha);
    }
    clock.set(5000 + 1000);
    player.renderFrame(800, 600, 0);
    EXPECT_EQ(player.getShowTime(), 1000);
    EXPECT_EQ(device.count(RecordKind::Clear), 1);
    EXPECT_EQ(drawOrder, (std::vector<const Cell*>{&cells[0], &cells[1], &cells[2], &cells[3]}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cells[i].locals, std::vector<int32_t>{899});  // 1000 ms truncated to ticks
        EXPECT_EQ(cells[i].textures, std::vector<TextureName>{player.getTrackTexture(i)});
        for (int j = 0; j < i; ++j) EXPECT_NE(player.getTrackTexture(i), player.getTrackTexture(j));
    }
}

TEST_F(PlayerTest, MusicStartsPausedAtZeroWithTheClock) {
    ManualClock clock(1234);
    auto started = [&](Player& player, int autoStart) {
        player.prepareStart(autoStart);
        player.start();
        return std::make_pair(player.getStartTime(), player.getChannel());
    };
    {
        Player player(&device);
        EXPECT_EQ(started(player, 1), std::make_pair(1234u, 0));
    }
    EXPECT_EQ(sound.calls(), (std::vector<std::string>{"open(44100, 32)", "load(music.mp3)", "play(stream, paused)",
                                                       "setPaused(0, 1)", "seek(stream, 0)", "setPaused(0, 0)",
                                                       "release(stream)", "close()"}));

    // Without auto start only the textures are made.
    device.clear();
    {
        Player idle(&device);
        sound.clear();  // the player opens the sound library when it is made
        EXPECT_EQ(started(idle, 0), std::make_pair(0u, -1));
        EXPECT_EQ(device.count(RecordKind::CreateTexture), 4);
        EXPECT_TRUE(sound.calls().empty());
    }

    // Missing music: the calls go on with the null handle, reach no output, and the clock still
    // runs.
    AudioCallLog missing("music.mp3");
    clock.set(40);
    Player player(&device);
    EXPECT_EQ(started(player, 1), std::make_pair(40u, -1));
    EXPECT_EQ(missing.calls(), (std::vector<std::string>{"open(44100, 32)", "load(music.mp3)"}));
    clock.set(1040);
    player.renderFrame(640, 480, 0);
    EXPECT_EQ(player.getShowTime(), 1000);
}

// Timing of the three cell kinds loaded from a pack: a picture, an animation (closing key at
// start + end) and a scene (closing key at start + out point), all from frame 10 to 20.
TEST_F(PlayerTest, CellKindsGetTheirKeysAndDrawWindows) {
    const ShowPack pack = buildShowPack();
    PackReader reader;
    reader.openMemory(pack.bytes.data(), pack.bytes.size(), "data.pak");
    MeshRegistry registry;
    Player player(&device);
    registry.loadEntries(reader);
    player.loadTimeline(reader, registry);
    ASSERT_FALSE(reader.failed()) << reader.error();
    ASSERT_EQ(player.timeline().getTrackCount(), 3);
    const std::vector<int32_t> keys[] = {{300, 600}, {300, 900}, {300, 540}};
    for (int track = 0; track < 3; ++track) {
        std::vector<int32_t> times;
        for (int k = 0; k < player.timeline().getTrack(track)->count(); ++k)
            times.push_back(player.timeline().getTrack(track)->getKey(k)->getTime());
        EXPECT_EQ(times, keys[track]) << "track " << track;
    }
    auto* scene = static_cast<Cell*>(player.timeline().getTrack(2)->getKey(0)->getValue());
    EXPECT_EQ(scene->getInPoint(), 150);
    EXPECT_EQ(scene->getLength(), 240);

    // Which tracks draw at a tick: pictures and animations draw a screen texture, scenes end a frame.
    player.createTrackTextures(3);
    const std::pair<int32_t, std::string> windows[] = {
        {299, ""}, {300, "012"}, {540, "012"}, {541, "01"},  // past the scene's closing key
        {600, "01"}, {601, "1"},                              // past the picture's closing key
        {630, "1"}, {631, ""}};                               // the animation's end plus the grace
    for (const auto& [tick, expected] : windows) {
        device.clear();
        player.renderTracks(msForTick(tick), 1024, 768);
        std::string drawn;
        for (const RenderRecord& r : device.records()) {
            const bool picture = r.texture == player.getTrackTexture(0);
            if (r.kind == RecordKind::ScreenTexture) drawn += picture ? "0" : "1";
            if (r.kind == RecordKind::EndFrame) drawn += '2';
        }
        EXPECT_EQ(drawn, expected) << "tick " << tick;
    }
    EXPECT_TRUE(boxes.calls().empty());
}
