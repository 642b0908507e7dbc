// A show laid out as its formats allow but unusually: stray in and out points on picture and
// animation cells, mesh counts below zero, a face naming a point that does not exist, a child
// kind word without a class, a sea of 300 x 300 spline segments and 2,000 cells, and a library
// animation played from a file. It loads through the players' entry point and plays; the stray
// face is reported once; the file-mode animation saves back byte for byte.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/std_mesh3d.h"
#include "support/node_records.h"
#include "support/recording_render_device.h"
#include "support/working_directory.h"
#include "test_packs.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> gLines;

// The node part of a record: no properties, the id, at the origin, identity quaternion, unit scale.
void nodeRecord(PackWriter& w, int32_t id) { records::nodeHead(w, {id, "n", Vector3(0, 0, 0), {}, 0, 0}); }

std::vector<uint8_t> libraryRecord() {
    PackWriter w;
    w.openMemory();
    w.writeInt(1);
    w.writeString("clip");
    w.writeString("clip.fli");
    return w.bytes();
}

std::vector<uint8_t> legalPack() {
    PackWriter w;
    w.openMemory();
    // Mesh section: "neg" with counts below zero (nothing follows them), "tri" with a face
    // naming point 9 of 3.
    w.writeInt(2);
    for (const char* key : {"neg", "tri"}) {
        w.writeInt(0);
        w.writeString(key);
        w.writeString(key);
        if (key[0] == 'n') {
            for (int32_t v : {-4, -2}) w.writeInt(v);
            continue;
        }
        w.writeInt(3);
        for (int i = 0; i < 9; ++i) w.writeFloat(static_cast<float>(i % 4));
        w.writeInt(2);
        for (int32_t v : {3, 0, 1, 2, 3, 0, 1, 9}) w.writeInt(v);
    }
    // Timeline: the file-mode library animation, three tracks of one cell each.
    w.writeInt(1);
    const std::vector<uint8_t> library = libraryRecord();
    w.writeBytes(library.data(), library.size());
    for (int32_t v : {0, 3, 1}) w.writeInt(v);
    // A picture cell whose unused in and out points are far out of any frame range.
    writeCellHeader(w, kCellPicture, 0, 10, 2000000000, -2000000000);
    const uint8_t pixels[16] = {9, 9, 9, 255};
    std::vector<uint8_t> compressed(compressBound(sizeof pixels));
    uLongf length = compressed.size();
    compress(compressed.data(), &length, pixels, sizeof pixels);
    w.writeInt(static_cast<int32_t>(length));
    w.writeBytes(compressed.data(), length);
    w.writeInt(0);
    // An animation cell likewise.
    w.writeInt(1);
    writeCellHeader(w, kCellAnimation, 0, 10, INT32_MAX, INT32_MIN);
    w.writeInt(0);
    w.writeString("clip");
    w.writeInt(0);
    // A scene: an abstract camera's kind word (no class, no record), a group, a sea, a mesh
    // sharing "tri".
    w.writeInt(1);
    writeCellHeader(w, kCellScene, 0, 10, 0, 10);
    w.writeInt(0);
    for (int i = 0; i < 3; ++i) w.writeFloat(0.5f);
    nodeRecord(w, 0);
    w.writeInt(4);
    for (int32_t v : {1, 0x20, 1, 0x10}) w.writeInt(v);
    nodeRecord(w, 1);
    w.writeInt(0);
    for (int32_t v : {1, 0x11C}) w.writeInt(v);
    nodeRecord(w, 2);
    w.writeInt(0);
    for (int i = 0; i < 9; ++i) w.writeFloat(0.0f);
    for (float f : {64.0f, 0.5f, 64.0f, 300.0f, 300.0f, 2000.0f}) w.writeFloat(f);
    w.writeInt(2);
    w.writeInt(0x806040);
    for (int32_t v : {1, 0x0C, 0, 1}) w.writeInt(v);
    w.writeString("tri");
    w.writeInt(1);
    w.writeString("tri");
    for (int32_t v : {7, 7}) w.writeInt(v);
    w.writeShort(0);
    nodeRecord(w, 3);
    w.writeInt(0);
    w.writeInt(0);  // physics: no records
    w.writeInt(0);
    for (float f : {0.1f, 0.2f, -0.001f, 0.0f}) w.writeFloat(f);
    for (int32_t v : {0, 10, 0, 0}) w.writeInt(v);  // controllers: none
    w.writeInt(0);
    return w.bytes();
}

}  // namespace

TEST(LegalPacks, UnusualButLegalRecordsLoadAndPlay) {
    const fs::path dir = fs::path(testing::TempDir()) / "legal_pack";
    fs::create_directories(dir);
    const auto frame = fliFrame({fliChunk(kFliBlack, {})});
    writeTemp("clip.fli", fliFile(kFliMagic, 2, 2, 2, {frame, frame}), dir.string());
    WorkingDirectory cwd(dir);
    ASSERT_TRUE(cwd.ok());

    CapturedMessageBoxes boxes;
    gLines.clear();
    const ReportLineSink previousSink = setReportLineSink([](const char* line) { gLines.emplace_back(line); });
    resetAnimationList();
    const std::vector<uint8_t> bytes = legalPack();
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size(), "data.pak");
    MeshRegistry registry;
    Player player;
    const ShowLoadResult result = loadShowFrom(reader, registry, player.timeline());
    setReportLineSink(previousSink);

    ASSERT_TRUE(result.loaded()) << result.error.text();
    EXPECT_EQ(reader.offset(), bytes.size());
    EXPECT_TRUE(boxes.calls().empty());
    ASSERT_EQ(gLines.size(), 1u);
    EXPECT_NE(gLines[0].find("face point index 9 outside 0..2 (the face is not drawn)"), std::string::npos) << gLines[0];
    EXPECT_EQ(registry.findByKey("neg")->getNbPts(), 0);
    for (int t = 0; t < 3; ++t) EXPECT_EQ(player.timeline().getTrack(t)->count(), 2) << t;

    auto* clip = static_cast<SceneClip*>(player.timeline().getTrack(2)->getKey(0)->getValue());
    Scene3D* scene = clip->scene();
    ASSERT_EQ(scene->getChildCount(), 3);  // the kind word without a class made nothing
    auto* sea = dynamic_cast<SeaMesh3D_FX*>(scene->getChild(1));
    ASSERT_NE(sea, nullptr);
    ASSERT_NE(sea->waves(), nullptr);
    EXPECT_EQ(sea->waves()->width(), 901);
    EXPECT_FLOAT_EQ(sea->cells(), 2000.0f);
    auto* mesh = dynamic_cast<StdMesh3D*>(scene->getChild(2));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->getFace(0)->getPointCount(), 3);
    EXPECT_EQ(mesh->getFace(1)->getPointCount(), 0);  // not drawn

    // At 0.1 s the picture and the scene draw (the animation cell has no frames to show: its
    // library animation plays a file). Four million sea tiles a frame are left out here.
    sea->setVisible(false);
    RecordingRenderDevice device;
    player.renderTracks(100, 640, 480, &device);
    EXPECT_EQ(device.count(RecordKind::ScreenTexture), 1);
    // The stray face reaches the device without corners: nothing of it is rasterised.
    int corners = 0;
    for (const RenderRecord& record : device.records())
        if (record.kind == RecordKind::Face) corners += static_cast<int>(device.vertices(record).size());
    EXPECT_EQ(corners, 3);

    // The file-mode library animation writes back the record it was read from.
    PackWriter saved;
    saved.openMemory();
    animationList->getAt(0)->save(saved);
    EXPECT_EQ(saved.bytes(), libraryRecord());
}
