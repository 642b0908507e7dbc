// Controllers and their tracks: interpolation, clamping, visibility, file order, key records, and no
// allocation per frame.
#include <gtest/gtest.h>

#include <array>

#include <cmath>
#include <numbers>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/target3d.h"
#include "scene/track.h"
#include "support/allocation_counter.h"

namespace {

template <class Value, class T>
Track* track(std::initializer_list<std::pair<int, T>> keys) {
    Track* t = new Track();
    for (auto& [time, v] : keys) t->insertKeyValue(new Value(v), time);
    return t;
}
Track* vectorTrack(std::initializer_list<std::pair<int, Vector3>> keys) { return track<PositionValue>(keys); }
Track* floatTrack(std::initializer_list<std::pair<int, float>> keys) { return track<FloatValue>(keys); }
Track* rotationTrack(std::initializer_list<std::pair<int, Quaternion>> keys) { return track<RotationValue>(keys); }

// A controller with keys of every kind: position, rotation, scale and visibility.
Controller* fullController(int id) {
    Controller* c = new Controller();
    c->setTargetId(id);
    c->setPositionTrack(vectorTrack({{0, Vector3(0, 0, 0)}, {500, Vector3(1, 2, 3)}, {1000, Vector3(0, 0, 0)}}));
    c->setRotationTrack(rotationTrack({{0, Quaternion(0, 0, 0, 1)}, {1000, Quaternion(0, 1, 0, 0)}}));
    c->setScaleTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {1000, Vector3(2, 2, 2)}}));
    c->setVisibilityTrack(floatTrack({{0, 1.0f}, {1000, 0.0f}}));
    return c;
}

// A scene-like tree: root -> group (id 1) -> target (id 2) at (0, 1, 0).
struct SmallTree {
    Group3D root;
    Group3D* group = new Group3D();
    Target3D* target = new Target3D();
    SmallTree() {
        group->setId(1);
        target->setId(2);
        target->setPosition(0, 1, 0);
        root.addChild(group, 0);
        group->addChild(target, 0);
    }
};

}  // namespace

TEST(Controller, PositionInterpolatesClampsAndMovesTheSubtree) {
    SmallTree tree;
    ControllerSet set;
    set.setStartTime(0);
    set.setEndTime(3000);
    Controller* c = new Controller();
    c->setTargetId(1);
    c->setPositionTrack(vectorTrack({{0, Vector3(0, 0, 0)}, {100, Vector3(10, 0, 0)},
                                     {3000, Vector3(30, 0, 0)}, {4000, Vector3(99, 0, 0)}}));
    set.prepend(c);
    EXPECT_FLOAT_EQ(tree.target->getWorldPosition().x, 0.0f);  // fills the child's cache
    struct Case {
        int time;
        float x;
        int nodeTime;
    };
    // At a key time the earlier pair is used; times outside the set's range are clamped to it.
    for (const Case& k : {Case{25, 2.5f, 25}, Case{100, 10, 100}, Case{1550, 20, 1550}, Case{4000, 30, 3000},
                          Case{-5, 0, 0}}) {
        SCOPED_TRACE(k.time);
        set.apply(k.time, &tree.root);
        EXPECT_FLOAT_EQ(tree.group->getPosition().x, k.x);
        EXPECT_EQ(tree.group->getTime(), k.nodeTime);
        EXPECT_FLOAT_EQ(tree.target->getWorldPosition().x, k.x);  // the child's cache was cleared
        EXPECT_FLOAT_EQ(tree.target->getWorldPosition().y, 1.0f);
    }
}

TEST(Controller, RotationSlerpsEqualScaleKeyTimesDoNotDivideByZeroAndWrongKindsAreIgnored) {
    SmallTree tree;
    Controller c;
    c.setTargetId(1);
    float s45 = float(std::sin(std::numbers::pi / 4)), c45 = float(std::cos(std::numbers::pi / 4));
    c.setRotationTrack(rotationTrack({{0, Quaternion(0, 0, 0, 1)}, {100, Quaternion(0, 0, s45, c45)}}));
    c.setScaleTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {100, Vector3(3, 3, 3)}}));
    c.apply(50, &tree.root);
    EXPECT_TRUE(tree.group->usesQuaternion());
    EXPECT_NEAR(tree.group->getQuaternion().z, std::sin(std::numbers::pi / 8), 1e-5);
    EXPECT_NEAR(tree.group->getQuaternion().w, std::cos(std::numbers::pi / 8), 1e-5);
    EXPECT_FLOAT_EQ(tree.group->getScale().x, 2.0f);

    c.setScaleTrack(vectorTrack({{100, Vector3(5, 5, 5)}, {100, Vector3(9, 9, 9)}}));
    c.apply(100, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getScale().x, 5.0f);  // the earlier key
    EXPECT_FALSE(std::isnan(tree.target->getWorldPosition().y));

    // Keys of the wrong kind for their track are ignored.
    SmallTree other;
    c.setRotationTrack(vectorTrack({{0, Vector3(1, 2, 3)}, {100, Vector3(4, 5, 6)}}));
    c.setPositionTrack(floatTrack({{0, 1.0f}, {100, 2.0f}}));
    c.setScaleTrack(nullptr);
    c.apply(50, &other.root);
    EXPECT_FALSE(other.group->usesQuaternion());
    EXPECT_FLOAT_EQ(other.group->getPosition().x, 0.0f);
}

TEST(Controller, VisibilityComesFromTheEarlierKey) {
    SmallTree tree;
    Controller c;
    c.setTargetId(2);
    c.setVisibilityTrack(floatTrack({{0, 1.0f}, {100, 0.0f}, {200, 0.0f}}));
    for (int t : {0, 50, 100, 150}) {
        tree.target->setVisible(t == 150);  // the opposite of what the key says
        c.apply(t, &tree.root);
        EXPECT_EQ(tree.target->isVisible(), t != 150) << t;
    }
    c.setVisibilityTrack(floatTrack({{0, 0.5f}, {100, 1.0f}}));
    c.apply(50, &tree.root);
    EXPECT_FALSE(tree.target->isVisible());  // only a key of exactly 1 shows the node
    tree.target->setVisible(true);
    c.apply(250, &tree.root);  // no pair: left as it is
    EXPECT_TRUE(tree.target->isVisible());
    c.setVisibilityTrack(floatTrack({{0, 0.0f}}));  // a single key makes no pair either
    c.apply(0, &tree.root);
    EXPECT_TRUE(tree.target->isVisible());
}

TEST(ControllerSet, FirstControllerInTheFileIsAppliedLastAndRecordsRoundTrip) {
    PackWriter w;
    w.openMemory();
    for (int v : {0, 1000, 7, 2}) w.writeInt(v);  // start, end, reserved, controller count
    for (float x : {1.0f, 2.0f}) {  // two controllers for node 1: the first one should win
        for (int v : {1, 1, 0, 0, 0, 2}) w.writeInt(v);  // node, which tracks follow, key count
        for (int time : {0, 100}) {
            w.writeInt(time);
            w.writeInt(kKeyPosition);
            for (float f : {x, 0.0f, 0.0f}) w.writeFloat(f);
        }
    }
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    ControllerSet set;
    set.load(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(set.controllers().count(), 2);
    SmallTree tree;
    set.apply(50, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 1.0f);
    PackWriter out;
    out.openMemory();
    set.save(out);
    EXPECT_EQ(out.bytes(), w.bytes());

    // Keys of every kind survive a save, load and save again byte for byte.
    set.prepend(fullController(2));
    PackWriter first, second;
    first.openMemory();
    set.save(first);
    PackReader again;
    again.openMemory(first.bytes().data(), first.bytes().size());
    ControllerSet loaded;
    loaded.load(again);
    ASSERT_FALSE(again.failed()) << again.error();
    second.openMemory();
    loaded.save(second);
    EXPECT_EQ(first.bytes(), second.bytes());

    // A controller with a scale track alone: after the set's four ints, node 1 and the flags of
    // position, rotation, scale and visibility; loaded back, the track scales the node.
    Controller* scaleOnly = new Controller();
    scaleOnly->setTargetId(1);
    scaleOnly->setScaleTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {1000, Vector3(3, 3, 3)}}));
    ControllerSet single;
    single.prepend(scaleOnly);
    PackWriter scaled;
    scaled.openMemory();
    single.save(scaled);
    PackReader fields;
    fields.openMemory(scaled.bytes().data(), scaled.bytes().size());
    for (int i = 0; i < 4; ++i) fields.getInt();
    for (int32_t expected : {1, 0, 0, 1, 0}) EXPECT_EQ(fields.getInt(), expected);
    PackReader scaledReader;
    scaledReader.openMemory(scaled.bytes().data(), scaled.bytes().size());
    ControllerSet scaledSet;
    scaledSet.load(scaledReader);
    ASSERT_FALSE(scaledReader.failed()) << scaledReader.error();
    SmallTree scaledTree;
    scaledSet.controllers().first()->apply(500, &scaledTree.root);
    EXPECT_FLOAT_EQ(scaledTree.group->getScale().x, 2.0f);
}

TEST(ControllerSet, ApplyAndUpdateDoNotAllocateAfterTheFirstFrame) {
    SmallTree tree;
    for (int i = 0; i < 20; ++i) {
        auto* node = new Group3D();
        node->setId(100 + i);
        tree.target->addChild(node, 0);
    }
    ControllerSet set;
    set.setEndTime(1000);
    AllocationCounter allocations;
    for (int id : {1, 2, 110, 119, 555}) set.prepend(fullController(id));  // no node 555: does nothing
    EXPECT_GT(allocations.count(), 0);  // the counter does see allocations
    set.apply(0, &tree.root);  // the first frame
    allocations.restart();
    for (int t = 0; t <= 1200; t += 7) {
        set.apply(t, &tree.root);
        tree.root.update(nullptr, 640, 480, true);
        tree.target->getWorldMatrix();
    }
    EXPECT_EQ(allocations.count(), 0);
}

TEST(Track, InsertKeepsFileOrderAndWidensTheLastTime) {
    Track t;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) t.insert(&values[i], std::array<int32_t, 4>{50, 20, 80, 60}[i]);
    EXPECT_EQ(t.getLastTime(), 80);  // the latest time, not the last key's
    EXPECT_EQ(t.getKey(3)->getTime(), 60);
}

TEST(Track, UnknownKeyValueKindsAreLoadErrors) {
    for (int32_t kind : {4, -1}) {
        PackWriter bad;
        bad.openMemory();
        for (int32_t v : {1, 0, kind}) bad.writeInt(v);  // one key at time 0 of this kind
        bad.writeFloat(1.0f);
        PackReader br;
        br.openMemory(bad.bytes().data(), bad.bytes().size());
        Track t;
        t.load(br);
        EXPECT_NE(br.error().find("unknown key value kind"), std::string::npos) << br.error();
        EXPECT_EQ(t.count(), 0);
    }
}

TEST(Controller, FindsItsNodeAgainOnceTheTreeChanges) {
    Group3D root;
    auto* first = new Group3D();
    first->setId(5);
    root.addChild(first, 0);
    Controller c;
    c.setTargetId(5);
    c.setPositionTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {100, Vector3(1, 1, 1)}}));
    c.apply(50, &root);
    EXPECT_EQ(first->getPosition().x, 1.0f);

    // The id moves to a node added later: the controller follows it.
    first->setId(6);
    auto* second = new Group3D();
    second->setId(5);
    root.addChild(second, 0);
    c.apply(50, &root);
    EXPECT_EQ(second->getPosition().y, 1.0f);
    first->setPosition(0, 0, 0);
    c.apply(60, &root);
    EXPECT_EQ(first->getPosition().x, 0.0f);

    // The node it found is deleted: nothing is written through the stale pointer (the sanitizer
    // build would stop on it), and a node with the id added afterwards is found.
    root.children().remove(second);
    noteNodeTreeChange();
    delete second;
    c.apply(70, &root);
    auto* third = new Group3D();
    third->setId(5);
    first->addChild(third, 0);
    c.apply(80, &root);
    EXPECT_EQ(third->getPosition().z, 1.0f);

    // Another root with the same ids gets its own node.
    Group3D otherRoot;
    auto* other = new Group3D();
    other->setId(5);
    otherRoot.addChild(other, 0);
    c.apply(90, &otherRoot);
    EXPECT_EQ(other->getPosition().x, 1.0f);

    // A new target id is looked up at once.
    auto* fourth = new Group3D();
    fourth->setId(9);
    root.addChild(fourth, 0);
    c.setTargetId(9);
    c.apply(90, &root);
    EXPECT_EQ(fourth->getPosition().x, 1.0f);
}
