// Controllers: interpolation, clamping, visibility, order, records, and no allocation per frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "app/track.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/target3d.h"

// Counts every allocation of this test program through the global operator new.
static long allocationCount = 0;

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

Track* vectorTrack(std::initializer_list<std::pair<int, Vector3>> keys) {
    Track* t = new Track();
    for (auto& [time, v] : keys) t->insertKeyValue(new PositionValue(v), time);
    return t;
}

Track* floatTrack(std::initializer_list<std::pair<int, float>> keys) {
    Track* t = new Track();
    for (auto& [time, v] : keys) t->insertKeyValue(new FloatValue(v), time);
    return t;
}

// A scene-like tree: root -> group (id 1) -> target (id 2).
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

TEST(Controller, PositionInterpolatesAndMovesTheSubtree) {
    SmallTree tree;
    ControllerSet set;
    set.setStartTime(0);
    set.setEndTime(3000);
    Controller* c = new Controller();
    c->setTargetId(1);
    c->setPositionTrack(vectorTrack({{0, Vector3(0, 0, 0)}, {100, Vector3(10, 0, 0)}}));
    set.prepend(c);

    EXPECT_FLOAT_EQ(tree.target->getWorldPosition().x, 0.0f);
    set.apply(25, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 2.5f);
    EXPECT_EQ(tree.group->getTime(), 25);
    EXPECT_FLOAT_EQ(tree.target->getWorldPosition().x, 2.5f);  // the child's cache was cleared
    EXPECT_FLOAT_EQ(tree.target->getWorldPosition().y, 1.0f);
    set.apply(100, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 10.0f);
    set.apply(150, &tree.root);  // past the last key: unchanged
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 10.0f);
    EXPECT_EQ(tree.group->getTime(), 150);
}

TEST(Controller, TimeIsClampedToTheSetsRange) {
    SmallTree tree;
    ControllerSet set;
    set.setStartTime(0);
    set.setEndTime(3000);
    Controller* c = new Controller();
    c->setTargetId(2);
    c->setPositionTrack(vectorTrack({{0, Vector3(0, 0, 0)}, {3000, Vector3(30, 0, 0)}, {4000, Vector3(99, 0, 0)}}));
    set.prepend(c);

    set.apply(4000, &tree.root);
    EXPECT_FLOAT_EQ(tree.target->getPosition().x, 30.0f);
    EXPECT_EQ(tree.target->getTime(), 3000);
    set.apply(-5, &tree.root);
    EXPECT_FLOAT_EQ(tree.target->getPosition().x, 0.0f);
    EXPECT_EQ(tree.target->getTime(), 0);
}

TEST(Controller, RotationSlerpsAndSwitchesToQuaternion) {
    SmallTree tree;
    Controller c;
    c.setTargetId(1);
    Track* t = new Track();
    float s45 = float(std::sin(M_PI / 4)), c45 = float(std::cos(M_PI / 4));
    t->insertKeyValue(new RotationValue(Quaternion(0, 0, 0, 1)), 0);
    t->insertKeyValue(new RotationValue(Quaternion(0, 0, s45, c45)), 100);
    c.setRotationTrack(t);

    c.apply(50, &tree.root);
    EXPECT_TRUE(tree.group->usesQuaternion());
    Quaternion q = tree.group->getQuaternion();
    EXPECT_NEAR(q.z, std::sin(M_PI / 8), 1e-5);
    EXPECT_NEAR(q.w, std::cos(M_PI / 8), 1e-5);
    c.apply(0, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getQuaternion().z, 0.0f);
}

TEST(Controller, ScaleInterpolatesAndEqualKeyTimesTakeTheEarlierKey) {
    SmallTree tree;
    Controller c;
    c.setTargetId(1);
    c.setScaleTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {100, Vector3(3, 3, 3)}, {100, Vector3(9, 9, 9)}}));
    c.apply(50, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getScale().x, 2.0f);

    Controller same;
    same.setTargetId(1);
    same.setScaleTrack(vectorTrack({{100, Vector3(5, 5, 5)}, {100, Vector3(9, 9, 9)}}));
    same.apply(100, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getScale().x, 5.0f);
    EXPECT_FALSE(std::isnan(tree.target->getWorldPosition().y));
}

TEST(Controller, VisibilityComesFromTheEarlierKey) {
    SmallTree tree;
    Controller c;
    c.setTargetId(2);
    c.setVisibilityTrack(floatTrack({{0, 1.0f}, {100, 0.0f}}));
    for (int t : {0, 50, 100}) {
        c.apply(t, &tree.root);
        EXPECT_TRUE(tree.target->isVisible()) << t;
    }
    tree.target->setVisible(false);
    c.apply(150, &tree.root);  // no pair: left as it is
    EXPECT_FALSE(tree.target->isVisible());

    c.setVisibilityTrack(floatTrack({{0, 1.0f}, {100, 0.0f}, {200, 0.0f}}));
    c.apply(150, &tree.root);
    EXPECT_FALSE(tree.target->isVisible());
    c.apply(100, &tree.root);
    EXPECT_TRUE(tree.target->isVisible());
}

TEST(Controller, MismatchedKeyKindsAndMissingNodesAreIgnored) {
    SmallTree tree;
    Controller c;
    c.setTargetId(1);
    c.setRotationTrack(vectorTrack({{0, Vector3(1, 2, 3)}, {100, Vector3(4, 5, 6)}}));
    c.setPositionTrack(floatTrack({{0, 1.0f}, {100, 2.0f}}));
    c.apply(50, &tree.root);
    EXPECT_FALSE(tree.group->usesQuaternion());
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 0.0f);

    SmallTree other;
    Controller missing;
    missing.setTargetId(42);
    missing.setPositionTrack(vectorTrack({{0, Vector3(1, 2, 3)}, {100, Vector3(4, 5, 6)}}));
    missing.apply(50, &other.root);
    EXPECT_EQ(other.group->getTime(), 0);
    EXPECT_EQ(other.target->getTime(), 0);
    EXPECT_FLOAT_EQ(other.target->getPosition().x, 0.0f);
}

TEST(ControllerSet, FirstControllerInTheFileIsAppliedLastAndRecordsRoundTrip) {
    PackWriter w;
    w.openMemory();
    w.writeInt(0);
    w.writeInt(1000);
    w.writeInt(7);
    w.writeInt(2);
    for (float x : {1.0f, 2.0f}) {  // two controllers for node 1: the first one should win
        w.writeInt(1);
        w.writeInt(1);
        w.writeInt(0);
        w.writeInt(0);
        w.writeInt(0);
        w.writeInt(2);
        for (int time : {0, 100}) {
            w.writeInt(time);
            w.writeInt(kKeyPosition);
            w.writeFloat(x);
            w.writeFloat(0);
            w.writeFloat(0);
        }
    }
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    ControllerSet set;
    set.load(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(set.controllers().count(), 2);
    EXPECT_EQ(set.getReserved(), 7);

    SmallTree tree;
    set.apply(50, &tree.root);
    EXPECT_FLOAT_EQ(tree.group->getPosition().x, 1.0f);

    PackWriter out;
    out.openMemory();
    set.save(out);
    EXPECT_EQ(out.bytes(), w.bytes());
}

TEST(ControllerSet, ApplyDoesNotAllocate) {
    SmallTree tree;
    for (int i = 0; i < 20; ++i) {
        auto* node = new Group3D();
        node->setId(100 + i);
        tree.target->addChild(node, 0);
    }
    ControllerSet set;
    set.setEndTime(1000);
    for (int id : {1, 2, 110, 119, 555}) {
        Controller* c = new Controller();
        c->setTargetId(id);
        c->setPositionTrack(vectorTrack({{0, Vector3(0, 0, 0)}, {500, Vector3(1, 2, 3)}, {1000, Vector3(0, 0, 0)}}));
        Track* rotation = new Track();
        rotation->insertKeyValue(new RotationValue(Quaternion(0, 0, 0, 1)), 0);
        rotation->insertKeyValue(new RotationValue(Quaternion(0, 1, 0, 0)), 1000);
        c->setRotationTrack(rotation);
        c->setScaleTrack(vectorTrack({{0, Vector3(1, 1, 1)}, {1000, Vector3(2, 2, 2)}}));
        c->setVisibilityTrack(floatTrack({{0, 1.0f}, {1000, 0.0f}}));
        set.prepend(c);
    }

    set.apply(0, &tree.root);  // the first frame
    long before = allocationCount;
    for (int t = 0; t <= 1200; t += 7) {
        set.apply(t, &tree.root);
        tree.root.update(nullptr, 640, 480, true);
        tree.target->getWorldMatrix();
    }
    EXPECT_EQ(allocationCount - before, 0);
    EXPECT_GT(before, 0);  // the counter does see allocations
}
