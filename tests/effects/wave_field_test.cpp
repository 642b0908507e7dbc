// Bezier curves and the sea's wave field.
#include <gtest/gtest.h>

#include <cmath>

#include "fx/bezier_curve.h"
#include "fx/wave_field.h"
#include "math/random.h"

namespace {

constexpr float kPi = 3.1415927f;

void expectNear(const Vector3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(BezierCurve, SharedPointsJoinSegmentsAndInnerPointsAreDoubled) {
    BezierCurve c;
    c.init(2);  // points 0 .. 6
    Vector3 v(1, 2, 3);
    c.setPoint(3, v);  // shared: P3 of segment 0 and P0 of segment 1
    expectNear(*c.segment(0)->controlPoint(3), 1, 2, 3);
    expectNear(*c.segment(1)->controlPoint(0), 1, 2, 3);
    Vector3 inner(0, 5, 0);
    c.setPoint(4, inner);
    EXPECT_FLOAT_EQ(c.segment(1)->controlPoint(1)->y, 10.0f);
    EXPECT_FLOAT_EQ(inner.y, 10.0f);  // the caller's vector carries the doubled height
    Vector3 out;
    c.getPoint(out, 4);
    EXPECT_FLOAT_EQ(out.y, 10.0f);
    Vector3 last(0, 4, 0);
    c.setPoint(6, last);
    c.getPoint(out, 6);  // past the last segment: its P3
    EXPECT_FLOAT_EQ(out.y, 4.0f);
    c.getPoint(out, 60);
    EXPECT_FLOAT_EQ(out.y, 4.0f);
    Vector3 far(0, 1, 0);
    c.setPoint(60, far);  // outside the curve: ignored
    c.setPoint(-1, far);
    c.getPoint(out, 6);
    EXPECT_FLOAT_EQ(out.y, 4.0f);
}

TEST(BezierCurve, EvaluateClampsToTheEndsOfTheCurve) {
    BezierCurve c;
    Vector3 out(1, 1, 1);
    c.evaluate(out, 0.5f);
    expectNear(out, 0, 0, 0);  // empty curve
    c.init(3);
    for (int n = 0; n <= 9; ++n) {
        Vector3 p(static_cast<float>(n), n == 0 ? 5.0f : 0.0f, 0);
        if (n == 9) p.y = 7.0f;
        c.setPoint(n, p);
    }
    c.evaluate(out, 1.0f);  // the last segment at its end, not a segment past it
    expectNear(out, 9, 7, 0);
    c.evaluate(out, 3.5f);
    expectNear(out, 9, 7, 0);
    c.evaluate(out, 0.0f);
    expectNear(out, 0, 5, 0);
    c.evaluate(out, -2.0f);
    expectNear(out, 0, 5, 0);
    c.evaluate(out, std::nanf(""));
    expectNear(out, 0, 5, 0);
    c.evaluate(out, 0.5f);  // segment 1 at 0.5: the straight line through x = 3 .. 6
    EXPECT_FLOAT_EQ(out.x, 4.5f);
}

TEST(WaveField, InitReseedsAndPairsOppositePhases) {
    seedRandom(1);
    const float first = static_cast<float>(uniformRange());
    seedRandom(12345);
    WaveField w;
    ASSERT_TRUE(w.init(2, 3, 0.05f));
    EXPECT_EQ(w.width(), 7);
    EXPECT_EQ(w.height(), 10);
    EXPECT_EQ(w.count(), 70);
    EXPECT_FLOAT_EQ(w.basePhaseOf(0), first);
    for (int i = 0; i < w.count(); ++i) {
        EXPECT_FLOAT_EQ(w.speedOf(i), 0.05f);
        if (i % 2 == 1) {
            EXPECT_FLOAT_EQ(w.phaseOf(i), w.phaseOf(i - 1) - kPi) << i;
            EXPECT_FLOAT_EQ(w.basePhaseOf(i), w.phaseOf(i)) << i;
        }
    }
    // Opposite phases keep opposite heights as time goes on.
    w.setTime(37.0f);
    for (int i = 1; i < w.count(); i += 2) EXPECT_NEAR(w.heightOf(i), -w.heightOf(i - 1), 1e-5f) << i;
}

TEST(WaveField, HeightAtTheCornersIsTheCornerControlPoint) {
    WaveField w;
    ASSERT_TRUE(w.init(1, 1, 0.05f));  // 4 x 4 control points, one segment per curve
    for (float t : {0.0f, 13.0f, 250.0f}) {
        w.setTime(t);
        EXPECT_FLOAT_EQ(w.heightAt(0, 0), w.heightOf(w.indexOf(0, 0)));
        EXPECT_FLOAT_EQ(w.heightAt(-1, -5), w.heightOf(w.indexOf(0, 0)));
        // u = v = 1 reaches the far corner (the curves' last segments at their ends).
        EXPECT_FLOAT_EQ(w.heightAt(1, 1), w.heightOf(w.indexOf(3, 3)));
        EXPECT_FLOAT_EQ(w.heightAt(2, 9), w.heightOf(w.indexOf(3, 3)));
        const float mid = w.heightAt(0.5f, 0.5f);
        EXPECT_TRUE(std::isfinite(mid));
        EXPECT_LE(std::fabs(mid), 2.0f);  // doubled inner points keep the surface within -2 .. 2
    }
}

TEST(WaveField, RejectsSegmentCountsOutsideItsRange) {
    WaveField w;
    EXPECT_FALSE(w.init(0, 3, 0.05f));
    EXPECT_FALSE(w.init(3, -1, 0.05f));
    EXPECT_FALSE(w.init(kMaxWaveSegments + 1, 1, 0.05f));
    EXPECT_EQ(w.count(), 0);
    w.setTime(5.0f);
    EXPECT_EQ(w.heightAt(0.5f, 0.5f), 0.0f);
    EXPECT_TRUE(w.init(kMaxWaveSegments, 1, 0.05f));
}

}  // namespace
