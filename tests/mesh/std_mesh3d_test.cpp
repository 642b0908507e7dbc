// StdMesh3D: records, shared geometry, load errors, faces outside the points and the frame passes.
#include <gtest/gtest.h>

#include "mesh_test_util.h"
#include "scene/camera3d.h"
#include "support/captured_message_boxes.h"
#include "support/recording_render_device.h"

using meshtest::loadInto;
using meshtest::MeshRecord;

namespace {

std::vector<uint8_t> saved(StdMesh3D& mesh) {
    PackWriter w;
    w.openMemory();
    mesh.save(w, nullptr);
    return w.bytes();
}

}  // namespace

TEST(StdMesh3D, InlineRecordsRoundTripByteForByte) {
    MeshRecord jelly = meshtest::tetrahedron();
    jelly.frozen = 3;
    jelly.softBody = true;
    jelly.startFrame = 2;
    jelly.endFrame = 9;
    jelly.name = "jelly";
    jelly.position = Vector3(1, 2, 3);
    jelly.faces.push_back({2, 1, 3, 77});  // a face of fewer corners keeps its unused stored word
    jelly.materials.push_back(14);
    for (const MeshRecord& r : {jelly, meshtest::tetrahedron()}) {
        StdMesh3D mesh;
        auto reader = loadInto(mesh, r);
        ASSERT_FALSE(reader->failed()) << reader->error();
        EXPECT_EQ(mesh.getPointCount(), 4);
        EXPECT_EQ(mesh.getFaceCount(), static_cast<int>(r.faces.size()));
        EXPECT_EQ(mesh.getEndFrame(), r.endFrame);
        EXPECT_STREQ(mesh.getName(), r.name.c_str());
        EXPECT_EQ(saved(mesh), meshtest::meshRecordBytes(r));
    }
}

TEST(StdMesh3D, SharedRegistryGeometryIsSeenByTwoNodes) {
    MeshRegistry registry;
    registry.addEntry(meshtest::makeEntry("box", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}, {3, 2, 1}}));
    MeshRecord r;
    r.sharedPoints = r.sharedFaces = true;
    r.pointsKey = r.facesKey = "box";
    r.materials = {5, 6};
    StdMesh3D a, b;
    ASSERT_FALSE(loadInto(a, r, &registry)->failed());
    r.materials = {7, 8};
    r.position = Vector3(10, 0, 0);
    ASSERT_FALSE(loadInto(b, r, &registry)->failed());
    EXPECT_EQ(a.getPoint(0, 0), b.getPoint(0, 0));  // the entry's own array
    EXPECT_EQ(saved(b), meshtest::meshRecordBytes(r));

    // Drawn: one shape, each node with its own materials and place.
    auto library = meshtest::makeLibrary({5, 6, 7, 8});
    RecordingRenderDevice device;
    device.setMaterialLibrary(library.get());
    for (StdMesh3D* m : {&a, &b}) {
        m->update(&device, 640, 480, true);
        m->draw(&device, 640, 480, true);
    }
    ASSERT_EQ(device.facesDrawn(), 4);
    const auto& rec = device.records();
    EXPECT_EQ(rec[0].material, 5);
    EXPECT_EQ(rec[3].material, 8);
    ASSERT_EQ(device.vertices(rec[2]).size(), 4u);
    EXPECT_FLOAT_EQ(device.vertices(rec[0])[1].x, 1.0f);
    EXPECT_FLOAT_EQ(device.vertices(rec[2])[1].x, 11.0f);

    // A change through one node's local points is seen by the other.
    EXPECT_EQ(a.setPoint(1, Vector3(0, 0, 4), 0), 0);
    EXPECT_EQ(b.getPoint(1, 0)->z, 4.0f);
}

TEST(StdMesh3D, UnknownPointsKeyIsReportedAndTheRecordStillLoads) {
    MeshRegistry registry;
    MeshRecord r = meshtest::tetrahedron();
    r.sharedPoints = true;
    r.pointsKey = "nowhere";
    r.name = "after";
    CapturedMessageBoxes boxes;
    StdMesh3D mesh;
    auto reader = loadInto(mesh, r, &registry);
    EXPECT_FALSE(reader->failed()) << reader->error();  // the rest of the record still loads
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "error:factory NULL");
    EXPECT_EQ(mesh.getPointCount(), 0);
    EXPECT_STREQ(mesh.getName(), "after");
    ASSERT_NE(mesh.getFace(0), nullptr);  // faces pointing nowhere have no corners
    EXPECT_EQ(mesh.getFace(0)->getPointCount(), 0);

}

TEST(StdMesh3D, UnsafeRecordsAreLoadErrors) {
    MeshRegistry registry;
    struct Case {
        const char* error;
        void (*change)(MeshRecord&);
    };
    const Case cases[] = {
        {"inline face corner count", [](MeshRecord& r) { r.faces[1][0] = 4; }},  // the form holds three
        {"inline face corner count", [](MeshRecord& r) { r.faces[1][0] = 11; }},
        // The material list after unknown shared faces has no count: reading on would be a guess.
        {"faces key not in the mesh registry", [](MeshRecord& r) { r.sharedFaces = true, r.facesKey = "nowhere"; }}};
    for (const Case& c : cases) {
        MeshRecord r = meshtest::tetrahedron();
        c.change(r);
        StdMesh3D mesh;
        std::string error = loadInto(mesh, r, &registry)->error();
        EXPECT_NE(error.find(c.error), std::string::npos) << c.error << " / " << error;
        EXPECT_EQ(mesh.getFaceCount(), 0);
    }
    // Counts that cannot fit are refused before anything is allocated for them; a count larger
    // than the stream behind it fails at the end of the data.
    const std::vector<int32_t> counts[] = {{0, 0, -1}, {0, 0, kMaxMeshPoints + 1}, {0, 0, 0, 0, kMaxMeshFaces + 1},
                                           {0, 0, 3000000, 0, 0, 0}};
    for (const auto& words : counts) {
        SCOPED_TRACE(words[2]);
        PackWriter w;
        w.openMemory();
        for (int32_t v : words) w.writeInt(v);
        StdMesh3D mesh;
        auto reader = meshtest::readerOver(w.bytes());
        mesh.load(*reader, nullptr, nullptr);
        EXPECT_TRUE(reader->failed());
        EXPECT_EQ(mesh.getPointCount(), 0);
    }
}

TEST(StdMesh3D, FacesSetByCodeWithIndicesOutsideThePointsHaveNoCorners) {
    StdMesh3D mesh;
    const Vector3 p0(0, 0, 0), p1(1, 0, 0), p2(1, 1, 0), p3(0, 1, 0);
    const Vector3* list[] = {&p0, &p1, &p2, &p3};
    mesh.copyPoints(4, list);
    int32_t quad[] = {4, 0, 1, 2, 3}, tri[] = {3, 2, 1, 9};  // index 9 is outside the points
    const int32_t* faces[] = {quad, tri};
    mesh.copyFaces(2, faces, nullptr);
    quad[1] = 3;  // copyFaces keeps its own copy
    EXPECT_EQ(mesh.getFace(0)->getPointCount(), 4);
    EXPECT_EQ(mesh.getFace(0)->getPoint(0, 0), mesh.getPoint(0, 0));
    EXPECT_EQ(mesh.getFace(1)->getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(2), nullptr);
    EXPECT_EQ(mesh.getFace(-1), nullptr);
}

TEST(StdMesh3D, UpdateAndDrawPassRules) {
    auto library = meshtest::makeLibrary({10, 11, 12, 13});
    auto* parent = new StdMesh3D();  // owned by the holder below
    StdMesh3D* child = new StdMesh3D();
    Node3D holder;
    holder.addChild(parent, 0);
    for (StdMesh3D* m : {parent, child}) ASSERT_FALSE(loadInto(*m, meshtest::tetrahedron())->failed());
    parent->addChild(child, 0);
    RecordingRenderDevice device;
    device.setMaterialLibrary(library.get());
    auto pass = [&](bool recurse) {
        device.clear();
        parent->update(&device, 0, 0, recurse);
        parent->draw(&device, 0, 0, recurse);
    };
    child->setPosition(0, 5, 0);
    pass(true);
    EXPECT_EQ(device.facesDrawn(), 8);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 5.0f);
    child->setPosition(0, 6, 0);
    pass(false);  // the mesh alone
    EXPECT_EQ(device.facesDrawn(), 4);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 5.0f);

    // Out of view (a camera below, looking down): the children are neither updated nor drawn in
    // that frame.
    child->setPosition(0, 7, 0);
    Camera3D below;
    below.setPosition(Vector3(0, -100, 0));
    device.setCamera(below, 0, 0);
    pass(true);
    EXPECT_EQ(device.facesDrawn(), 0);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 5.0f);

    // Hidden node: updated (children too) but not drawn, nor are its children.
    device.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), 0, 0);  // culling off
    parent->setVisible(false);
    pass(true);
    EXPECT_EQ(device.facesDrawn(), 0);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 7.0f);
}

// An inline face whose index lies outside the points is kept (a save writes it back), noted once
// on the reader, and handed out without corners.
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
