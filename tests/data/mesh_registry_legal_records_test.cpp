// MeshRegistry: records that are legal but unusual load: counts of zero or less give empty
// arrays, and a face index outside the points is kept (and noted once) instead of refusing the
// pack. A save writes every such record back byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/std_mesh3d.h"

namespace {

void writeEntry(PackWriter& w, const char* key, int32_t pointCount, int32_t points,
                const std::vector<std::vector<int32_t>>& faces, int32_t faceCount) {
    w.writeInt(1);
    w.writeString(key);
    w.writeString(key);
    w.writeInt(pointCount);
    for (int32_t i = 0; i < 3 * points; ++i) w.writeFloat(static_cast<float>(i));
    w.writeInt(faceCount);
    for (const auto& face : faces)
        for (int32_t word : face) w.writeInt(word);  // the corner count and the indices
}

}  // namespace

TEST(MeshRegistryLegalRecords, CountsOfZeroOrLessGiveEmptyArrays) {
    PackWriter none;
    none.openMemory();
    none.writeInt(-3);  // no entries: only the count is read
    none.writeInt(12345);
    PackReader r;
    r.openMemory(none.bytes().data(), none.bytes().size(), "data.pak");
    MeshRegistry empty;
    empty.loadEntries(r);
    EXPECT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.offset(), 4u);
    EXPECT_EQ(empty.entries().count(), 0);

    PackWriter w;
    w.openMemory();
    w.writeInt(3);
    writeEntry(w, "nothing", -5, 0, {}, -1);         // negative counts: nothing follows them
    writeEntry(w, "flat", 3, 3, {{-2}, {0}}, 2);      // faces of -2 and 0 corners
    writeEntry(w, "after", 1, 1, {{1, 0}}, 1);
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    registry.loadEntries(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.offset(), w.bytes().size());
    ASSERT_EQ(registry.entries().count(), 3);
    EXPECT_EQ(registry.findByKey("nothing")->getNbPts(), 0);
    EXPECT_EQ(registry.findByKey("nothing")->getNbFaces(), 0);
    EXPECT_EQ(registry.findByKey("flat")->getNbFaces(), 2);
    EXPECT_EQ(registry.findByKey("after")->getNbPts(), 1);
    EXPECT_EQ(r.noteCount(), 0);
}

TEST(MeshRegistryLegalRecords, FaceIndicesOutsideThePointsAreKeptNotedAndNeverDrawn) {
    PackWriter w;
    w.openMemory();
    w.writeInt(1);
    // Four points; face 1 names point 9 and face 2 point -1.
    writeEntry(w, "quad", 4, 4, {{3, 0, 1, 2}, {3, 2, 3, 9}, {4, -1, 0, 1, 2}}, 3);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    registry.loadEntries(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.noteCount(), 2);
    EXPECT_NE(r.firstNote().find("data.pak: face point index 9 outside 0..3 (the face is not drawn) at byte"),
              std::string::npos)
        << r.firstNote();
    MESH3D_ENTRY* quad = registry.findByKey("quad");
    ASSERT_NE(quad, nullptr);
    ASSERT_EQ(quad->getNbFaces(), 3);
    EXPECT_EQ(quad->getFaces()[1][3], 9);  // kept as stored

    // A mesh sharing the entry draws the sound face only.
    StdMesh3D mesh;
    mesh.sharePoints(quad->getKey(), quad->getNbPts(), quad->getPoints());
    mesh.shareFaces(quad->getKey(), quad->getNbFaces(), quad->getFaces(), nullptr);
    EXPECT_EQ(mesh.getFace(0)->getPointCount(), 3);
    EXPECT_EQ(mesh.getFace(1)->getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(2)->getPointCount(), 0);

    PackWriter saved;
    saved.openMemory();
    registry.save(saved);
    EXPECT_EQ(saved.bytes(), w.bytes());
}
