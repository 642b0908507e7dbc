// Vector, colour and plane arithmetic: guarded divisions, angles, plane sides and packed colours.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/color_rgb.h"
#include "math/matrix4.h"
#include "math/plane.h"
#include "math/random.h"
#include "math/vector3.h"

namespace {

void expectNear(const Vector3& v, float x, float y, float z, float tol = 1e-6f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Vector3, GuardedDivisionsLeaveZeroDivisorComponentsAlone) {
    Vector3 v(8, 8, 8);
    v.divide(Vector3(2, 0, 4));
    expectNear(v, 4, 8, 2, 0);

    Vector3 w(1, 2, 3);
    w.divideBy(0.0f);
    expectNear(w, 1, 2, 3, 0);
    expectNear(w.over(0.0f), 1, 2, 3, 0);
    expectNear(w.over(2.0f), 0.5f, 1, 1.5f);
}

TEST(Vector3, NormalizeAndSetLengthEdgeCases) {
    Vector3 zero(0, 0, 0);
    zero.normalize();
    EXPECT_TRUE(zero.isZero());
    zero.setLength(5);
    EXPECT_TRUE(zero.isZero());

    Vector3 unit(0, 1, 0);
    unit.normalize();
    expectNear(unit, 0, 1, 0, 0);

    Vector3 v(3, 0, 4);
    v.setLength(5);
    expectNear(v, 3, 0, 4, 1e-6f);
    v.normalize();
    expectNear(v, 0.6f, 0, 0.8f);
}

TEST(Vector3, AnglesAndProjection) {
    const Vector3 a(1, 2, 3);
    EXPECT_EQ(a.angleTo(a), 0.0f);
    EXPECT_FLOAT_EQ(a.angleTo(-a), 3.1415927f);
    EXPECT_EQ(a.cosAngleTo(Vector3(0, 0, 0)), 0.0f);
    EXPECT_NEAR(Vector3(1, 0, 0).angleTo(Vector3(0, 5, 0)), 1.5707964f, 1e-6f);

    // The projection of v on this vector's direction.
    expectNear(Vector3(2, 0, 0).projectOnto(Vector3(3, 4, 0)), 3, 0, 0, 1e-5f);
    // Right-handed cross product, this x v.
    expectNear(Vector3(1, 0, 0).cross(Vector3(0, 1, 0)), 0, 0, 1, 0);
}

TEST(Vector3, ClassifyAgainstUsesDoubleThresholds) {
    const Plane p(0, 1, 0, 0);
    EXPECT_EQ(Vector3(0, 5e-7f, 0).classifyAgainst(p), 2);
    EXPECT_EQ(Vector3(0, 2e-6f, 0).classifyAgainst(p), 0);
    EXPECT_EQ(Vector3(0, -2e-6f, 0).classifyAgainst(p), 1);
    // 1e-6f is slightly below the double 1e-6: still on the plane, on both sides.
    EXPECT_EQ(Vector3(0, 1e-6f, 0).classifyAgainst(p), 2);
    EXPECT_EQ(Vector3(0, -1e-6f, 0).classifyAgainst(p), 2);
    EXPECT_EQ(Vector3(0, 0, 0).classifyAgainst(p), 2);
}

TEST(Vector3, RotationsAndTransforms) {
    Matrix4 m;
    m.setRotationEuler(Vector3(0, 0, 1.5707964f));
    expectNear(Vector3(1, 0, 0).transformPoint(m), 0, 1, 0);

    Vector3 p(2, 1, 0);
    p.rotateAbout(Vector3(1, 1, 0), Vector3(0, 0, 1.5707964f));
    expectNear(p, 1, 2, 0, 1e-6f);

    Matrix4 t = Matrix4::identity();
    t.setTranslation(Vector3(1, 2, 3));
    Vector3 d(1, 1, 1);
    d.transformDirection(t);  // directions ignore the translation
    expectNear(d, 1, 1, 1, 0);
    d.transformPointInPlace(t);
    expectNear(d, 2, 3, 4, 0);
}

TEST(ColorRGB, PackUnpackAndSaturation) {
    const ColorRGB c = ColorRGB::fromPacked(0x00FF8000);
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, static_cast<float>(128 * (1.0 / 255.0)));
    EXPECT_EQ(c.z, 0.0f);
    EXPECT_EQ(ColorRGB(1.0f, 0.5f, 0.0f).pack(), 0x00FF7F00);

    // Every channel value survives unpack then pack.
    for (int v = 0; v < 256; ++v) {
        const int32_t packed = (v << 16) | ((255 - v) << 8) | (v ^ 0x5A);
        EXPECT_EQ(ColorRGB::fromPacked(packed).pack(), packed) << v;
    }
    // High byte ignored on unpack.
    EXPECT_EQ(ColorRGB::fromPacked(static_cast<int32_t>(0xAB123456)).pack(), 0x00123456);

    ColorRGB a(0.8f, 0.2f, 0.0f);
    a.add(ColorRGB(0.5f, 0.2f, 0.0f));
    EXPECT_EQ(a.x, 1.0f);
    EXPECT_FLOAT_EQ(a.y, 0.4f);
    a.subtract(ColorRGB(2.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f));
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_EQ(a.y, 0.0f);  // NaN floors to 0

    // Out-of-range channels must not be undefined behaviour.
    EXPECT_EQ(ColorRGB(std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f).pack(), 0);
}

TEST(ColorRGB, LoadSaveGoThroughOneInt) {
    PackWriter w;
    w.openMemory();
    ColorRGB(1.0f, 0.5f, 0.25f).save(w);
    ASSERT_EQ(w.bytes().size(), 4u);
    EXPECT_EQ(w.bytes()[0], 0x3F);  // little-endian 0x00FF7F3F
    EXPECT_EQ(w.bytes()[1], 0x7F);
    EXPECT_EQ(w.bytes()[2], 0xFF);
    EXPECT_EQ(w.bytes()[3], 0x00);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    ColorRGB c;
    c.load(r);
    EXPECT_EQ(c.pack(), 0x00FF7F3F);
    EXPECT_FALSE(r.failed());
}

TEST(Plane, ConstructionProjectionAndSides) {
    const Vector3 p1(0, 0, 1), p2(1, 0, 1), p3(0, 1, 1);
    Plane pl;
    pl.fromPoints(p1, p2, p3);
    // Normal (p2 - p1) x (p3 - p1) = (0, 0, 1); all three points lie on the plane.
    EXPECT_EQ(pl.a, 0.0f);
    EXPECT_EQ(pl.b, 0.0f);
    EXPECT_GT(pl.c, 0.0f);
    for (const Vector3& p : {p1, p2, p3}) EXPECT_EQ(pl.evaluate(p), 0.0f);

    Plane scaled(0, 0, 2, -4);  // z = 2
    expectNear(scaled.projectPoint(Vector3(1, 2, 7)), 1, 2, 2);
    expectNear(scaled.tangentialPart(Vector3(1, 2, 7)), 1, 2, 0);
    scaled.normalize();
    EXPECT_FLOAT_EQ(scaled.c, 1.0f);
    EXPECT_FLOAT_EQ(scaled.d, -2.0f);
    EXPECT_TRUE(scaled.isInFront(Vector3(0, 0, 3)));
    EXPECT_TRUE(scaled.isBehind(Vector3(0, 0, 1)));
    EXPECT_FALSE(scaled.isBehind(Vector3(0, 0, 2)));
    EXPECT_FALSE(scaled.isInFront(Vector3(0, 0, 2)));
    EXPECT_TRUE(scaled.isBehind(Vector3(0, 0, std::numeric_limits<float>::quiet_NaN())));
    expectNear(Plane(0, 0, 0, 5).projectPoint(Vector3(1, 2, 3)), 0, 0, 0, 0);

    // Moving the plane z = 2 by +3 along z gives z = 5.
    Matrix4 t = Matrix4::identity();
    t.setTranslation(Vector3(0, 0, 3));
    scaled.transformed(t);
    EXPECT_FLOAT_EQ(scaled.c, 1.0f);
    EXPECT_FLOAT_EQ(scaled.d, -5.0f);
}

TEST(Random, SharedGeneratorSequence) {
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    EXPECT_EQ(nextRandom(), 6334);
    seedRandom(1);
    EXPECT_DOUBLE_EQ(uniform(2.0), 41 * (1.0 / 32767.0) * 2.0);
    const double r = uniformRange();
    const double pi = static_cast<double>(3.1415927f);
    EXPECT_DOUBLE_EQ(r, -pi + 2.0 * pi * 18467 * (1.0 / 32767.0));
    for (int i = 0; i < 1000; ++i) {
        const double u = uniform(3.0);
        EXPECT_GE(u, 0.0);
        EXPECT_LE(u, 3.0);
    }
}
