// Vector, colour and plane arithmetic: guarded divisions, angles, plane sides and packed colours.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/color_rgb.h"
#include "math/matrix4.h"
#include "math/plane.h"
#include "math/random.h"
#include "math/vector3.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void expectNear(const Vector3& v, float x, float y, float z, float tol = 1e-6f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

}  // namespace

TEST(Vector3, ZeroDivisorsAndZeroLengthsLeaveValuesAlone) {
    Vector3 zero(0, 0, 0);
    expectNear(Vector3(1, 2, 3).over(0.0f), 1, 2, 3, 0);
    zero.normalize();
    zero.setLength(5);
    EXPECT_TRUE(zero.isZero());
    Vector3 u(3, 0, 4);
    u.normalize();
    expectNear(u, 0.6f, 0, 0.8f);
}

TEST(Vector3, AnglesProjectionAndCross) {
    const Vector3 a(1, 2, 3);
    EXPECT_EQ(a.angleTo(a), 0.0f);  // the cosine is clamped: no NaN from rounding
    EXPECT_FLOAT_EQ(a.angleTo(-a), 3.1415927f);
    EXPECT_EQ(a.cosAngleTo(Vector3(0, 0, 0)), 0.0f);
    expectNear(Vector3(2, 0, 0).projectOnto(Vector3(3, 4, 0)), 3, 0, 0, 1e-5f);  // v on this direction
    expectNear(Vector3(1, 0, 0).cross(Vector3(0, 1, 0)), 0, 0, 1, 0);            // right-handed
    expectNear(Vector3(2, 3, 4).cross(Vector3(5, 6, 7)), -3, 6, -3, 0);          // every component
}

TEST(Vector3, ClassifyAgainstUsesDoubleThresholds) {
    // 2: on the plane, 0: in front, 1: behind. 1e-6f is slightly below the double 1e-6.
    const std::pair<float, int> cases[] = {{0, 2},      {5e-7f, 2}, {1e-6f, 2},
                                           {-1e-6f, 2}, {2e-6f, 0}, {-2e-6f, 1}};
    for (const auto& [y, side] : cases)
        EXPECT_EQ(Vector3(0, y, 0).classifyAgainst(Plane(0, 1, 0, 0)), side) << y;
}

TEST(Vector3, Transforms) {
    Matrix4 m;
    m.setRotationEuler(Vector3(0, 0, 1.5707964f));
    expectNear(Vector3(1, 0, 0).transformPoint(m), 0, 1, 0);
    m.setTranslation(Vector3(1, 2, 3));
    Vector3 d(1, 1, 1);
    d.transformDirection(m);  // directions ignore the translation
    expectNear(d, -1, 1, 1);
    d.transformPointInPlace(m);
    expectNear(d, 0, 1, 4);
}

TEST(ColorRGB, PackUnpackSaturationAndStorage) {
    // Each channel survives unpack then pack (1/255 scaling, truncation); the high byte is ignored.
    for (int v = 0; v < 256; ++v) {
        const int32_t packed = (v << 16) | ((255 - v) << 8) | (v ^ 0x5A);
        EXPECT_EQ(ColorRGB::fromPacked(packed | static_cast<int32_t>(0xAB000000u)).pack(), packed) << v;
    }
    EXPECT_EQ(ColorRGB(kNaN, 1e30f, -1e30f).pack(), 0);  // out-of-range channels are not UB
    ColorRGB a(0.8f, 0.4f, 0.5f);
    a.subtract(ColorRGB(2.0f, kNaN, 0.25f));
    expectNear(a, 0, 0, 0.25f, 0);  // floored at 0, NaN included
    a.add(ColorRGB(1.5f, 0.5f, 0.5f));
    a.add(ColorRGB(0.0f, 0.75f, 0.0f));
    expectNear(a, 1, 1, 0.75f, 0);  // capped at 1, each channel on its own

    PackWriter w;
    w.openMemory();
    ColorRGB(1.0f, 0.5f, 0.25f).save(w);
    EXPECT_EQ(w.bytes(), (std::vector<uint8_t>{0x3F, 0x7F, 0xFF, 0x00}));  // one little-endian 0x00RRGGBB
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    ColorRGB loaded;
    loaded.load(r);
    EXPECT_EQ(loaded.pack(), 0x00FF7F3F);
}

TEST(Plane, ConstructionProjectionAndSides) {
    const Vector3 p1(0, 0, 1), p2(1, 0, 1), p3(0, 1, 1);
    Plane pl;
    pl.fromPoints(p1, p2, p3);  // normal (p2 - p1) x (p3 - p1) = +z
    EXPECT_GT(pl.c, 0.0f);
    for (const Vector3& p : {p1, p2, p3}) EXPECT_EQ(pl.evaluate(p), 0.0f);

    Plane scaled(0, 0, 2, -4);  // z = 2
    expectNear(scaled.projectPoint(Vector3(1, 2, 7)), 1, 2, 2);
    expectNear(scaled.tangentialPart(Vector3(1, 2, 7)), 1, 2, 0);
    expectNear(Plane(0, 0, 0, 5).projectPoint(Vector3(1, 2, 3)), 0, 0, 0, 0);
    scaled.normalize();
    EXPECT_FLOAT_EQ(scaled.d, -2.0f);
    EXPECT_TRUE(scaled.isBehind(Vector3(0, 0, 1)) && scaled.isBehind(Vector3(0, 0, kNaN)));
    EXPECT_FALSE(scaled.isBehind(Vector3(0, 0, 2)) || scaled.isBehind(Vector3(0, 0, 3)));

    Matrix4 t = Matrix4::identity();  // moving the plane z = 2 by +3 along z gives z = 5
    t.setTranslation(Vector3(0, 0, 3));
    scaled.transformed(t);
    EXPECT_FLOAT_EQ(scaled.c, 1.0f);
    EXPECT_FLOAT_EQ(scaled.d, -5.0f);
}

TEST(Random, SharedGeneratorSequence) {
    seedRandom(1);
    for (int expected : {41, 18467, 6334}) EXPECT_EQ(nextRandom(), expected);
    seedRandom(1);
    const double pi = static_cast<double>(3.1415927f);
    EXPECT_DOUBLE_EQ(uniform(2.0), 41 * (1.0 / 32767.0) * 2.0);
    EXPECT_DOUBLE_EQ(uniformRange(), -pi + 2.0 * pi * 18467 * (1.0 / 32767.0));
}
