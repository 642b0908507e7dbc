// Animation clips: the library record, frame sharing by name, frame selection by local time,
// saving, and animations that play FLI/FLC files named in the pack.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

uint32_t pixel(int i) {
    uint32_t v;
    std::memcpy(&v, frameBuffer + 4 * i, 4);
    return v;
}

// Loads an animation record (cell or library) from the bytes a writer collected.
void loadFrom(Animation& animation, const PackWriter& w, PackReader& reader) {
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    animation.load(reader);
}

class AnimationTest : public testing::Test {
protected:
    void SetUp() override {
        allocateFrameBuffer();
        createAnimationList();
        resetAnimationList();
    }
    void TearDown() override { resetAnimationList(); }

    // A library animation from frames, appended to animationList as the timeline load does.
    Animation* addLibrary(const char* name, const std::vector<std::vector<uint8_t>>& frames) {
        PackWriter w;
        w.openMemory();
        writeLibraryAnimation(w, name, frames);
        auto* animation = new Animation();
        PackReader reader;
        loadFrom(*animation, w, reader);
        EXPECT_FALSE(reader.failed()) << reader.error();
        animationList->addLast(animation);
        return animation;
    }
    Animation* cellNamed(const char* name) {
        PackWriter w;
        w.openMemory();
        w.writeInt(0);
        w.writeString(name);
        auto* cell = new Animation();
        cell->setIsCell(1);
        PackReader reader;
        loadFrom(*cell, w, reader);
        EXPECT_FALSE(reader.failed());
        return cell;
    }
    CapturedMessageBoxes boxes;
    RecordingRenderDevice device;
};

}  // namespace

TEST_F(AnimationTest, LibraryRecordReadsFramesUntilANegativeLength) {
    std::memset(frameBuffer, 0x33, kFrameBufferBytes);
    Animation* library = addLibrary("three", {{1, 2, 3, 4, 5}, {}, {1, 2, 3, 4, 5, 6, 7}});
    // Making an animation resets the shared frame buffer to opaque black.
    EXPECT_EQ(pixel(0), 0xFF000000u);
    EXPECT_EQ(pixel(kFrameBufferPixels - 1), 0xFF000000u);
    ASSERT_EQ(library->frames().count(), 3);
    EXPECT_EQ(library->frames().getAt(0)->length, 5);
    EXPECT_EQ(library->frames().getAt(1)->length, 0);
    EXPECT_EQ(library->frames().getAt(2)->length, 7);
    EXPECT_STREQ(library->getName(), "three");

    // Saving writes the record that was read.
    PackWriter again;
    again.openMemory();
    library->save(again);
    PackWriter original;
    original.openMemory();
    writeLibraryAnimation(original, "three", {{1, 2, 3, 4, 5}, {}, {1, 2, 3, 4, 5, 6, 7}});
    EXPECT_EQ(again.bytes(), original.bytes());
}

TEST_F(AnimationTest, CellsShareTheFramesOfTheLastLibraryAnimationWithTheirName) {
    Animation* first = addLibrary("intro", {solidPackedFrame(0xFF0000FFu, 4)});
    Animation* second = addLibrary("intro", {solidPackedFrame(0xFF00FF00u, 4), solidPackedFrame(0xFFFF0000u, 4)});
    addLibrary("other", {solidPackedFrame(0xFFFFFFFFu, 4)});
    Animation* cell = cellNamed("intro");
    ASSERT_EQ(cell->frames().count(), 2);
    EXPECT_EQ(cell->frames().getAt(0)->data, second->frames().getAt(0)->data);  // shared, not copied
    EXPECT_NE(cell->frames().getAt(0)->data, first->frames().getAt(0)->data);
    // Names are compared exactly: no match, no frames, nothing drawn.
    Animation* stranger = cellNamed("Intro");
    EXPECT_EQ(stranger->frames().count(), 0);
    stranger->render(0, 1024, 768, &device, 1, 1, 5);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 0);
    // Destroying a cell leaves the shared bytes to their owner.
    delete cell;
    EXPECT_EQ(second->frames().getAt(1)->length, static_cast<int32_t>(solidPackedFrame(0, 4).size()));
    delete stranger;
}

TEST_F(AnimationTest, CellShowsFrameLocalOverThirty) {
    addLibrary("abc", {solidPackedFrame(0xFF000001u, 8), solidPackedFrame(0xFF000002u, 8),
                       solidPackedFrame(0xFF000003u, 8)});
    Animation* cell = cellNamed("abc");
    const std::pair<int32_t, uint32_t> expected[] = {{0, 1}, {29, 1}, {30, 2}, {59, 2}, {60, 3}, {89, 3}};
    for (auto [local, colour] : expected) {
        device.clear();
        cell->render(local, 800, 600, &device, 1, 1, 7);
        EXPECT_EQ(pixel(0) & 0xFF, colour) << "local " << local;
        ASSERT_EQ(device.count(RecordKind::UpdateTexture), 1);
        ASSERT_EQ(device.count(RecordKind::ScreenTexture), 1);
        for (const RenderRecord& r : device.records()) {
            if (r.kind == RecordKind::UpdateTexture) {
                EXPECT_EQ(r.texture, 7u);
                EXPECT_EQ(r.width, 1024);
                EXPECT_EQ(r.pixels, frameBuffer);
            }
            if (r.kind == RecordKind::ScreenTexture) {
                EXPECT_EQ(r.width, 800);
                EXPECT_EQ(r.height, 600);
            }
        }
    }
    // Past the last frame nothing is drawn.
    device.clear();
    cell->render(90, 800, 600, &device, 1, 1, 7);
    EXPECT_EQ(device.records().size(), 0u);
    delete cell;
}

TEST_F(AnimationTest, SavingReportsMissingNamesAndFileModes) {
    Animation nameless;
    PackWriter w;
    w.openMemory();
    nameless.save(w);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "error:animation without name!");
    Animation fli;
    fli.setName("fli");
    fli.setSaveMode(1);
    fli.save(w);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].text, "save fli");
    EXPECT_EQ(boxes.calls()[1].caption, "not implemented");
    // A cell writes its mode and name only.
    Animation cell;
    cell.setIsCell(1);
    cell.setName("c");
    PackWriter cellBytes;
    cellBytes.openMemory();
    cell.save(cellBytes);
    EXPECT_EQ(cellBytes.bytes().size(), 4u + 4u + 1u);
}

TEST(SafeRelativePath, AcceptsOnlyPathsInsideTheWorkingDirectory) {
    EXPECT_TRUE(isSafeRelativePath("intro.fli"));
    EXPECT_TRUE(isSafeRelativePath("anims/intro.flc"));
    EXPECT_TRUE(isSafeRelativePath("anims\\intro.flc"));
    EXPECT_TRUE(isSafeRelativePath("a..b/c.fli"));
    EXPECT_FALSE(isSafeRelativePath(""));
    EXPECT_FALSE(isSafeRelativePath("/etc/passwd"));
    EXPECT_FALSE(isSafeRelativePath("\\\\server\\share\\x.fli"));
    EXPECT_FALSE(isSafeRelativePath("c:\\x.fli"));
    EXPECT_FALSE(isSafeRelativePath("C:x.fli"));
    EXPECT_FALSE(isSafeRelativePath("../x.fli"));
    EXPECT_FALSE(isSafeRelativePath("anims/../../x.fli"));
    EXPECT_FALSE(isSafeRelativePath("anims\\..\\..\\x.fli"));
    EXPECT_FALSE(isSafeRelativePath(".."));
}

TEST_F(AnimationTest, FileModeOpensTheNamedFileAndPlaysItFrameByFrame) {
    const fs::path dir = fs::path(testing::TempDir()) / "anim_fli";
    fs::create_directories(dir / "anims");
    std::vector<uint8_t> pal;
    put16(pal, 1);
    pal.insert(pal.end(), {0, 2, 10, 20, 30, 40, 50, 60});
    const auto f0 = fliFrame({fliChunk(kFliColor256, pal), fliChunk(kFliCopy, {0, 0, 0, 0})});
    const auto f1 = fliFrame({fliChunk(kFliCopy, {1, 1, 1, 1})});
    const auto bytes = fliFile(kFliMagic, 3, 2, 2, {f0, f1, f1});
    std::ofstream(dir / "anims" / "clip.fli", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const fs::path previous = fs::current_path();
    fs::current_path(dir);

    PackWriter w;
    w.openMemory();
    w.writeInt(1);
    w.writeString("clip");
    w.writeString("anims\\clip.fli");
    Animation animation;
    PackReader reader;
    loadFrom(animation, w, reader);
    EXPECT_FALSE(reader.failed()) << reader.error();
    ASSERT_NE(animation.getFliReader(), nullptr);
    animation.render(0, 1024, 768, &device, 1, 1, 3);
    EXPECT_EQ(frameBuffer[0], 10);
    EXPECT_EQ(frameBuffer[3], 255);
    animation.render(0, 1024, 768, &device, 1, 1, 3);  // the local time plays no part
    EXPECT_EQ(frameBuffer[0], 40);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 2);

    // A file mode cell reads nothing more and has neither frames nor a file.
    PackWriter cellBytes;
    cellBytes.openMemory();
    cellBytes.writeInt(1);
    cellBytes.writeString("clip");
    Animation cell;
    cell.setIsCell(1);
    PackReader cellReader;
    loadFrom(cell, cellBytes, cellReader);
    EXPECT_EQ(cell.getFliReader(), nullptr);
    EXPECT_EQ(cellReader.offset(), cellBytes.bytes().size());

    // Names that leave the working directory are load errors; nothing is opened.
    for (const char* bad : {"../clip.fli", "/tmp/clip.fli", "c:\\clip.fli"}) {
        PackWriter badBytes;
        badBytes.openMemory();
        badBytes.writeInt(1);
        badBytes.writeString("clip");
        badBytes.writeString(bad);
        Animation rejected;
        PackReader badReader;
        loadFrom(rejected, badBytes, badReader);
        EXPECT_TRUE(badReader.failed()) << bad;
        EXPECT_NE(badReader.error().find("not a relative path inside the working directory"), std::string::npos)
            << badReader.error();
        EXPECT_EQ(rejected.getFliReader(), nullptr);
    }
    fliClose();
    fs::current_path(previous);
}
