// Node3D: transform composition and caches, tree operations, the pass rules, properties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/target3d.h"

namespace {

void expectNear(const Vector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

Node3D* makeNode(int id) {
    Node3D* n = new Group3D();
    n->setId(id);
    return n;
}

}  // namespace

TEST(Node3DTransform, ScaleThenRotateThenTranslateAndLocalTimesParentWorld) {
    // A scale that differs per axis shows the order: (1, 0, 0) is scaled to (2, 0, 0), turned to
    // (0, 2, 0), moved to (5, 2, 0); (0, 1, 0) is not scaled, turned to (-1, 0, 0), moved to (4, 0, 0).
    Node3D node;
    node.setScale(2, 1, 1);
    node.setRotation(0, 0, float(std::numbers::pi / 2));
    node.setPosition(5, 0, 0);
    expectNear(Vector3(1, 0, 0).transformPoint(node.getLocalMatrix()), 5, 2, 0);
    expectNear(Vector3(0, 1, 0).transformPoint(node.getLocalMatrix()), 4, 0, 0);

    Group3D root;
    Node3D* child = makeNode(1);
    root.addChild(child, 0);
    root.setScale(2, 2, 2);
    root.setPosition(10, 0, 0);
    child->setPosition(1, 1, 0);
    EXPECT_TRUE(child->getWorldMatrix().equals(child->getLocalMatrix().multiplyMatrix(root.getWorldMatrix())));
    expectNear(child->getWorldPosition(), 12, 2, 0);
    expectNear(Vector3(12, 2, 0).transformPoint(child->getInverseWorldMatrix()), 0, 0, 0);

    // A singular world matrix leaves the inverse equal to it instead of dividing by zero.
    Node3D flat;
    flat.setScale(0, 1, 1);
    EXPECT_TRUE(flat.getInverseWorldMatrix().equals(flat.getWorldMatrix()));

    // Switching the quaternion off keeps the orientation (as Euler angles).
    float h = float(std::sin(0.35)), c = float(std::cos(0.35));
    node.setQuaternion(Quaternion(h * 0.6f, 0, h * 0.8f, c));
    Matrix4 before = node.getLocalMatrix();
    node.setUseQuaternion(false);
    Matrix4 after = node.getLocalMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(after.m[i], before.m[i], 1e-5f) << i;
}

TEST(Node3DTransform, MovingAParentOrAttachingRefreshesTheWholeSubtree) {
    Group3D root;
    Node3D* parent = makeNode(1);
    Node3D* grandchild = makeNode(2);
    root.addChild(parent, 0);
    parent->addChild(grandchild, 0);
    grandchild->setPosition(0, 1, 0);
    expectNear(grandchild->getWorldPosition(), 0, 1, 0);  // fill every cache first
    grandchild->getInverseWorldMatrix();

    root.setPosition(5, 0, 0);
    expectNear(grandchild->getWorldPosition(), 5, 1, 0);
    expectNear(Vector3(5, 1, 0).transformPoint(grandchild->getInverseWorldMatrix()), 0, 0, 0);
    parent->setQuaternion(Quaternion(0, 0, 0, 1));
    parent->setScale(3, 3, 3);
    expectNear(grandchild->getWorldPosition(), 5, 3, 0);

    // A node cached while unattached takes its new parent's frame.
    Node3D* late = makeNode(3);
    late->setPosition(1, 0, 0);
    expectNear(late->getWorldPosition(), 1, 0, 0);
    root.addChild(late, 0);
    expectNear(late->getWorldPosition(), 6, 0, 0);
}

TEST(Node3DTree, AddChildPlacementAndFindNodeByIdOrder) {
    Group3D root;
    Node3D *a = makeNode(1), *b = makeNode(2), *c = makeNode(3), *d = makeNode(4), *e = makeNode(5);
    root.addChild(a, 0);
    root.addChild(b, 0);  // 0 appends
    root.addChild(c, 1);  // 1 prepends
    root.addChild(d, 2);  // n inserts at index n
    root.addChild(e, 99);  // out of range: appended, still owned
    const Node3D* order[] = {c, a, d, b, e};
    ASSERT_EQ(root.getChildCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(root.getChild(i), order[i]) << i;
    EXPECT_EQ(root.getChild(5), nullptr);
    EXPECT_EQ(root.getChild(-1), nullptr);

    // Depth first in child order; the node asked is not compared itself.
    Group3D tree;
    tree.setId(7);
    Node3D *p = makeNode(1), *deep = makeNode(7), *shallow = makeNode(7), *q = makeNode(9);
    tree.addChild(p, 0);
    p->addChild(deep, 0);
    tree.addChild(shallow, 0);
    shallow->addChild(q, 0);
    EXPECT_EQ(tree.findNodeById(7), deep);
    EXPECT_EQ(tree.findNodeById(9), q);
    EXPECT_EQ(tree.findNodeById(1), p);
    EXPECT_EQ(tree.findNodeById(42), nullptr);
    EXPECT_EQ(deep->findNodeById(7), nullptr);
}

TEST(Node3DTree, CameraAndTargetDoNotPassThePassesOn) {
    struct Counting : Node3D {
        int passes = 0;
        int update(RenderDevice*, int, int, bool) override { return ++passes; }
        int draw(RenderDevice*, int, int, bool) override { return passes += 10; }
    };
    Group3D group;
    Camera3D* camera = new Camera3D();
    Target3D* target = new Target3D();
    Counting *direct = new Counting(), *underCamera = new Counting(), *underTarget = new Counting();
    group.addChild(direct, 0);
    group.addChild(camera, 0);
    group.addChild(target, 0);
    camera->addChild(underCamera, 0);
    target->addChild(underTarget, 0);

    group.update(nullptr, 640, 480, false);  // a group recurses only when asked
    group.draw(nullptr, 640, 480, false);
    EXPECT_EQ(direct->passes, 0);
    group.update(nullptr, 640, 480, true);
    group.draw(nullptr, 640, 480, true);
    EXPECT_EQ(direct->passes, 11);  // one update, one draw
    EXPECT_EQ(underCamera->passes + underTarget->passes, 0);
}

TEST(Node3DState, PropertiesAreCopiedFirstWinsAndNamesAreBounded) {
    Node3D node;
    char name[8] = "colour", value[8] = "red";
    node.addProperty(name, value);
    std::strcpy(name, "xxxxx");
    std::strcpy(value, "yyy");
    node.addProperty("colour", "blue");
    ASSERT_NE(node.findProperty("colour"), nullptr);
    EXPECT_STREQ(node.findProperty("colour"), "red");
    EXPECT_EQ(node.findProperty("Colour"), nullptr);
    EXPECT_EQ(node.properties().count(), 1);

    std::string longName(400, 'n');
    node.setName(longName.c_str());
    EXPECT_EQ(std::strlen(node.getName()), size_t(kNodeNameCapacity - 1));
}
