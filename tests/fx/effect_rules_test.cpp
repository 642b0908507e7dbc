// Effects against values worked out by hand: the particle system's stiffness setters, the wave
// field's time and height rules, the sea record's segment counts, the metaball record's field
// order and which metaball cells are surface cells.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/pack_writer.h"
#include "fx/meta_cube_fx.h"
#include "fx/meta_field.h"
#include "fx/particle_system.h"
#include "fx/sea_mesh3d_fx.h"
#include "fx/wave_field.h"
#include "scene/material_library.h"
#include "support/node_records.h"

namespace {

// A node record: no properties, id 1, at the origin, identity quaternion, unit scale, no children.
void writeNodeRecord(PackWriter& w) { records::node(w, {1, "fx", Vector3(0, 0, 0), {}, 0, 0}); }

// The cubic Bezier value at t of control values p0 .. p3.
float bezier(float p0, float p1, float p2, float p3, float t) {
    const float s = 1.0f - t;
    return p0 * s * s * s + p1 * 3 * t * s * s + p2 * 3 * t * t * s + p3 * t * t * t;
}

}  // namespace

TEST(EffectRules, StiffnessZeroSwitchesTheForceOffAndTheSameValueChangesNothing) {
    for (const bool length : {true, false}) {
        SCOPED_TRACE(length ? "length" : "direction");
        const uint8_t flag = length ? kSpringLengthOn : kSpringDirectionOn;
        ParticleSystem system;
        system.allocate(2, 3);
        auto set = [&](float k) { length ? system.setLengthStiffness(k) : system.setDirectionStiffness(k); };
        auto stiffness = [&](const Spring& s) { return length ? s.lengthStiffness : s.directionStiffness; };
        set(0.0f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(system.springs()[i].flags & flag, 0) << i;
            EXPECT_EQ(stiffness(system.springs()[i]), 0.0f) << i;
        }
        // The current value again: no spring changes, not even its flags.
        system.springs()[1].flags |= flag;
        (length ? system.springs()[1].lengthStiffness : system.springs()[1].directionStiffness) = 0.7f;
        set(0.0f);
        EXPECT_NE(system.springs()[1].flags & flag, 0);
        EXPECT_EQ(stiffness(system.springs()[1]), 0.7f);
        set(0.25f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NE(system.springs()[i].flags & flag, 0) << i;
            EXPECT_EQ(stiffness(system.springs()[i]), 0.25f) << i;
        }
    }
}

TEST(EffectRules, WaveTimeAdvancesEachPhaseAtTheFieldSpeed) {
    WaveField w;
    ASSERT_TRUE(w.init(1, 2, 0.05f));
    w.setTime(10.0f);
    for (int i = 0; i < w.count(); ++i) {
        EXPECT_FLOAT_EQ(w.speedOf(i), 0.05f) << i;
        EXPECT_NEAR(w.phaseOf(i), w.basePhaseOf(i) + 0.5f, 1e-5f) << i;  // 10 x 0.05
        EXPECT_NEAR(w.heightOf(i), std::cos(w.basePhaseOf(i) + 0.5f), 1e-5f) << i;
    }
}

TEST(EffectRules, WaveHeightAveragesTheRowAndTheColumnInterpolations) {
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

TEST(EffectRules, SeaRecordGivesSegmentsAlongUThenV) {
    PackWriter w;
    w.openMemory();
    writeNodeRecord(w);
    for (int i = 0; i < 9; ++i) w.writeFloat(0.0f);   // origin and the two stored vectors
    for (float f : {8.0f, 0.5f, 8.0f}) w.writeFloat(f);  // sizeX, height, sizeZ
    w.writeFloat(2.0f);                                 // segments along u
    w.writeFloat(3.0f);                                 // segments along v
    w.writeFloat(4.0f);                                 // cells
    w.writeInt(2);
    w.writeInt(0x806040);
    MaterialLibrary library(1000);
    SeaMesh3D_FX sea;
    ASSERT_EQ(records::loadFrom(sea, w.bytes(), &library), "");
    ASSERT_NE(sea.waves(), nullptr);
    EXPECT_EQ(sea.waves()->width(), 7);    // 3 x 2 + 1 control points along u
    EXPECT_EQ(sea.waves()->height(), 10);  // 3 x 3 + 1 along v
}

TEST(EffectRules, MetaballRecordGivesItsVectorsBeforeItsSizes) {
    PackWriter w;
    w.openMemory();
    for (int i = 1; i <= 9; ++i) w.writeFloat(static_cast<float>(i));  // vectors A, B, C
    for (float f : {10.0f, 20.0f, 30.0f}) w.writeFloat(f);               // sizes
    writeNodeRecord(w);
    MaterialLibrary library(1000);
    MetaCube_FX meta(&library);
    ASSERT_EQ(records::loadFrom(meta, w.bytes(), &library), "");
    EXPECT_EQ(meta.sizes().x, 10.0f);
    EXPECT_EQ(meta.sizes().y, 20.0f);
    EXPECT_EQ(meta.sizes().z, 30.0f);
    EXPECT_FLOAT_EQ(meta.field()->offset.x, 4.95f);  // 0.5 x 10 - 0.05
    EXPECT_FLOAT_EQ(meta.field()->offset.y, 9.99f);  // 0.5 x 20 - 0.01
}

TEST(EffectRules, OnlyCellsWithCornersOnBothSidesOfTheLevelAreSurfaceCells) {
    MetaField field;
    field.setResolution(3, 3, 3);
    auto fill = [&](float v) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) field.grid().set(i, j, k, v);
    };
    fill(0.9f);
    EXPECT_FALSE(field.isSurfaceCell(1, 1, 1, 0.6f));  // all eight corners above
    field.grid().set(0, 1, 0, 0.2f);
    EXPECT_TRUE(field.isSurfaceCell(1, 1, 1, 0.6f));   // one below
    fill(0.6f);
    EXPECT_FALSE(field.isSurfaceCell(1, 1, 1, 0.6f));  // all at the level: none above
    field.grid().set(1, 1, 1, 0.61f);
    EXPECT_TRUE(field.isSurfaceCell(1, 1, 1, 0.6f));
}
