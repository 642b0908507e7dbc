// Bezier curves and the sea's wave field: control points, phases, time and heights.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "fx/bezier_curve.h"
#include "fx/wave_field.h"
#include "math/random.h"

namespace {

constexpr float kPi = 3.1415927f;

// The cubic Bezier value at t of control values p0 .. p3.
float bezier(float p0, float p1, float p2, float p3, float t) {
    const float s = 1.0f - t;
    return p0 * s * s * s + p1 * 3 * t * s * s + p2 * 3 * t * t * s + p3 * t * t * t;
}

TEST(BezierCurve, SharedPointsJoinSegmentsInnerPointsDoubleAndOutsideIsIgnored) {
    BezierCurve c;
    c.init(2);  // points 0 .. 6
    Vector3 shared(1, 2, 3), inner(0, 5, 0), far(0, 1, 0), out;
    c.setPoint(3, shared);  // P3 of segment 0 and P0 of segment 1
    EXPECT_FLOAT_EQ(c.segment(0)->controlPoint(3)->z, 3.0f);
    EXPECT_FLOAT_EQ(c.segment(1)->controlPoint(0)->z, 3.0f);
    c.setPoint(4, inner);
    EXPECT_FLOAT_EQ(c.segment(1)->controlPoint(1)->y, 10.0f);
    EXPECT_FLOAT_EQ(inner.y, 10.0f);  // the caller's vector carries the doubled height
    c.setPoint(60, far);  // outside the curve: ignored
    c.setPoint(-1, far);
    for (int n : {0, 60}) {  // 60: past the last segment, its P3
        c.getPoint(out, n);
        EXPECT_TRUE(out.isZero()) << n;
    }
}

TEST(BezierCurve, EvaluateClampsToTheEndsOfTheCurve) {
    BezierCurve c;
    Vector3 out(1, 1, 1);
    c.evaluate(out, 0.5f);
    EXPECT_TRUE(out.isZero());  // empty curve
    c.init(3);
    for (int n = 0; n <= 9; ++n) {
        Vector3 p(static_cast<float>(n), n == 0 ? 5.0f : (n == 9 ? 7.0f : 0.0f), 0);
        c.setPoint(n, p);
    }
    const struct {
        float x, expectX, expectY;
    } cases[] = {{1.0f, 9, 7}, {3.5f, 9, 7}, {0.0f, 0, 5}, {-2.0f, 0, 5}, {std::nanf(""), 0, 5}, {0.5f, 4.5f, 0}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.x);
        c.evaluate(out, k.x);
        EXPECT_FLOAT_EQ(out.x, k.expectX);  // 0.5: segment 1 halfway along x = 3 .. 6
        EXPECT_FLOAT_EQ(out.y, k.expectY);
    }
}

TEST(WaveField, InitReseedsAndPairsOppositePhases) {
    seedRandom(1);
    const float first = static_cast<float>(uniformRange());
    seedRandom(12345);
    WaveField w;
    ASSERT_TRUE(w.init(2, 3, 0.05f));
    EXPECT_EQ(w.width(), 7);
    EXPECT_EQ(w.height(), 10);
    EXPECT_FLOAT_EQ(w.basePhaseOf(0), first);
    for (int i = 1; i < w.count(); i += 2) {
        EXPECT_FLOAT_EQ(w.phaseOf(i), w.phaseOf(i - 1) - kPi) << i;
        EXPECT_FLOAT_EQ(w.basePhaseOf(i), w.phaseOf(i)) << i;
    }
    w.setTime(37.0f);  // opposite phases keep opposite heights
    for (int i = 1; i < w.count(); i += 2) EXPECT_NEAR(w.heightOf(i), -w.heightOf(i - 1), 1e-5f) << i;
}

TEST(WaveField, HeightAtTheCornersIsTheCornerControlPoint) {
    WaveField w;
    ASSERT_TRUE(w.init(1, 1, 0.05f));  // 4 x 4 control points, one segment per curve
    for (float t : {0.0f, 13.0f, 250.0f}) {
        SCOPED_TRACE(t);
        w.setTime(t);
        const float first = w.heightOf(w.indexOf(0, 0)), last = w.heightOf(w.indexOf(3, 3));
        EXPECT_FLOAT_EQ(w.heightAt(0, 0), first);
        EXPECT_FLOAT_EQ(w.heightAt(-1, -5), first);
        EXPECT_FLOAT_EQ(w.heightAt(1, 1), last);  // the curves' last segments at their ends
        EXPECT_FLOAT_EQ(w.heightAt(2, 9), last);
        EXPECT_LE(std::fabs(w.heightAt(0.5f, 0.5f)), 2.0f);  // doubled inner points stay within -2 .. 2
    }
}

TEST(WaveField, RejectsSegmentCountsOutsideItsRange) {
    WaveField w;
    for (auto [a, b] : {std::pair{0, 3}, {3, -1}, {400, 400}}) EXPECT_FALSE(w.init(a, b, 0.05f));
    w.setTime(5.0f);
    EXPECT_EQ(w.heightAt(0.5f, 0.5f), 0.0f);
    EXPECT_TRUE(w.init(256, 256, 0.05f));
    EXPECT_TRUE(w.init(20000, 1, 0.05f));  // long and narrow: within the memory bound
}

TEST(WaveField, WaveTimeAdvancesEachPhaseAtTheFieldSpeed) {
    WaveField w;
    ASSERT_TRUE(w.init(1, 2, 0.05f));
    w.setTime(10.0f);
    for (int i = 0; i < w.count(); ++i) {
        EXPECT_FLOAT_EQ(w.speedOf(i), 0.05f) << i;
        EXPECT_NEAR(w.phaseOf(i), w.basePhaseOf(i) + 0.5f, 1e-5f) << i;  // 10 x 0.05
        EXPECT_NEAR(w.heightOf(i), std::cos(w.basePhaseOf(i) + 0.5f), 1e-5f) << i;
    }
}

TEST(WaveField, WaveHeightAveragesTheRowAndTheColumnInterpolations) {
    WaveField w;
    ASSERT_TRUE(w.init(1, 1, 0.05f));  // 4 x 4 control points, one segment per curve
    w.setTime(7.0f);
    auto h = [&](int j, int k) { return w.heightOf(w.indexOf(j, k)); };
    // At (0.5, 0.25): u lies halfway between columns 1 and 2, v three quarters of the way from
    // row 0 to row 1. Curves pass through their end heights and pull towards twice the inner ones.
    const float a = bezier(h(0, 0), 2 * h(1, 0), 2 * h(2, 0), h(3, 0), 0.5f);   // row 0 at u
    const float b = bezier(h(0, 1), 2 * h(1, 1), 2 * h(2, 1), h(3, 1), 0.5f);   // row 1 at u
    const float c = bezier(h(1, 0), 2 * h(1, 1), 2 * h(1, 2), h(1, 3), 0.25f);  // column 1 at v
    const float d = bezier(h(2, 0), 2 * h(2, 1), 2 * h(2, 2), h(2, 3), 0.25f);  // column 2 at v
    const float expected = 0.5f * (0.25f * a + 0.75f * b + 0.5f * c + 0.5f * d);
    EXPECT_NEAR(w.heightAt(0.5f, 0.25f), expected, 1e-5f);
    ASSERT_GT(std::fabs(0.25f * a + 0.75f * b - (0.5f * c + 0.5f * d)), 1e-3f);  // rows and columns differ here
}

}  // namespace
