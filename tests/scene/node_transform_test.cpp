// Node3D's local matrix is scale, then rotation, then translation: checked with a scale that
// differs per axis, where the order of scale and rotation shows.
#include <gtest/gtest.h>

#include "scene/node3d.h"

TEST(NodeTransform, LocalMatrixScalesBeforeItRotates) {
    Node3D node;
    node.setScale(2, 1, 1);
    node.setRotation(0, 0, 1.5707964f);  // a quarter turn about z: (1, 0, 0) goes to (0, 1, 0)
    node.setPosition(5, 0, 0);
    const Matrix4 m = node.getLocalMatrix();
    // (1, 0, 0): scaled to (2, 0, 0), turned to (0, 2, 0), moved to (5, 2, 0).
    const Vector3 a = Vector3(1, 0, 0).transformPoint(m);
    EXPECT_NEAR(a.x, 5.0f, 1e-5f);
    EXPECT_NEAR(a.y, 2.0f, 1e-5f);
    EXPECT_NEAR(a.z, 0.0f, 1e-5f);
    // (0, 1, 0): not scaled, turned to (-1, 0, 0), moved to (4, 0, 0).
    const Vector3 b = Vector3(0, 1, 0).transformPoint(m);
    EXPECT_NEAR(b.x, 4.0f, 1e-5f);
    EXPECT_NEAR(b.y, 0.0f, 1e-5f);
    EXPECT_NEAR(b.z, 0.0f, 1e-5f);
}
