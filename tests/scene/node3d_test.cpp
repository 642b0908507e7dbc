// Node3D: transform composition and caches, tree operations, properties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/message_box.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/target3d.h"

namespace {

void expectNear(const Vector3& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

Node3D* makeNode(int id) {
    Node3D* n = new Group3D();
    n->setId(id);
    return n;
}

}  // namespace

TEST(Node3DTransform, LocalMatrixAppliesScaleThenRotationThenTranslation) {
    Node3D node;
    node.setScale(2, 2, 2);
    node.setPosition(1, 0, 0);
    expectNear(Vector3(1, 0, 0).transformPoint(node.getLocalMatrix()), 3, 0, 0);

    // A quarter turn about Z between the scale and the translation: (1,0,0) -> (2,0,0) scaled,
    // rotated onto the Y axis, then moved by (1,0,0).
    node.setRotation(0, 0, float(M_PI / 2));
    Vector3 p = Vector3(1, 0, 0).transformPoint(node.getLocalMatrix());
    EXPECT_NEAR(p.x, 1.0f, 1e-5f);
    EXPECT_NEAR(std::fabs(p.y), 2.0f, 1e-5f);
}

TEST(Node3DTransform, NodeWithoutParentIsItsOwnWorld) {
    Node3D node;
    node.setPosition(4, 5, 6);
    node.setRotation(0.3f, 0.2f, 0.1f);
    EXPECT_TRUE(node.getWorldMatrix().equals(node.getLocalMatrix()));
    expectNear(node.getWorldPosition(), 4, 5, 6);
    EXPECT_EQ(node.getRoot(), &node);
}

TEST(Node3DTransform, WorldIsLocalTimesParentWorld) {
    Group3D root;
    Node3D* child = makeNode(1);
    root.addChild(child, 0);
    root.setScale(2, 2, 2);
    root.setPosition(10, 0, 0);
    child->setPosition(1, 1, 0);

    Matrix4 expected = child->getLocalMatrix().multiplyMatrix(root.getWorldMatrix());
    EXPECT_TRUE(child->getWorldMatrix().equals(expected));
    expectNear(child->getWorldPosition(), 12, 2, 0);
    expectNear(Vector3(0, 0, 0).transformPoint(child->getWorldMatrix()), 12, 2, 0);

    Matrix4 inverse = child->getInverseWorldMatrix();
    expectNear(Vector3(12, 2, 0).transformPoint(inverse), 0, 0, 0);
    EXPECT_EQ(child->getRoot(), &root);
}

TEST(Node3DTransform, MovingAParentRefreshesTheWholeSubtree) {
    Group3D root;
    Node3D* parent = makeNode(1);
    Node3D* grandchild = makeNode(2);
    root.addChild(parent, 0);
    parent->addChild(grandchild, 0);
    grandchild->setPosition(0, 1, 0);

    // Fill every cache first.
    expectNear(grandchild->getWorldPosition(), 0, 1, 0);
    grandchild->getInverseWorldMatrix();

    root.setPosition(5, 0, 0);
    expectNear(grandchild->getWorldPosition(), 5, 1, 0);
    expectNear(Vector3(0, 0, 0).transformPoint(grandchild->getWorldMatrix()), 5, 1, 0);
    expectNear(Vector3(5, 1, 0).transformPoint(grandchild->getInverseWorldMatrix()), 0, 0, 0);

    parent->setQuaternion(Quaternion(0, 0, 0, 1));
    parent->setScale(3, 3, 3);
    expectNear(grandchild->getWorldPosition(), 5, 3, 0);
}

TEST(Node3DTransform, AddChildPlacesTheChildInItsNewParentsFrame) {
    Group3D root;
    root.setPosition(7, 0, 0);
    Node3D* child = makeNode(1);
    child->setPosition(1, 0, 0);
    expectNear(child->getWorldPosition(), 1, 0, 0);  // cached while unattached
    root.addChild(child, 0);
    expectNear(child->getWorldPosition(), 8, 0, 0);
}

TEST(Node3DTransform, SingularWorldMatrixLeavesTheInverseEqualToIt) {
    Node3D node;
    node.setScale(0, 1, 1);
    EXPECT_TRUE(node.getInverseWorldMatrix().equals(node.getWorldMatrix()));
}

TEST(Node3DTransform, SwitchingOffTheQuaternionKeepsTheOrientation) {
    Node3D node;
    float h = float(std::sin(0.35)), c = float(std::cos(0.35));
    node.setQuaternion(Quaternion(h * 0.6f, 0, h * 0.8f, c));
    node.setPosition(1, 2, 3);
    Matrix4 before = node.getLocalMatrix();
    node.setUseQuaternion(false);
    EXPECT_FALSE(node.usesQuaternion());
    Matrix4 after = node.getLocalMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(after.m[i], before.m[i], 1e-5f) << i;
}

TEST(Node3DTree, AddChildPlacement) {
    Group3D root;
    Node3D* a = makeNode(1);
    Node3D* b = makeNode(2);
    Node3D* c = makeNode(3);
    root.addChild(a, 0);
    root.addChild(b, 0);
    root.addChild(c, 1);  // prepend
    ASSERT_EQ(root.getChildCount(), 3);
    EXPECT_EQ(root.getChild(0), c);
    EXPECT_EQ(root.getChild(1), a);
    EXPECT_EQ(root.getChild(2), b);

    Node3D* d = makeNode(4);
    root.addChild(d, 2);  // insert at index 2
    EXPECT_EQ(root.getChild(2), d);
    EXPECT_EQ(root.getChild(3), b);
    EXPECT_EQ(d->getParent(), &root);

    Node3D* e = makeNode(5);
    root.addChild(e, 99);  // out of range: appended, still owned
    EXPECT_EQ(root.getChildCount(), 5);
    EXPECT_EQ(root.getChild(4), e);
    EXPECT_EQ(root.getChild(5), nullptr);
    EXPECT_EQ(root.getChild(-1), nullptr);
}

TEST(Node3DTree, FindNodeByIdIsDepthFirstInChildOrder) {
    Group3D root;
    root.setId(7);
    Node3D* a = makeNode(1);
    Node3D* a1 = makeNode(7);  // deep match that comes first depth-first
    Node3D* b = makeNode(7);   // shallower match, but in a later branch
    Node3D* b1 = makeNode(9);
    root.addChild(a, 0);
    a->addChild(a1, 0);
    root.addChild(b, 0);
    b->addChild(b1, 0);

    EXPECT_EQ(root.findNodeById(7), a1);  // the root itself is not compared
    EXPECT_EQ(root.findNodeById(9), b1);
    EXPECT_EQ(root.findNodeById(1), a);
    EXPECT_EQ(root.findNodeById(42), nullptr);
    EXPECT_EQ(a1->findNodeById(7), nullptr);
}

TEST(Node3DTree, CameraAndTargetDoNotPassThePassesOn) {
    // A group recurses only when asked; cameras and targets never do.
    struct Counting : Node3D {
        int updates = 0, draws = 0;
        int update(RenderDevice*, int, int, bool) override { return ++updates; }
        int draw(RenderDevice*, int, int, bool) override { return ++draws; }
    };
    Group3D group;
    Camera3D* camera = new Camera3D();
    Target3D* target = new Target3D();
    Counting* direct = new Counting();
    Counting* underCamera = new Counting();
    Counting* underTarget = new Counting();
    group.addChild(direct, 0);
    group.addChild(camera, 0);
    group.addChild(target, 0);
    camera->addChild(underCamera, 0);
    target->addChild(underTarget, 0);

    group.update(nullptr, 640, 480, false);
    group.draw(nullptr, 640, 480, false);
    EXPECT_EQ(direct->updates + direct->draws, 0);
    group.update(nullptr, 640, 480, true);
    group.draw(nullptr, 640, 480, true);
    EXPECT_EQ(direct->updates, 1);
    EXPECT_EQ(direct->draws, 1);
    EXPECT_EQ(underCamera->updates + underCamera->draws + underTarget->updates + underTarget->draws, 0);
}

TEST(Node3DTree, GetNodeByNameShowsItsBox) {
    CapturedMessageBoxes boxes;
    Group3D root;
    root.addChild(makeNode(1), 0);
    root.getChild(0)->setName("x");
    EXPECT_EQ(root.getNodeByName("x"), nullptr);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "getNodebyname !!!");
    EXPECT_EQ(boxes.calls()[0].caption, "not implemented");
}

TEST(Node3DTree, CloneOfClassesWithoutInstancesIsNull) {
    Group3D root;
    root.addChild(makeNode(1), 0);
    EXPECT_EQ(root.clone(true), nullptr);
    EXPECT_EQ(root.clone(false), nullptr);
    Group3D dest;
    EXPECT_EQ(root.copyTreeTo(&dest), 1);
    EXPECT_EQ(dest.getChildCount(), 0);
}

TEST(Node3DState, PropertiesVisibilityNameAndKinds) {
    Node3D node;
    EXPECT_EQ(node.getKinds(), 0u);
    char name[8] = "colour";
    char value[8] = "red";
    node.addProperty(name, value);
    std::strcpy(name, "xxxxx");
    std::strcpy(value, "yyy");
    node.addProperty("colour", "blue");  // the first one wins
    ASSERT_NE(node.findProperty("colour"), nullptr);
    EXPECT_STREQ(node.findProperty("colour"), "red");
    EXPECT_EQ(node.findProperty("Colour"), nullptr);
    EXPECT_EQ(node.properties().count(), 1);

    EXPECT_TRUE(node.isVisible());
    node.setVisible(false);
    EXPECT_FALSE(node.isVisible());
    node.setVisible(true);
    EXPECT_TRUE(node.isVisible());

    std::string longName(400, 'n');
    node.setName(longName.c_str());
    EXPECT_EQ(std::strlen(node.getName()), size_t(kNodeNameCapacity - 1));

    Camera3D camera;
    EXPECT_STREQ(camera.getTypeName(), "Camera3D-Source");
    EXPECT_TRUE(camera.hasKind(kKindCameraBase));
    EXPECT_TRUE(camera.hasKind(kKindCamera));
    EXPECT_EQ(camera.getKinds(), 0x60u);
    EXPECT_FLOAT_EQ(camera.getFieldOfView(), 45.0f);
}

TEST(Node3DState, RotatePositionAboutPivot) {
    Node3D node;
    node.setPosition(2, 0, 0);
    node.rotatePositionAbout(Vector3(1, 0, 0), Vector3(0, 0, float(M_PI)));
    expectNear(node.getPosition(), 0, 0, 0);
}
