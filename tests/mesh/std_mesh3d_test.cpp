// StdMesh3D: records, shared geometry, the frame passes and the soft-body window.
#include <gtest/gtest.h>

#include "mesh/std_mesh3d.h"
#include "mesh_test_util.h"
#include "platform/message_box.h"
#include "platform/recording_render_device.h"
#include "scene/scene3d.h"

using meshtest::MeshRecord;

namespace {

// Loads a record into mesh; returns the reader for inspection.
std::unique_ptr<PackReader> loadInto(StdMesh3D& mesh, const MeshRecord& r, MeshRegistry* registry = nullptr,
                                     MaterialLibrary* library = nullptr) {
    auto reader = meshtest::readerOver(meshtest::meshRecordBytes(r));
    mesh.load(*reader, library, registry);
    return reader;
}

std::vector<uint8_t> saved(StdMesh3D& mesh) {
    PackWriter w;
    w.openMemory();
    mesh.save(w, nullptr);
    return w.bytes();
}

}  // namespace

TEST(StdMesh3D, Construction) {
    StdMesh3D mesh;
    EXPECT_STREQ(mesh.getTypeName(), "StdMesh3D");
    EXPECT_EQ(mesh.getKinds(), 0x0Cu);
    EXPECT_EQ(mesh.getParam(), 1.0f);
    EXPECT_EQ(mesh.getTransformMode(), 2);
    EXPECT_EQ(mesh.getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(0), nullptr);
    EXPECT_EQ(mesh.createInstance(), nullptr);
    CapturedMessageBoxes boxes;
    EXPECT_EQ(mesh.installFace(1, 2), 0);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "not implemented anymore in stdmesh install face");
}

TEST(StdMesh3D, InlineRecordRoundTripsByteForByte) {
    MeshRecord r = meshtest::tetrahedron();
    r.frozen = 3;
    r.softBody = true;
    r.startFrame = 2;
    r.endFrame = 9;
    r.name = "jelly";
    r.position = Vector3(1, 2, 3);
    // A face of fewer corners keeps its unused stored word.
    r.faces.push_back({2, 1, 3, 77});
    r.materials.push_back(14);
    StdMesh3D mesh;
    auto reader = loadInto(mesh, r);
    ASSERT_FALSE(reader->failed()) << reader->error();
    EXPECT_EQ(mesh.getPointCount(), 4);
    EXPECT_EQ(mesh.getFaceCount(), 5);
    EXPECT_EQ(mesh.getFrozen(), 3);
    EXPECT_EQ(mesh.getEndFrame(), 9);
    EXPECT_STREQ(mesh.getName(), "jelly");
    EXPECT_EQ(mesh.getPosition().z, 3.0f);
    EXPECT_EQ(mesh.getMaterials()[4], 14);
    EXPECT_EQ(saved(mesh), meshtest::meshRecordBytes(r));

    // Without a soft body nothing follows the flag, and endFrame stays 0.
    MeshRecord plain = meshtest::tetrahedron();
    StdMesh3D other;
    ASSERT_FALSE(loadInto(other, plain)->failed());
    EXPECT_EQ(other.getEndFrame(), 0);
    EXPECT_EQ(saved(other), meshtest::meshRecordBytes(plain));
}

TEST(StdMesh3D, SharedRecordRoundTripsAndSharesGeometry) {
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
    EXPECT_STREQ(a.getPointsKey(), "box");
    EXPECT_EQ(a.getPoint(0, 0), b.getPoint(0, 0));  // the entry's own array
    EXPECT_EQ(saved(b), meshtest::meshRecordBytes(r));

    // Drawn through the device: one shape, each node with its own materials and place.
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
    EXPECT_TRUE(rec[0].materialFound);
    EXPECT_FALSE(rec[0].triangles);
    EXPECT_TRUE(rec[1].triangles);
    EXPECT_EQ(rec[3].material, 8);
    EXPECT_EQ(rec[2].mesh, &b);
    EXPECT_FLOAT_EQ(rec[2].r, 0.007f);
    ASSERT_EQ(device.vertices(rec[2]).size(), 4u);
    EXPECT_FLOAT_EQ(device.vertices(rec[2])[1].x, 11.0f);
    EXPECT_FLOAT_EQ(device.vertices(rec[0])[1].x, 1.0f);

    // A change through one node's local points is seen by the other.
    EXPECT_EQ(a.setPoint(1, Vector3(0, 0, 4), 0), 0);
    EXPECT_EQ(b.getPoint(1, 0)->z, 4.0f);
    EXPECT_EQ(a.setPoint(1, Vector3(0, 0, 9), 1), 2);
    EXPECT_EQ(b.getPoint(1, 0)->z, 4.0f);
    EXPECT_EQ(a.getPoint(1, 1), nullptr);
}

TEST(StdMesh3D, MissingKeysAndNoRegistry) {
    MeshRegistry registry;
    registry.addEntry(meshtest::makeEntry("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));

    // Unknown points key: the box, no points, and the rest of the record still loads.
    MeshRecord r = meshtest::tetrahedron();
    r.sharedPoints = true;
    r.pointsKey = "nowhere";
    r.name = "after";
    {
        CapturedMessageBoxes boxes;
        StdMesh3D mesh;
        auto reader = loadInto(mesh, r, &registry);
        EXPECT_FALSE(reader->failed()) << reader->error();
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].text, "error:factory NULL");
        EXPECT_EQ(boxes.calls()[0].caption, "error");
        EXPECT_EQ(mesh.getPointCount(), 0);
        EXPECT_STREQ(mesh.getName(), "after");
        // Its faces point nowhere: handed out without corners, drawn as nothing.
        ASSERT_NE(mesh.getFace(0), nullptr);
        EXPECT_EQ(mesh.getFace(0)->getPointCount(), 0);
    }

    // Unknown faces key: the material list that would follow has no count, so loading stops
    // with an error instead of reading on at an unknown position.
    MeshRecord f = meshtest::tetrahedron();
    f.sharedFaces = true;
    f.facesKey = "nowhere";
    StdMesh3D mesh;
    auto reader = loadInto(mesh, f, &registry);
    EXPECT_TRUE(reader->failed());
    EXPECT_NE(reader->error().find("faces key"), std::string::npos);

    // Without a registry a shared mode reads no key at all: here the mode words are followed
    // directly by the soft-body flag and the node record.
    PackWriter w;
    w.openMemory();
    w.writeInt(0);
    w.writeInt(1);
    w.writeInt(1);
    w.writeShort(0);
    meshtest::writeNodeRecord(w, "bare", 4, Vector3(0, 0, 0));
    auto bare = meshtest::readerOver(w.bytes());
    StdMesh3D noRegistry;
    noRegistry.load(*bare, nullptr, nullptr);
    EXPECT_FALSE(bare->failed()) << bare->error();
    EXPECT_STREQ(noRegistry.getName(), "bare");
}

TEST(StdMesh3D, RejectsUnsafeInlineRecords) {
    MeshRecord outside = meshtest::tetrahedron();
    outside.faces[2][3] = 4;  // one past the last point
    MeshRecord negative = meshtest::tetrahedron();
    negative.faces[0][1] = -1;
    MeshRecord quad = meshtest::tetrahedron();
    quad.faces[1][0] = 4;  // the inline form holds three indices
    MeshRecord eleven = meshtest::tetrahedron();
    eleven.faces[1][0] = 11;
    for (const MeshRecord* r : {&outside, &negative, &quad, &eleven}) {
        StdMesh3D mesh;
        EXPECT_TRUE(loadInto(mesh, *r)->failed());
        EXPECT_EQ(mesh.getFaceCount(), 0);
    }

    // Counts that cannot fit: refused before anything is allocated for them.
    for (int32_t count : {-1, kMaxMeshPoints + 1}) {
        PackWriter w;
        w.openMemory();
        w.writeInt(0);
        w.writeInt(0);
        w.writeInt(count);
        StdMesh3D mesh;
        auto reader = meshtest::readerOver(w.bytes());
        mesh.load(*reader, nullptr, nullptr);
        EXPECT_TRUE(reader->failed());
    }
    PackWriter w;
    w.openMemory();
    w.writeInt(0);
    w.writeInt(0);
    w.writeInt(0);  // no points
    w.writeInt(0);
    w.writeInt(kMaxMeshFaces + 1);
    StdMesh3D mesh;
    auto reader = meshtest::readerOver(w.bytes());
    mesh.load(*reader, nullptr, nullptr);
    EXPECT_TRUE(reader->failed());

    // A count larger than the stream behind it fails at the end of the data.
    PackWriter t;
    t.openMemory();
    t.writeInt(0);
    t.writeInt(0);
    t.writeInt(3000000);
    Vector3(1, 2, 3).save(t);
    auto truncated = meshtest::readerOver(t.bytes());
    StdMesh3D partial;
    partial.load(*truncated, nullptr, nullptr);
    EXPECT_TRUE(truncated->failed());
    EXPECT_EQ(partial.getPointCount(), 0);
}

TEST(StdMesh3D, FacesAndPointsSetByCode) {
    StdMesh3D mesh;
    const Vector3 p0(0, 0, 0), p1(1, 0, 0), p2(1, 1, 0), p3(0, 1, 0);
    const Vector3* list[] = {&p0, &p1, &p2, &p3};
    mesh.copyPoints(4, list);
    int32_t quad[] = {4, 0, 1, 2, 3};
    int32_t tri[] = {3, 2, 1, 9};  // index 9 is outside the points
    int32_t* faces[] = {quad, tri};
    const int32_t materials[] = {500, 501};
    mesh.setFaces(2, faces, materials);
    Face* first = mesh.getFace(0);
    EXPECT_EQ(first->getPointCount(), 4);
    EXPECT_EQ(first->getMaterial(), 500);
    EXPECT_EQ(first->getPoint(2, 0), mesh.getPoint(2, 0));
    Face* second = mesh.getFace(1);
    EXPECT_EQ(first, second);  // one face view, re-targeted
    EXPECT_EQ(second->getMaterial(), 501);
    EXPECT_EQ(second->getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(2), nullptr);
    EXPECT_EQ(mesh.getFace(-1), nullptr);

    // copyFaces keeps its own copy.
    {
        int32_t temp[] = {3, 0, 1, 2};
        int32_t* tempFaces[] = {temp};
        mesh.copyFaces(1, tempFaces, nullptr);
        temp[1] = 3;
    }
    EXPECT_EQ(mesh.getFace(0)->getIndices()[0], 0);
    EXPECT_EQ(mesh.getFace(0)->getMaterial(), -1);

    // copyPoints with the same count reuses the arrays; a new count reallocates.
    Vector3* before = mesh.getLocalPoints();
    mesh.copyPoints(4, list);
    EXPECT_EQ(mesh.getLocalPoints(), before);
    mesh.copyPoints(2, list);
    EXPECT_EQ(mesh.getPointCount(), 2);
    EXPECT_EQ(mesh.getPoint(2, 0), nullptr);
    EXPECT_EQ(mesh.setPoint(5, Vector3(1, 1, 1), 0), 0);  // out of range: no effect
}

TEST(StdMesh3D, TransformModes) {
    StdMesh3D mesh;
    const Vector3 p(1, 2, 3);
    const Vector3* list[] = {&p};
    mesh.copyPoints(1, list);
    mesh.setPosition(10, 0, 0);
    mesh.setScale(2, 2, 2);
    RecordingRenderDevice device;

    mesh.update(&device, 0, 0, true);  // mode 2: scale, then translation
    EXPECT_FLOAT_EQ(mesh.getPoint(0, 2)->x, 12.0f);
    EXPECT_FLOAT_EQ(mesh.getPoint(0, 2)->z, 6.0f);

    mesh.setTransformMode(0);
    mesh.update(&device, 0, 0, true);
    EXPECT_EQ(mesh.getPoint(0, 2)->x, 1.0f);

    mesh.setTransformMode(1);  // another writer supplies the transformed points
    mesh.setPoint(0, Vector3(-5, -5, -5), 2);
    mesh.update(&device, 0, 0, true);
    EXPECT_EQ(mesh.getPoint(0, 2)->x, -5.0f);

    mesh.setTransformMode(6);  // bit 1 set
    mesh.update(&device, 0, 0, true);
    EXPECT_FLOAT_EQ(mesh.getPoint(0, 2)->x, 12.0f);

    // Without a device the pass stops before the transform.
    mesh.setPosition(0, 0, 0);
    mesh.update(nullptr, 0, 0, true);
    EXPECT_FLOAT_EQ(mesh.getPoint(0, 2)->x, 12.0f);
}

TEST(StdMesh3D, UpdateAndDrawPassRules) {
    auto library = meshtest::makeLibrary({10, 11, 12, 13});
    auto* parent = new StdMesh3D();  // owned by the holder below
    StdMesh3D* child = new StdMesh3D();
    Node3D holder;
    holder.addChild(parent, 0);
    for (StdMesh3D* m : {parent, child}) ASSERT_FALSE(loadInto(*m, meshtest::tetrahedron())->failed());
    parent->addChild(child, 0);
    child->setPosition(0, 5, 0);

    RecordingRenderDevice device;
    device.setMaterialLibrary(library.get());
    parent->update(&device, 0, 0, true);
    parent->draw(&device, 0, 0, true);
    EXPECT_EQ(device.visibilityQueries(), 2);
    EXPECT_EQ(device.facesDrawn(), 8);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 5.0f);

    // Not recursing: the mesh alone.
    device.clear();
    parent->update(&device, 0, 0, false);
    parent->draw(&device, 0, 0, false);
    EXPECT_EQ(device.visibilityQueries(), 1);
    EXPECT_EQ(device.facesDrawn(), 4);

    // Out of view: the children are neither updated nor drawn in that frame.
    device.clear();
    child->setPosition(0, 7, 0);
    device.setVisibleAnswer(0);
    parent->update(&device, 0, 0, true);
    parent->draw(&device, 0, 0, true);
    EXPECT_FALSE(parent->isInView());
    EXPECT_EQ(device.visibilityQueries(), 1);
    EXPECT_EQ(device.facesDrawn(), 0);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 5.0f);

    // Hidden node: updated (children too) but not drawn, nor are its children.
    device.clear();
    device.setVisibleAnswer(std::nullopt);
    parent->setVisible(false);
    parent->update(&device, 0, 0, true);
    parent->draw(&device, 0, 0, true);
    EXPECT_EQ(device.visibilityQueries(), 2);
    EXPECT_EQ(device.facesDrawn(), 0);
    EXPECT_FLOAT_EQ(child->getPoint(0, 2)->y, 7.0f);

    // A translucent mesh is deferred to the end of the frame.
    device.clear();
    parent->setVisible(true);
    parent->setParam(0.5f);
    device.beginFrame();
    parent->update(&device, 0, 0, true);
    parent->draw(&device, 0, 0, true);
    EXPECT_EQ(device.facesDrawn(), 4);  // the child only
    device.endFrame();
    EXPECT_EQ(device.facesDrawn(), 8);
    EXPECT_TRUE(device.records()[device.records().size() - 2].translucentPass);
    EXPECT_EQ(device.records()[device.records().size() - 2].alpha, 0.5f);
}

TEST(StdMesh3D, SoftBodyWindowBoundaries) {
    StdMesh3D mesh;
    ASSERT_FALSE(loadInto(mesh, meshtest::tetrahedron())->failed());
    mesh.setSoftBody(2, 5, 0.8f, 0.4f, 0.93f, 0.0001f);
    RecordingRenderDevice device;
    auto at = [&](int t) {
        mesh.setTime(t);
        mesh.update(&device, 0, 0, true);
    };
    at(59);
    EXPECT_FALSE(mesh.isSoftBodyReady());
    at(60);
    EXPECT_TRUE(mesh.isSoftBodyReady());
    EXPECT_EQ(mesh.getLastSimTime(), 60u);
    at(149);
    EXPECT_EQ(mesh.getLastSimTime(), 149u);
    at(150);
    EXPECT_EQ(mesh.getLastSimTime(), 149u);
    // Negative node times compare as large unsigned values: outside the window.
    at(-30);
    EXPECT_EQ(mesh.getLastSimTime(), 149u);
    // Frozen meshes never step.
    mesh.setFrozen(1);
    at(100);
    EXPECT_EQ(mesh.getLastSimTime(), 149u);
    mesh.setFrozen(0);
    // The soft body also steps without a device (the pass stops after it).
    mesh.setTime(120);
    mesh.update(nullptr, 0, 0, true);
    EXPECT_EQ(mesh.getLastSimTime(), 120u);

    // A paused scene root stops the soft body of every mesh under it.
    Scene3D scene;
    auto* inScene = new StdMesh3D();
    ASSERT_FALSE(loadInto(*inScene, meshtest::tetrahedron())->failed());
    inScene->setSoftBody(0, 10, 0.8f, 0.4f, 0.93f, 0.0001f);
    scene.addChild(inScene, 0);
    scene.setPaused(true);
    inScene->setTime(30);
    inScene->update(&device, 0, 0, true);
    EXPECT_FALSE(inScene->isSoftBodyReady());
    scene.setPaused(false);
    inScene->update(&device, 0, 0, true);
    EXPECT_TRUE(inScene->isSoftBodyReady());

    // No soft body in the record: endFrame 0, never steps.
    StdMesh3D plain;
    ASSERT_FALSE(loadInto(plain, meshtest::tetrahedron())->failed());
    for (int t : {0, 30, 1000}) {
        plain.setTime(t);
        plain.update(&device, 0, 0, true);
    }
    EXPECT_FALSE(plain.isSoftBodyReady());

    // A soft body on a mesh without points does nothing and reports nothing.
    CapturedMessageBoxes boxes;
    StdMesh3D empty;
    empty.setSoftBody(0, 10, 0.8f, 0.4f, 0.93f, 0.0001f);
    empty.setTime(30);
    empty.update(&device, 0, 0, true);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_FALSE(empty.isSoftBodyReady());
}
