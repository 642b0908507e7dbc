// Animation clips: the library record, frame sharing by name, frame selection by local time, and
// animations that play FLI/FLC files named in the pack.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"
#include "support/working_directory.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;
using Frames = std::vector<std::vector<uint8_t>>;

uint32_t pixel(int i) {
    uint32_t v;
    std::memcpy(&v, frameBuffer + 4 * i, 4);
    return v;
}

class AnimationTest : public testing::Test {
protected:
    void SetUp() override {
        allocateFrameBuffer();
        createAnimationList();
        resetAnimationList();
    }
    void TearDown() override { resetAnimationList(); }

    // An animation (a cell when cell) loaded from the record that write makes; the reader stays.
    std::unique_ptr<Animation> loadRecord(bool cell, const std::function<void(PackWriter&)>& write) {
        PackWriter w;
        w.openMemory();
        write(w);
        auto animation = std::make_unique<Animation>();
        animation->setIsCell(cell ? 1 : 0);
        reader = std::make_unique<PackReader>();
        openOver(*reader, w);
        animation->load(*reader);
        return animation;
    }
    // A library animation, appended to animationList as the timeline load does.
    Animation* addLibrary(const char* name, const Frames& frames) {
        auto animation = loadRecord(false, [&](PackWriter& w) { writeLibraryAnimation(w, name, frames); });
        EXPECT_FALSE(reader->failed()) << reader->error();
        animationList->addLast(animation.get());
        return animation.release();
    }
    // A mode-0 cell (its frames come from the library) or a mode-1 record (file, when given).
    std::unique_ptr<Animation> record(bool cell, int32_t mode, const char* name, const char* file = nullptr) {
        return loadRecord(cell, [&](PackWriter& w) {
            w.writeInt(mode);
            w.writeString(name);
            if (file) w.writeString(file);
        });
    }
    std::unique_ptr<PackReader> reader;
    CapturedMessageBoxes boxes;
    RecordingRenderDevice device;
};

}  // namespace

TEST_F(AnimationTest, LibraryRecordsLoadSaveAndShareTheirFramesByName) {
    std::memset(frameBuffer, 0x33, kFrameBufferBytes);
    const Frames frames = {{1, 2, 3, 4, 5}, {}, {1, 2, 3, 4, 5, 6, 7}};
    Animation* library = addLibrary("three", frames);
    // Making an animation resets the shared frame buffer to opaque black.
    EXPECT_EQ(pixel(0), 0xFF000000u);
    EXPECT_EQ(pixel(kFrameBufferPixels - 1), 0xFF000000u);
    ASSERT_EQ(library->frames().count(), 3);  // up to the negative length
    for (int i = 0; i < 3; ++i) EXPECT_EQ(library->frames().getAt(i)->length, int32_t(frames[i].size()));
    PackWriter again, original;
    again.openMemory();
    original.openMemory();
    library->save(again);
    writeLibraryAnimation(original, "three", frames);
    EXPECT_EQ(again.bytes(), original.bytes());

    // A cell shares the frames of the last library animation with its name, compared exactly.
    Animation* first = addLibrary("intro", {solidPackedFrame(0xFF0000FFu, 4)});
    Animation* second = addLibrary("intro", Frames(2, solidPackedFrame(0xFF00FF00u, 4)));
    addLibrary("other", {solidPackedFrame(0xFFFFFFFFu, 4)});
    auto cell = record(true, 0, "intro");
    ASSERT_EQ(cell->frames().count(), 2);
    EXPECT_EQ(cell->frames().getAt(0)->data, second->frames().getAt(0)->data);  // shared, not copied
    EXPECT_NE(cell->frames().getAt(0)->data, first->frames().getAt(0)->data);
    {
        // While a timeline loads, the lookup indexes the library as it grows, the later
        // animation of a name still winning.
        AnimationLoadScope loading;
        EXPECT_EQ(record(true, 0, "intro")->frames().getAt(0)->data, second->frames().getAt(0)->data);
        Animation* third = addLibrary("intro", {solidPackedFrame(0xFF0000FFu, 4)});
        EXPECT_EQ(record(true, 0, "intro")->frames().getAt(0)->data, third->frames().getAt(0)->data);
    }
    auto stranger = record(true, 0, "Intro");
    EXPECT_EQ(stranger->frames().count(), 0);
    stranger->render(0, 1024, 768, &device, 1, 1, 5);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 0);
    // Destroying a cell leaves the shared bytes to their owner.
    cell.reset();
    EXPECT_EQ(second->frames().getAt(1)->length, int32_t(solidPackedFrame(0, 4).size()));
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(AnimationTest, CellShowsFrameLocalOverThirty) {
    addLibrary("abc", {solidPackedFrame(0xFF000001u, 8), solidPackedFrame(0xFF000002u, 8),
                       solidPackedFrame(0xFF000003u, 8)});
    auto cell = record(true, 0, "abc");
    // Colour 0 stands for nothing drawn, past the last frame.
    const std::pair<int32_t, uint32_t> expected[] = {{0, 1},  {29, 1}, {30, 2}, {59, 2},
                                                     {60, 3}, {89, 3}, {90, 0}};
    for (auto [local, colour] : expected) {
        SCOPED_TRACE(local);
        device.clear();
        std::memset(frameBuffer, 0, 4);
        cell->render(local, 800, 600, &device, 1, 1, 7);
        EXPECT_EQ(pixel(0) & 0xFF, colour);
        ASSERT_EQ(device.records().size(), colour ? 2u : 0u);
        if (!colour) continue;
        const RenderRecord& update = device.records()[0];
        EXPECT_EQ(update.kind, RecordKind::UpdateTexture);
        EXPECT_EQ(update.texture, 7u);
        EXPECT_EQ(update.width, 1024);
        EXPECT_EQ(update.pixels, frameBuffer);
        const RenderRecord& screen = device.records()[1];
        EXPECT_EQ(screen.kind, RecordKind::ScreenTexture);
        EXPECT_EQ(screen.texture, 7u);
    }
}

TEST_F(AnimationTest, FileModePlaysTheNamedFileOnlyFromInsideTheWorkingDirectory) {
    for (const char* safe : {"intro.fli", "anims/intro.flc", "anims\\intro.flc", "a..b/c.fli"})
        EXPECT_TRUE(isSafeRelativePath(safe)) << safe;
    for (const char* unsafe : {"", "/etc/passwd", "\\\\server\\share\\x.fli", "c:\\x.fli", "C:x.fli",
                               "../x.fli", "anims/../../x.fli", "anims\\..\\..\\x.fli", ".."})
        EXPECT_FALSE(isSafeRelativePath(unsafe)) << unsafe;

    // Frame 0 sets palette entries 0 and 1 and copies index 0; frames 1 and 2 copy index 1.
    const fs::path dir = fs::path(testing::TempDir()) / "anim_fli";
    fs::create_directories(dir / "anims");
    const auto f0 = fliFrame({fliChunk(kFliColor256, {1, 0, 0, 2, 10, 20, 30, 40, 50, 60}),
                              fliChunk(kFliCopy, {0, 0, 0, 0})});
    const auto f1 = fliFrame({fliChunk(kFliCopy, {1, 1, 1, 1})});
    writeTemp("clip.fli", fliFile(kFliMagic, 3, 2, 2, {f0, f1, f1}), (dir / "anims").string());
    WorkingDirectory cwd(dir);
    ASSERT_TRUE(cwd.ok());
    auto animation = record(false, 1, "clip", "anims\\clip.fli");
    EXPECT_FALSE(reader->failed()) << reader->error();
    ASSERT_NE(animation->getFliReader(), nullptr);
    animation->render(0, 1024, 768, &device, 1, 1, 3);
    EXPECT_EQ(frameBuffer[0], 10);
    EXPECT_EQ(frameBuffer[3], 255);
    animation->render(0, 1024, 768, &device, 1, 1, 3);  // the local time plays no part
    EXPECT_EQ(frameBuffer[0], 40);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 2);

    // A file mode cell reads nothing more and has neither frames nor a file.
    EXPECT_EQ(record(true, 1, "clip")->getFliReader(), nullptr);
    EXPECT_EQ(reader->offset(), 4u + 4u + 4u);
    // Names that leave the working directory are load errors; nothing is opened.
    for (const char* bad : {"../clip.fli", "/tmp/clip.fli", "c:\\clip.fli"}) {
        EXPECT_EQ(record(false, 1, "clip", bad)->getFliReader(), nullptr) << bad;
        EXPECT_NE(reader->error().find("not a relative path inside the working directory"), std::string::npos)
            << reader->error();
    }
    fliClose();
}
