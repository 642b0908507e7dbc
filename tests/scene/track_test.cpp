// Track and TimedKey: the bracketing lookup and key records.
#include <gtest/gtest.h>

#include "app/track.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/key_value.h"

TEST(Track, FindAtBoundariesTakeTheFirstBracketingPair) {
    int cells[3];
    Track track;
    track.insert(&cells[0], 0);
    track.insert(&cells[1], 300);
    track.insert(&cells[2], 600);

    void* values[2] = {};
    int32_t times[2] = {};
    EXPECT_EQ(track.findAt(300, values, times), 0);
    EXPECT_EQ(values[0], &cells[0]);
    EXPECT_EQ(values[1], &cells[1]);
    EXPECT_EQ(times[0], 0);
    EXPECT_EQ(times[1], 300);

    EXPECT_EQ(track.findAt(301, values, times), 0);
    EXPECT_EQ(values[0], &cells[1]);
    EXPECT_EQ(times[1], 600);
    EXPECT_EQ(track.findAt(0, values, times), 0);
    EXPECT_EQ(values[0], &cells[0]);
    EXPECT_EQ(track.findAt(600, values, times), 0);
    EXPECT_EQ(values[1], &cells[2]);
    EXPECT_EQ(track.findAt(601, values, times), 5);
    EXPECT_EQ(track.findAt(-1, values, times), 5);

    EXPECT_EQ(track.getFirstTime(), 0);  // stays 0 when every time is positive
    EXPECT_EQ(track.getLastTime(), 600);
}

TEST(Track, FewerThanTwoKeysAndUnsortedKeys) {
    int cell;
    Track track;
    void* values[2];
    int32_t times[2];
    EXPECT_EQ(track.findAt(0, values, times), 1);
    track.insert(&cell, 10);
    EXPECT_EQ(track.findAt(10, values, times), 1);

    // Keys are never sorted: only consecutive keys that happen to bracket t match.
    Track unsorted;
    unsorted.insert(&cell, 500);
    unsorted.insert(&cell, 100);
    unsorted.insert(&cell, 200);
    EXPECT_EQ(unsorted.findAt(300, values, times), 5);
    EXPECT_EQ(unsorted.findAt(150, values, times), 0);
    EXPECT_EQ(times[0], 100);
    EXPECT_EQ(unsorted.getFirstTime(), 0);
    EXPECT_EQ(unsorted.getLastTime(), 500);

    Track negative;
    negative.insert(&cell, -30);
    EXPECT_EQ(negative.getFirstTime(), -30);
}

TEST(Track, KeyRecordsRoundTripAndRejectUnknownKinds) {
    Track track;
    track.insertKeyValue(new PositionValue(Vector3(1, 2, 3)), 0);
    track.insertKeyValue(new RotationValue(Quaternion(0, 0, 0.6f, 0.8f)), 30);
    track.insertKeyValue(new VectorValue(Vector3(4, 5, 6)), 60);
    track.insertKeyValue(new FloatValue(0.0f), 90);

    PackWriter w;
    w.openMemory();
    track.save(w);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    Track loaded;
    loaded.load(r);
    ASSERT_FALSE(r.failed()) << r.error();
    ASSERT_EQ(loaded.count(), 4);
    EXPECT_EQ(loaded.getKey(1)->getTime(), 30);
    EXPECT_EQ(loaded.getKey(3)->getKeyValue()->getType(), kKeyFloat);
    EXPECT_EQ(loaded.getKey(3)->getValue(), loaded.getKey(3)->getKeyValue());
    EXPECT_FLOAT_EQ(keyVector(loaded.getKey(2)->getKeyValue())->z, 6.0f);
    EXPECT_FLOAT_EQ(keyQuaternion(loaded.getKey(1)->getKeyValue())->w, 0.8f);
    EXPECT_EQ(keyQuaternion(loaded.getKey(0)->getKeyValue()), nullptr);
    EXPECT_EQ(loaded.getFirstTime(), 0);
    EXPECT_EQ(loaded.getLastTime(), 0);  // load does not touch the bounds

    PackWriter again;
    again.openMemory();
    loaded.save(again);
    EXPECT_EQ(again.bytes(), w.bytes());

    for (int32_t kind : {4, -1}) {
        PackWriter bad;
        bad.openMemory();
        bad.writeInt(1);
        bad.writeInt(0);
        bad.writeInt(kind);
        bad.writeFloat(1.0f);
        PackReader br;
        br.openMemory(bad.bytes().data(), bad.bytes().size());
        Track t;
        t.load(br);
        EXPECT_TRUE(br.failed());
        EXPECT_NE(br.error().find("unknown key value kind"), std::string::npos) << br.error();
        EXPECT_EQ(t.count(), 0);
    }
}
