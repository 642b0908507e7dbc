// The start-up load: a sound pack loads without a word; a missing one gives an empty show; a
// damaged one (cut short, an unknown cell type or key kind, an impossible count) stops loading
// and is reported once with the byte offset and what was being read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "app/animation.h"
#include "app/frame_buffer.h"
#include "app/fsound.h"
#include "app/picture_clip.h"
#include "app/player.h"
#include "app/scene_clip.h"
#include "app/show_loader.h"
#include "data/mesh_registry.h"
#include "platform/message_box.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

// Where the parts of a test pack begin (uncompressed offsets).
struct PackLayout {
    std::vector<uint8_t> bytes;
    uint64_t timeline = 0;
    uint64_t trackCount = 0;
    uint64_t pictureRecord = 0;
    uint64_t sceneRecord = 0;
};

using SceneControllers = std::function<void(PackWriter&)>;

// An empty mesh section; one library animation; two tracks: a picture then an animation cell,
// and a scene whose controllers the caller writes (none by default).
PackLayout buildPack(const SceneControllers& controllers = nullptr) {
    CapturedMessageBoxes quiet;  // the picture's save reports "Z_OK"
    PackLayout layout;
    PackWriter w;
    w.openMemory();
    writeEmptyMeshSection(w);
    layout.timeline = w.offset();
    w.writeInt(1);
    writeLibraryAnimation(w, "anim", {solidPackedFrame(0xFF00FF00u, 64), solidPackedFrame(0xFF0000FFu, 64)});
    w.writeInt(0);
    layout.trackCount = w.offset();
    w.writeInt(2);
    w.writeInt(2);
    layout.pictureRecord = w.offset();
    writeCellHeader(w, kCellPicture, 0, 10);
    {
        std::vector<uint8_t> pixels(kFrameBufferBytes, 0x40);
        PictureClip picture;
        picture.setPixels(pixels.data());
        picture.save(w);
    }
    w.writeInt(0);
    writeCellHeader(w, kCellAnimation, 10, 20, 0, 0, "anim cell");
    w.writeInt(0);
    w.writeString("anim");
    w.writeInt(1);
    for (int i = 0; i < 8; ++i) w.writeInt(0);
    w.writeInt(1);
    layout.sceneRecord = w.offset();
    writeCellHeader(w, kCellScene, 0, 20, 0, 20);
    Scene3D scene;
    MaterialLibrary materials(kSceneMaterialCapacity);
    scene.save(w, &materials);
    if (controllers) {
        controllers(w);
    } else {
        ControllerSet().save(w);
    }
    w.writeInt(0);
    layout.bytes = w.bytes();
    return layout;
}

struct LoadOutcome {
    ShowLoadResult result;
    std::vector<MessageBoxCall> boxes;
    int tracks;
};

LoadOutcome load(const std::vector<uint8_t>& bytes) {
    FSoundRecorder sound;
    CapturedMessageBoxes boxes;
    resetAnimationList();
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size(), "data.pak");
    MeshRegistry registry;
    Player player;
    const ShowLoadResult result = loadShowFrom(reader, registry, player);
    return {result, boxes.calls(), player.getTrackCount()};
}

// The byte offset a load error names.
long reportedOffset(const std::string& text) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex("at byte ([0-9]+)"))) return -1;
    return std::stol(m[1]);
}

void overwriteInt(std::vector<uint8_t>& bytes, uint64_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

}  // namespace

TEST(ShowLoader, SoundPackLoadsSilently) {
    const PackLayout pack = buildPack();
    const LoadOutcome outcome = load(pack.bytes);
    EXPECT_EQ(outcome.result, kShowLoaded);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_EQ(outcome.tracks, 2);
}

TEST(ShowLoader, EveryTruncationIsReportedOnceWithItsOffset) {
    const PackLayout pack = buildPack();
    const size_t size = pack.bytes.size();
    std::vector<size_t> cuts = {0, 1, 3, pack.timeline, pack.timeline + 2, pack.trackCount, pack.pictureRecord + 9,
                                pack.sceneRecord, pack.sceneRecord + 40, size - 5, size - 1};
    for (size_t cut = 7; cut < size; cut += size / 40) cuts.push_back(cut);
    for (size_t cut : cuts) {
        std::vector<uint8_t> bytes(pack.bytes.begin(), pack.bytes.begin() + static_cast<ptrdiff_t>(cut));
        const LoadOutcome outcome = load(bytes);
        EXPECT_EQ(outcome.result, kShowBadPack) << "cut at " << cut;
        ASSERT_EQ(outcome.boxes.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(outcome.boxes[0].caption, kLoadErrorCaption);
        EXPECT_NE(outcome.boxes[0].text.find("data.pak: truncated at byte"), std::string::npos)
            << outcome.boxes[0].text;
        const long at = reportedOffset(outcome.boxes[0].text);
        EXPECT_LE(at, static_cast<long>(cut));
        // The offset is where the read that ran out began: a value, or a block of bytes.
        EXPECT_GE(at + (1 << 16), static_cast<long>(cut)) << outcome.boxes[0].text;
    }
}

TEST(ShowLoader, UnknownCellTypeStopsTheLoad) {
    PackLayout pack = buildPack();
    overwriteInt(pack.bytes, pack.pictureRecord + 4, 7);
    const LoadOutcome outcome = load(pack.bytes);
    EXPECT_EQ(outcome.result, kShowBadPack);
    ASSERT_EQ(outcome.boxes.size(), 2u);
    EXPECT_EQ(outcome.boxes[0].text, "Type de cellule inconnu lors du load");
    EXPECT_EQ(outcome.boxes[0].caption, "IN PLAYER");
    EXPECT_NE(outcome.boxes[1].text.find("unknown cell type 7"), std::string::npos) << outcome.boxes[1].text;
    // Fields 1 to 8 of the record were read: 3 ints, the counted name "cell", 4 ints.
    EXPECT_EQ(reportedOffset(outcome.boxes[1].text), static_cast<long>(pack.pictureRecord + 12 + 4 + 4 + 16));
}

TEST(ShowLoader, UnknownKeyKindStopsTheLoad) {
    const PackLayout pack = buildPack([](PackWriter& w) {
        w.writeInt(0);  // start, end, reserved, one controller
        w.writeInt(600);
        w.writeInt(0);
        w.writeInt(1);
        w.writeInt(1);  // target id, then position track only
        w.writeInt(1);
        w.writeInt(0);
        w.writeInt(0);
        w.writeInt(0);
        w.writeInt(1);  // one key: time 0, kind 9
        w.writeInt(0);
        w.writeInt(9);
        for (int i = 0; i < 3; ++i) w.writeFloat(1.0f);
    });
    const LoadOutcome outcome = load(pack.bytes);
    EXPECT_EQ(outcome.result, kShowBadPack);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_GT(reportedOffset(outcome.boxes[0].text), static_cast<long>(pack.sceneRecord));
    EXPECT_NE(outcome.boxes[0].text.find("unknown key value kind 9"), std::string::npos) << outcome.boxes[0].text;
}

TEST(ShowLoader, ImpossibleCountsAreRefusedBeforeAnythingIsAllocated) {
    const PackLayout pack = buildPack();
    struct Case {
        uint64_t at;
        int32_t value;
        const char* what;
    };
    const Case cases[] = {
        {pack.timeline, -3, "library animations"},
        {pack.trackCount, 2000000000, "tracks"},
        {pack.trackCount + 4, -1, "cells"},
        {pack.timeline + 4 + 4 + 4 + 4, 0x7FFFFFF0, "packed frame length"},  // after mode and "anim"
        {pack.pictureRecord + 12 + 8, 1 << 30, "cell frame number"},          // start, in frames
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = pack.bytes;
        overwriteInt(bytes, c.at, c.value);
        const LoadOutcome outcome = load(bytes);
        EXPECT_EQ(outcome.result, kShowBadPack) << c.what;
        ASSERT_EQ(outcome.boxes.size(), 1u) << c.what;
        EXPECT_NE(outcome.boxes[0].text.find(std::to_string(c.value)), std::string::npos) << outcome.boxes[0].text;
        EXPECT_NE(outcome.boxes[0].text.find(c.what), std::string::npos) << outcome.boxes[0].text;
    }
}

TEST(ShowLoader, MissingPackGivesAnEmptyShowAndAFileLoadsFromDisk) {
    FSoundRecorder sound;
    CapturedMessageBoxes boxes;
    resetAnimationList();
    {
        PackReader reader;
        MeshRegistry registry;
        Player player;
        const std::string missing = (fs::path(testing::TempDir()) / "no_such_data.pak").string();
        EXPECT_EQ(loadShow(missing.c_str(), reader, registry, player), kShowNoPack);
        EXPECT_EQ(player.getTrackCount(), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(player.getTrack(i)->count(), 0);
        EXPECT_EQ(animationList->count(), 0);
    }
    EXPECT_TRUE(boxes.calls().empty());

    const PackLayout pack = buildPack();
    const std::string path = (fs::path(testing::TempDir()) / "h5_data.pak").string();
    PackWriter file;
    ASSERT_EQ(file.open(path.c_str()), 0);
    file.writeBytes(pack.bytes.data(), pack.bytes.size());
    ASSERT_TRUE(file.close());
    PackReader reader;
    MeshRegistry registry;
    Player player;
    EXPECT_EQ(loadShow(path.c_str(), reader, registry, player), kShowLoaded);
    EXPECT_EQ(player.getTrackCount(), 2);
    EXPECT_EQ(player.getTrack(0)->count(), 3);  // two cells and the closing key
    EXPECT_EQ(animationList->count(), 1);
    EXPECT_TRUE(boxes.calls().empty());

    // The same file with its compressed bytes damaged in the middle.
    std::vector<char> gz(fs::file_size(path));
    std::ifstream(path, std::ios::binary).read(gz.data(), std::streamsize(gz.size()));
    for (size_t i = gz.size() / 2; i < gz.size() / 2 + 64; ++i) gz[i] = static_cast<char>(gz[i] ^ 0x5A);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(gz.data(), std::streamsize(gz.size()));
    resetAnimationList();
    PackReader damagedReader;
    MeshRegistry damagedRegistry;
    Player damagedPlayer;
    EXPECT_EQ(loadShow(path.c_str(), damagedReader, damagedRegistry, damagedPlayer), kShowBadPack);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_NE(boxes.calls()[0].text.find(" at byte "), std::string::npos) << boxes.calls()[0].text;
    fs::remove(path);
}
