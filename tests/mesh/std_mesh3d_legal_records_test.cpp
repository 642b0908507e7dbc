// StdMesh3D: an inline face whose index lies outside the points is a legal record: it is kept
// (a save writes it back), noted once on the reader, and handed out without corners, so it is
// neither drawn nor used to reach a point.
#include <gtest/gtest.h>

#include "data/pack_writer.h"
#include "mesh_test_util.h"

TEST(StdMesh3DLegalRecords, FaceIndicesOutsideThePointsAreKeptNotedAndNotDrawn) {
    meshtest::MeshRecord r = meshtest::tetrahedron();
    r.faces[2][3] = 4;   // one past the last point
    r.faces[0][1] = -1;
    StdMesh3D mesh;
    auto reader = meshtest::loadInto(mesh, r);
    ASSERT_FALSE(reader->failed()) << reader->error();
    EXPECT_EQ(reader->noteCount(), 2);
    EXPECT_NE(reader->firstNote().find("face index -1 outside 0..3 (the face is not drawn) at byte"),
              std::string::npos)
        << reader->firstNote();
    ASSERT_EQ(mesh.getFaceCount(), 4);
    EXPECT_EQ(mesh.getFace(0)->getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(1)->getPointCount(), 3);
    EXPECT_EQ(mesh.getFace(2)->getPointCount(), 0);

    PackWriter saved;
    saved.openMemory();
    mesh.save(saved, nullptr);
    EXPECT_EQ(saved.bytes(), meshtest::meshRecordBytes(r));
}
