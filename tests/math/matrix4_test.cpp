// Matrix and quaternion behaviour the scene relies on: inverse, rotation conventions, Euler
// extraction, slerp branches and the stored layout.
#include <gtest/gtest.h>

#include <algorithm>
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
    std::copy(v.begin(), v.end(), m.m);
    return m;
}

}  // namespace

TEST(Matrix4, InvertSucceedsOrLeavesMatrixUntouched) {
    const Matrix4 singular[] = {
        fromRows({1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3}),  // zero row
        fromRows({1, 2, 3, 4, 2, 4, 6, 8, 5, 6, 7, 8, 9, 1, 2, 3}),  // dependent rows
        fromRows({0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 1, 1, 1}),  // zero column 0
        fromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}),  // zero last pivot
    };
    for (const Matrix4& original : singular) {
        Matrix4 m = original;
        EXPECT_FALSE(m.invert());
        EXPECT_EQ(std::memcmp(m.m, original.m, sizeof m.m), 0);
    }
    // Zero leading pivots force row exchanges in every column.
    const Matrix4 perm = fromRows({0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0});
    Matrix4 inv = perm;
    ASSERT_TRUE(inv.invert());
    expectMatrixNear(perm.multiplyMatrix(inv), Matrix4::identity(), 1e-6f);
    seedRandom(7);
    for (int trial = 0; trial < 50; ++trial) {
        Matrix4 m;
        for (float& e : m.m) e = static_cast<float>(uniform(2.0) - 1.0);
        Matrix4 mi = m;
        if (mi.invert()) expectMatrixNear(m.multiplyMatrix(mi), Matrix4::identity(), 1e-3f);
    }
}

TEST(Matrix4, QuaternionRotationSignConvention) {
    // Stored orientations: X as Rx(a), Y and Z with the opposite angle.
    const float a = 0.7f, s = std::sin(a / 2), c = std::cos(a / 2);
    const struct {
        Quaternion q;
        void (Matrix4::*rotate)(float);
        float angle;
    } cases[] = {{{s, 0, 0, c}, &Matrix4::setRotationX, a},
                 {{0, s, 0, c}, &Matrix4::setRotationY, -a},
                 {{0, 0, s, c}, &Matrix4::setRotationZ, -a},
                 {{0, 0, 0, 1}, &Matrix4::setRotationZ, 0.0f}};
    for (const auto& k : cases) {
        Matrix4 q = Matrix4::identity(), r = Matrix4::identity();
        q.setRotationQuaternion(k.q);
        (r.*k.rotate)(k.angle);
        expectMatrixNear(q, r, 1e-6f);
    }
    Matrix4 quarter = Matrix4::identity();
    quarter.setRotationQuaternion(Quaternion(0, 0, std::sqrt(0.5f), std::sqrt(0.5f)));
    EXPECT_NEAR(quarter.m[1], -1.0f, 1e-6f);  // a quarter turn about z takes x to -y
    EXPECT_NEAR(quarter.m[4], 1.0f, 1e-6f);
    // Only the nine rotation elements are written.
    Matrix4 sentinel = fromRows({42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42});
    sentinel.setRotationQuaternion(Quaternion(0.1f, 0.2f, 0.3f, 0.9f));
    for (int i : {3, 7, 11, 12, 13, 14, 15}) EXPECT_EQ(sentinel.m[i], 42.0f) << i;
}

TEST(Matrix4, EulerRotationOrderAndRoundTrip) {
    Matrix4 e;
    e.setRotationEuler(Vector3(1.5707964f, 0, 1.5707964f));
    EXPECT_NEAR(Vector3(0, 1, 0).transformPoint(e).z, 1.0f, 1e-6f);  // X first (y -> z); Z leaves z

    seedRandom(3);
    for (int i = 0; i < 200; ++i) {
        // Includes angles beyond pi/2 so that the c < 0 branch is exercised.
        const Vector3 angles(static_cast<float>(uniformRange()), static_cast<float>(uniformRange() * 0.49),
                             static_cast<float>(uniformRange()));
        Matrix4 m, back;
        m.setRotationEuler(angles);
        back.setRotationEuler(m.getEulerAngles());
        expectMatrixNear(back, m, 2e-5f);
    }
    // Of the two angle triples of a matrix whose m0 and m10 are both negative, the one with Y
    // beyond pi/2 is reported: (2.5, 0.3, 2.5) reads back as (2.5 - pi, pi - 0.3, 2.5 - pi).
    Matrix4 over;
    over.setRotationEuler(Vector3(2.5f, 0.3f, 2.5f));
    const Vector3 overAngles = over.getEulerAngles();
    EXPECT_NEAR(overAngles.x, 2.5f - 3.1415927f, 1e-5f);
    EXPECT_NEAR(overAngles.y, 3.1415927f - 0.3f, 1e-5f);
    EXPECT_NEAR(overAngles.z, 2.5f - 3.1415927f, 1e-5f);
    // Gimbal lock: Y is always reported as -pi/2 and Z as 0.
    for (float y : {-1.5707964f, 1.5707964f}) {
        Matrix4 g, back;
        g.setRotationEuler(Vector3(0.3f, y, 0.0f));
        const Vector3 ga = g.getEulerAngles();
        EXPECT_EQ(ga.y, -1.5707964f);
        EXPECT_EQ(ga.z, 0.0f);
        back.setRotationEuler(ga);
        if (y < 0) expectMatrixNear(back, g, 1e-6f);
    }
}

TEST(Matrix4, PartialWritesTransposeAndAxisAngle) {
    const Matrix4 a = fromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    const Matrix4 b = fromRows({2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 4, 0, 0, 0, 0, 1});
    const Matrix4 product = a.multiplyMatrix(b);
    Matrix4 out = fromRows({-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}), aliased = a;
    a.multiply3x3(b, out);
    aliased.multiply3x3(b, aliased);  // the result may alias an operand
    for (int i = 0; i < 16; ++i) {
        const bool written = i < 12 && i % 4 != 3;  // only the 3x3 part
        EXPECT_EQ(out.m[i], written ? product.m[i] : -1.0f) << i;
        EXPECT_EQ(aliased.m[i], written ? product.m[i] : a.m[i]) << i;
    }

    Matrix4 r, rt;  // transposing a rotation inverts it and drops the translation
    r.setRotationEuler(Vector3(0.2f, 0.4f, 0.6f));
    r.setTranslation(Vector3(5, 6, 7));
    rt = r;
    rt.transposeRotation();
    r.setTranslation(Vector3(0, 0, 0));
    expectMatrixNear(r.multiplyMatrix(rt), Matrix4::identity(), 1e-6f);

    Matrix4 axis, rz = Matrix4::identity();
    axis.setRotationAxisAngle(Vector3(0, 0, 1), 0.5f);
    rz.setRotationZ(0.5f);
    expectMatrixNear(axis, rz, 1e-6f);
}

TEST(Matrix4, SavesSixteenFloatsInMemoryOrderThenQuaternionFields) {
    Matrix4 a, b;
    for (int i = 0; i < 16; ++i) a.m[i] = static_cast<float>(i) * 0.5f - 3.0f;
    PackWriter w;
    w.openMemory();
    a.save(w);
    Quaternion(1, 2, 3, 4).save(w);
    PackReader raw, r;
    raw.openMemory(w.bytes().data(), w.bytes().size());
    for (float expected : a.m) EXPECT_EQ(raw.getFloat(), expected);
    for (float expected : {1.0f, 2.0f, 3.0f, 4.0f}) EXPECT_EQ(raw.getFloat(), expected);
    EXPECT_EQ(raw.offset(), w.bytes().size());
    r.openMemory(w.bytes().data(), w.bytes().size());
    Quaternion q;
    b.load(r);
    q.load(r);
    EXPECT_TRUE(a.equals(b) && q.x == 1.0f && q.w == 4.0f && !r.failed());
}

TEST(Quaternion, SlerpBranches) {
    const float h = std::sin(0.5f), c = std::cos(0.5f);
    const Quaternion q1(0, 0, 0, 1), q2(0, 0, h, c), neg(0, 0, -h, -c);
    const struct {
        Quaternion to;
        float t, z, w;
    } arcs[] = {{q2, 0.0f, 0, 1},
                {q2, 1.0f, h, c},
                {q2, 0.5f, std::sin(0.25f), std::cos(0.25f)},  // half the angle, unit length
                {neg, 1.0f, h, c}};  // short arc: a negative dot product interpolates towards -q2
    for (const auto& k : arcs) {
        const Quaternion r = Quaternion::slerp(q1, k.to, k.t);
        EXPECT_NEAR(r.z, k.z, 1e-6f) << k.t;
        EXPECT_NEAR(r.w, k.w, 1e-6f) << k.t;
    }
    // Nearly equal: linear blend, not renormalised.
    Quaternion r = Quaternion::slerp(q1, Quaternion(0.02f, 0, 0, 0.9998f), 0.5f);  // 1 - cos < 0.001
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
