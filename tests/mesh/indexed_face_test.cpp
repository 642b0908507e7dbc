// Faces over a point set: classification, Newell planes, colours and the face record.
#include <gtest/gtest.h>

#include "mesh/indexed_face.h"
#include "mesh/std_mesh3d.h"
#include "mesh_test_util.h"
#include "platform/message_box.h"

namespace {

// A mesh holding the given points (local and transformed alike).
struct PointMesh {
    explicit PointMesh(std::vector<Vector3> pts) {
        std::vector<const Vector3*> list;
        for (const Vector3& p : pts) list.push_back(&p);
        mesh.copyPoints(static_cast<int>(pts.size()), list.data());
        for (int i = 0; i < static_cast<int>(pts.size()); ++i) mesh.setPoint(i, pts[i], kTransformedPoints);
    }
    StdMesh3D mesh;
};

IndexedFace faceOver(VertexSet* source, std::vector<int32_t> indices) {
    IndexedFace f;
    f.setIndices(source, static_cast<int>(indices.size()), indices.data());
    return f;
}

}  // namespace

TEST(Classify, AgainstThePlaneZ0) {
    const Plane z0(0, 0, 1, 0);
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, -1}, {1, 1, 1e-7f}});
    EXPECT_EQ(faceOver(&m.mesh, {0, 1, 2}).classify(z0, 0), 2);  // lying in the plane
    EXPECT_EQ(faceOver(&m.mesh, {0, 1, 3}).classify(z0, 0), 0);  // touching, otherwise in front
    EXPECT_EQ(faceOver(&m.mesh, {0, 1, 4}).classify(z0, 0), 1);  // touching, otherwise behind
    EXPECT_EQ(faceOver(&m.mesh, {3, 4, 0}).classify(z0, 0), 3);  // spanning
    EXPECT_EQ(faceOver(&m.mesh, {0, 5, 1}).classify(z0, 0), 2);  // within the tolerance
    EXPECT_EQ(faceOver(&m.mesh, {}).classify(z0, 0), 2);         // empty
    EXPECT_EQ(m.mesh.classify(z0, 0), 3);
    EXPECT_EQ(m.mesh.classify(Plane(0, 0, 1, 5), kTransformedPoints), 0);
    // An unsupported space reads no point: classified as empty rather than crashing.
    EXPECT_EQ(m.mesh.classify(z0, 1), 2);
}

TEST(ComputePlane, NewellPlanes) {
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 5}, {2, 0, 5}, {2, 2, 5}, {0, 2, 5}});
    IndexedFace tri = faceOver(&m.mesh, {0, 1, 2});
    tri.computePlane(0);
    const Plane p = tri.getPlane(0);
    EXPECT_FLOAT_EQ(p.a, 0);
    EXPECT_FLOAT_EQ(p.b, 0);
    EXPECT_FLOAT_EQ(p.c, 1);
    EXPECT_FLOAT_EQ(p.d, 0);

    // A square at z = 5, wound clockwise seen from +z: normal -z, d = minus the centroid distance.
    IndexedFace quad = faceOver(&m.mesh, {3, 6, 5, 4});
    quad.computePlane(kTransformedPoints);
    const Plane q = quad.getPlane(kTransformedPoints);
    EXPECT_FLOAT_EQ(q.c, -1);
    EXPECT_FLOAT_EQ(q.d, 5);  // -(centroid . n) = -(5 * -1)
    // Space 0 was not written by the space-2 computation; space 1 writes nothing.
    EXPECT_FLOAT_EQ(quad.getPlane(0).c, 0);
    quad.computePlane(1);
    EXPECT_FLOAT_EQ(quad.getPlane(kTransformedPoints).c, -1);

    // Degenerate (collinear) corners: the unnormalised zero normal.
    IndexedFace line = faceOver(&m.mesh, {0, 1, 0});
    line.computePlane(0);
    const Plane l = line.getPlane(0);
    EXPECT_EQ(l.a, 0);
    EXPECT_EQ(l.b, 0);
    EXPECT_EQ(l.c, 0);
}

TEST(IndexedFace, ColourMaterialAndCorners) {
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    IndexedFace f = faceOver(&m.mesh, {2, 1, 0});
    EXPECT_EQ(f.getMaterial(), -2);
    f.setMaterial(7);
    f.setColour(-0.5f, 0.2f, 3.0f);
    float r, g, b;
    f.getColour(r, g, b);
    EXPECT_EQ(r, 0.0f);
    EXPECT_FLOAT_EQ(g, 0.2f);
    EXPECT_FLOAT_EQ(b, 3.0f);
    EXPECT_EQ(f.getMaterial(), -2);

    EXPECT_EQ(f.getPoint(0, 0), m.mesh.getPoint(2, 0));
    EXPECT_EQ(f.getPoint(0, 1), nullptr);
    EXPECT_EQ(f.getPoint(3, 0), nullptr);   // past the corners
    EXPECT_EQ(f.getPoint(-1, 0), nullptr);
    EXPECT_EQ(f.setAuxPoint(0, Vector3(0, 0, 0), 2), 2);
    EXPECT_EQ(f.setAuxPoint(0, Vector3(0, 0, 0), 0), 0);

    // More than 10 corners: the index list keeps 10.
    std::vector<int32_t> many(12, 1);
    f.setIndices(&m.mesh, 12, many.data());
    EXPECT_EQ(f.getPointCount(), kMaxFaceCorners);

    // The retired copyPoints shows its box and keeps the corner count inside the list.
    CapturedMessageBoxes boxes;
    f.copyPoints(50, nullptr);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "not implemented anymore!");
    EXPECT_EQ(f.getPointCount(), kMaxFaceCorners);
    EXPECT_EQ(f.getPoint(9, 0), m.mesh.getPoint(1, 0));
}

TEST(IndexedFace, RecordRoundTripAndRejections) {
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    IndexedFace f = faceOver(&m.mesh, {3, 1, 0, 2});
    f.setMaterial(42);
    PackWriter w;
    w.openMemory();
    f.save(w, 0);

    IndexedFace g;
    auto reader = meshtest::readerOver(w.bytes());
    g.load(&m.mesh, *reader, 0);
    ASSERT_FALSE(reader->failed()) << reader->error();
    EXPECT_EQ(g.getPointCount(), 4);
    EXPECT_EQ(g.getMaterial(), 42);
    EXPECT_EQ(g.getIndices()[0], 3);
    EXPECT_EQ(g.getPoint(3, 0), m.mesh.getPoint(2, 0));

    auto recordOf = [](std::vector<int32_t> words) {
        PackWriter out;
        out.openMemory();
        for (int32_t v : words) out.writeInt(v);
        return out.bytes();
    };
    // An index outside the source's points and a corner count above 10 are load errors.
    auto bad = meshtest::readerOver(recordOf({3, 0, 1, 4, 5}));
    IndexedFace h;
    h.load(&m.mesh, *bad, 0);
    EXPECT_TRUE(bad->failed());
    EXPECT_EQ(h.getPointCount(), 0);
    auto tooMany = meshtest::readerOver(recordOf({11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}));
    h.load(&m.mesh, *tooMany, 0);
    EXPECT_TRUE(tooMany->failed());
}
