// Matrix and quaternion behaviour the scene relies on: inverse, rotation conventions, Euler
// extraction and slerp branches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/matrix4.h"
#include "math/quaternion.h"
#include "math/random.h"

namespace {

void expectMatrixNear(const Matrix4& a, const Matrix4& b, float tol) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

Matrix4 fromRows(std::initializer_list<float> v) {
    Matrix4 m;
    int i = 0;
    for (float f : v) m.m[i++] = f;
    return m;
}

}  // namespace

TEST(Matrix4, InvertKnownTransforms) {
    Matrix4 id = Matrix4::identity();
    ASSERT_TRUE(id.invert());
    EXPECT_TRUE(id.isIdentity());

    Matrix4 s = Matrix4::identity();
    s.setScaleDiagonal(Vector3(2, 2, 2));
    Matrix4 t = Matrix4::identity();
    t.setTranslation(Vector3(1, 2, 3));
    Matrix4 st = s.multiplyMatrix(t);
    ASSERT_TRUE(st.invert());
    const Vector3 a = Vector3(1, 2, 3).transformPoint(st);
    const Vector3 b = Vector3(3, 4, 5).transformPoint(st);
    EXPECT_FLOAT_EQ(a.x, 0);
    EXPECT_FLOAT_EQ(a.y, 0);
    EXPECT_FLOAT_EQ(a.z, 0);
    EXPECT_FLOAT_EQ(b.x, 1);
    EXPECT_FLOAT_EQ(b.y, 1);
    EXPECT_FLOAT_EQ(b.z, 1);

    // Zero leading pivots force row exchanges in every column.
    Matrix4 perm = fromRows({0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0});
    Matrix4 inv = perm;
    ASSERT_TRUE(inv.invert());
    expectMatrixNear(perm.multiplyMatrix(inv), Matrix4::identity(), 1e-6f);

    seedRandom(7);
    for (int trial = 0; trial < 50; ++trial) {
        Matrix4 m;
        for (float& e : m.m) e = static_cast<float>(uniform(2.0) - 1.0);
        Matrix4 mi = m;
        if (!mi.invert()) continue;
        // Only check well-conditioned ones tightly.
        Matrix4 p = m.multiplyMatrix(mi);
        float worst = 0;
        for (int i = 0; i < 16; ++i) worst = std::fmax(worst, std::fabs(p.m[i] - (i % 5 == 0 ? 1.0f : 0.0f)));
        EXPECT_LT(worst, 1e-3f) << "trial " << trial;
    }
}

TEST(Matrix4, InvertFailureLeavesMatrixUntouched) {
    const Matrix4 singular[] = {
        fromRows({1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3}),      // zero row
        fromRows({1, 2, 3, 4, 2, 4, 6, 8, 5, 6, 7, 8, 9, 1, 2, 3}),      // dependent rows
        fromRows({0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 1, 1, 1}),      // zero column 0
        fromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}),      // zero last pivot
    };
    for (const Matrix4& original : singular) {
        Matrix4 m = original;
        EXPECT_FALSE(m.invert());
        EXPECT_EQ(std::memcmp(m.m, original.m, sizeof m.m), 0);
    }
}

TEST(Matrix4, QuaternionRotationSignConvention) {
    Matrix4 m = Matrix4::identity();
    m.setRotationQuaternion(Quaternion(0, 0, 0, 1));
    EXPECT_TRUE(m.isIdentity());

    const float h = std::sin(3.14159265f / 4), c = std::cos(3.14159265f / 4);
    m.setRotationQuaternion(Quaternion(0, 0, h, c));
    EXPECT_NEAR(m.m[1], -1.0f, 1e-6f);
    EXPECT_NEAR(m.m[4], 1.0f, 1e-6f);

    // Stored orientations: X as Rx(a), Y and Z with the opposite angle.
    const float a = 0.7f;
    const float sa = std::sin(a / 2), ca = std::cos(a / 2);
    Matrix4 q, r;
    q = Matrix4::identity();
    q.setRotationQuaternion(Quaternion(sa, 0, 0, ca));
    r = Matrix4::identity();
    r.setRotationX(a);
    expectMatrixNear(q, r, 1e-6f);
    q.setRotationQuaternion(Quaternion(0, sa, 0, ca));
    r = Matrix4::identity();
    r.setRotationY(-a);
    expectMatrixNear(q, r, 1e-6f);
    q.setRotationQuaternion(Quaternion(0, 0, sa, ca));
    r = Matrix4::identity();
    r.setRotationZ(-a);
    expectMatrixNear(q, r, 1e-6f);

    // Only the nine rotation elements are written.
    Matrix4 sentinel;
    for (float& e : sentinel.m) e = 42.0f;
    sentinel.setRotationQuaternion(Quaternion(0.1f, 0.2f, 0.3f, 0.9f));
    for (int i : {3, 7, 11, 12, 13, 14, 15}) EXPECT_EQ(sentinel.m[i], 42.0f) << i;
}

TEST(Matrix4, EulerRotationOrderAndRoundTrip) {
    // X first, then Y, then Z.
    Matrix4 e;
    e.setRotationEuler(Vector3(1.5707964f, 0, 1.5707964f));
    const Vector3 p = Vector3(0, 1, 0).transformPoint(e);  // X: y -> z; Z leaves z
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);

    seedRandom(3);
    for (int i = 0; i < 200; ++i) {
        // Includes angles beyond pi/2 so that the c < 0 branch is exercised.
        const Vector3 angles(static_cast<float>(uniformRange()), static_cast<float>(uniformRange() * 0.49),
                             static_cast<float>(uniformRange()));
        Matrix4 m;
        m.setRotationEuler(angles);
        Matrix4 back;
        back.setRotationEuler(m.getEulerAngles());
        expectMatrixNear(back, m, 2e-5f);
    }

    // Gimbal lock: Y is always reported as -pi/2 and Z as 0.
    Matrix4 g;
    g.setRotationEuler(Vector3(0.3f, -1.5707964f, 0.0f));
    Vector3 ga = g.getEulerAngles();
    EXPECT_EQ(ga.y, -1.5707964f);
    EXPECT_EQ(ga.z, 0.0f);
    Matrix4 gb;
    gb.setRotationEuler(ga);
    expectMatrixNear(gb, g, 1e-6f);
    g.setRotationEuler(Vector3(0.3f, 1.5707964f, 0.0f));
    EXPECT_EQ(g.getEulerAngles().y, -1.5707964f);
}

TEST(Matrix4, PartialWritesAndTranspose) {
    Matrix4 a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    Matrix4 b = Matrix4::identity();
    b.setScaleDiagonal(Vector3(2, 3, 4));
    Matrix4 out;
    for (float& e : out.m) e = -1.0f;
    a.multiply3x3(b, out);
    const float expected[16] = {2, 6, 12, -1, 10, 18, 28, -1, 18, 30, 44, -1, -1, -1, -1, -1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out.m[i], expected[i]) << i;
    a.multiply3x3(b, a);  // aliasing result and operand
    EXPECT_EQ(a.m[2], 12.0f);
    EXPECT_EQ(a.m[3], 4.0f);

    Matrix4 r;
    r.setRotationEuler(Vector3(0.2f, 0.4f, 0.6f));
    r.setTranslation(Vector3(5, 6, 7));
    Matrix4 rt = r;
    rt.transposeRotation();
    EXPECT_EQ(rt.m[12], 0.0f);
    EXPECT_EQ(rt.m[15], 1.0f);
    EXPECT_EQ(rt.m[1], r.m[4]);
    r.setTranslation(Vector3(0, 0, 0));
    expectMatrixNear(r.multiplyMatrix(rt), Matrix4::identity(), 1e-6f);

    Matrix4 axis;
    axis.setRotationAxisAngle(Vector3(0, 0, 1), 0.5f);
    Matrix4 rz = Matrix4::identity();
    rz.setRotationZ(0.5f);
    expectMatrixNear(axis, rz, 1e-6f);
}

TEST(Matrix4, LoadSaveSixteenFloatsInMemoryOrder) {
    Matrix4 a;
    for (int i = 0; i < 16; ++i) a.m[i] = static_cast<float>(i) * 0.5f - 3.0f;
    PackWriter w;
    w.openMemory();
    a.save(w);
    Quaternion(1, 2, 3, 4).save(w);
    ASSERT_EQ(w.bytes().size(), 80u);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    Matrix4 b;
    b.load(r);
    Quaternion q;
    q.load(r);
    EXPECT_TRUE(a.equals(b));
    EXPECT_EQ(q.w, 4.0f);
    EXPECT_FALSE(r.failed());
}

TEST(Quaternion, SlerpBranches) {
    const Quaternion q1(0, 0, 0, 1);
    const float h = std::sin(0.5f), c = std::cos(0.5f);
    const Quaternion q2(0, 0, h, c);
    Quaternion r = Quaternion::slerp(q1, q2, 0.0f);
    EXPECT_FLOAT_EQ(r.w, 1.0f);
    r = Quaternion::slerp(q1, q2, 1.0f);
    EXPECT_FLOAT_EQ(r.z, h);
    EXPECT_FLOAT_EQ(r.w, c);
    r = Quaternion::slerp(q1, q2, 0.5f);  // half the angle, unit length
    EXPECT_NEAR(r.z, std::sin(0.25f), 1e-6f);
    EXPECT_NEAR(r.w, std::cos(0.25f), 1e-6f);

    // Short arc: a negative dot product interpolates towards -q2.
    const Quaternion neg(-q2.x, -q2.y, -q2.z, -q2.w);
    r = Quaternion::slerp(q1, neg, 1.0f);
    EXPECT_FLOAT_EQ(r.z, h);
    EXPECT_FLOAT_EQ(r.w, c);

    // Nearly equal: linear blend, not renormalised.
    const Quaternion a(0, 0, 0, 1);
    const Quaternion b(0.02f, 0, 0, 0.9998f);  // 1 - cos < 0.001
    r = Quaternion::slerp(a, b, 0.5f);
    EXPECT_FLOAT_EQ(r.x, 0.01f);
    EXPECT_FLOAT_EQ(r.w, static_cast<float>(0.5 + 0.5 * static_cast<double>(0.9998f)));

    // The threshold is 0.001f widened to double: here 1 - cos is 0.00100000004, above 0.001 but
    // not above 0.001f, so the blend is still linear.
    const Quaternion e1(0.7904121279716492f, 0, 0, 0.6125754117965698f);
    const Quaternion e2(0.8170101046562195f, 0, 0, 0.5766233801841736f);
    r = Quaternion::slerp(e1, e2, 0.5f);
    EXPECT_EQ(r.x, static_cast<float>(0.5 * static_cast<double>(e1.x) + 0.5 * static_cast<double>(e2.x)));
    EXPECT_EQ(r.w, static_cast<float>(0.5 * static_cast<double>(e1.w) + 0.5 * static_cast<double>(e2.w)));
}
