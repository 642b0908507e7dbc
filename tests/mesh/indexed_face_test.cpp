// Faces over a point set: classification, Newell planes, corner bounds and the face record.
#include <gtest/gtest.h>

#include "mesh/indexed_face.h"
#include "mesh_test_util.h"

namespace {

// A mesh holding the given points (local and transformed alike).
struct PointMesh {
    explicit PointMesh(std::vector<Vector3> pts) {
        std::vector<const Vector3*> list;
        for (const Vector3& p : pts) list.push_back(&p);
        mesh.copyPoints(static_cast<int>(pts.size()), list.data());
        for (int i = 0; i < static_cast<int>(pts.size()); ++i) mesh.setPoint(i, pts[i], kTransformedPoints);
    }
    IndexedFace face(std::vector<int32_t> indices) {
        IndexedFace f;
        f.setIndices(&mesh, static_cast<int>(indices.size()), indices.data());
        return f;
    }
    StdMesh3D mesh;
};

}  // namespace

TEST(IndexedFace, ClassifyAgainstThePlaneZ0) {
    const Plane z0(0, 0, 1, 0);
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, -1}, {1, 1, 1e-7f}});
    const std::pair<std::vector<int32_t>, int> cases[] = {
        {{0, 1, 2}, 2},  // lying in the plane
        {{0, 1, 3}, 0},  // touching, otherwise in front
        {{0, 1, 4}, 1},  // touching, otherwise behind
        {{3, 4, 0}, 3},  // spanning
        {{0, 5, 1}, 2},  // within the tolerance
        {{}, 2}};        // empty
    for (const auto& [indices, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(indices));
        EXPECT_EQ(m.face(indices).classify(z0, 0), expected);
    }
    EXPECT_EQ(m.mesh.classify(z0, 0), 3);
    EXPECT_EQ(m.mesh.classify(Plane(0, 0, 1, 5), kTransformedPoints), 0);
    EXPECT_EQ(m.mesh.classify(z0, 1), 2);  // an unsupported space reads no point: empty
}

TEST(IndexedFace, ComputePlaneIsTheNewellPlaneOfItsSpace) {
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 5}, {2, 0, 5}, {2, 2, 5}, {0, 2, 5}});
    auto expectPlane = [&](std::vector<int32_t> indices, int space, float a, float b, float c, float d) {
        IndexedFace f = m.face(indices);
        f.computePlane(space);
        const Plane p = f.getPlane(space == 1 ? kTransformedPoints : space);
        EXPECT_FLOAT_EQ(p.a, a);
        EXPECT_FLOAT_EQ(p.b, b);
        EXPECT_FLOAT_EQ(p.c, c);
        EXPECT_FLOAT_EQ(p.d, d);
        EXPECT_EQ(f.getPlane(space == 0 ? kTransformedPoints : 0).c, 0.0f);  // the other space untouched
    };
    expectPlane({0, 1, 2}, 0, 0, 0, 1, 0);
    // A square at z = 5 wound clockwise seen from +z: d = -(centroid . n).
    expectPlane({3, 6, 5, 4}, kTransformedPoints, 0, 0, -1, 5);
    expectPlane({0, 1, 0}, 0, 0, 0, 0, 0);     // collinear: the zero normal
    expectPlane({3, 6, 5, 4}, 1, 0, 0, 0, 0);  // no such space: nothing written
}

TEST(IndexedFace, CornerBoundsAndRecords) {
    PointMesh m({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    IndexedFace f = m.face({3, 1, 0, 2});
    EXPECT_EQ(f.getPoint(3, 0), m.mesh.getPoint(2, 0));
    EXPECT_EQ(f.getPoint(0, 1), nullptr);  // no such space
    EXPECT_EQ(f.getPoint(4, 0), nullptr);  // past the corners
    EXPECT_EQ(f.getPoint(-1, 0), nullptr);

    std::vector<int32_t> many(12, 1);  // more than 10 corners set by code: the list keeps 10
    f.setIndices(&m.mesh, 12, many.data());
    EXPECT_EQ(f.getPointCount(), kMaxFaceCorners);
    EXPECT_EQ(f.getPoint(9, 0), m.mesh.getPoint(1, 0));
    EXPECT_EQ(f.getPoint(10, 0), nullptr);

    // Records (corner count, indices, material): a sound one round-trips; an index outside the
    // source's points and more than 10 corners are load errors.
    const std::pair<std::vector<int32_t>, int> records[] = {
        {{4, 3, 1, 0, 2, 42}, 4}, {{3, 0, 1, 4, 5}, 0}, {{11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, 0}};
    for (const auto& [words, corners] : records) {
        SCOPED_TRACE(words[0]);
        PackWriter w;
        w.openMemory();
        for (int32_t v : words) w.writeInt(v);
        auto reader = meshtest::readerOver(w.bytes());
        IndexedFace g;
        g.load(&m.mesh, *reader, 0);
        EXPECT_EQ(reader->failed(), corners == 0);
        EXPECT_EQ(g.getPointCount(), corners);
        if (corners == 0) continue;
        EXPECT_EQ(g.getPoint(3, 0), m.mesh.getPoint(2, 0));
        PackWriter again;
        again.openMemory();
        g.save(again, 0);
        EXPECT_EQ(again.bytes(), w.bytes());
    }
}
