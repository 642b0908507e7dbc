// The physics record finds the nodes its body records name through an index of the scene tree
// built once: never by a search of the tree per record, and with the node that findNodeById
// would give (the first in depth-first child order when ids repeat).
#include <gtest/gtest.h>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/rigid_body.h"
#include "mesh/std_mesh3d.h"
#include "scene/group3d.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "support/captured_message_boxes.h"

namespace {

// A scene that counts the searches of its tree.
class CountingScene : public Scene3D {
public:
    Node3D* findNodeById(int id) override {
        ++searches;
        return Scene3D::findNodeById(id);
    }
    long searches = 0;
};

StdMesh3D* meshWithId(int id) {
    auto* mesh = new StdMesh3D();
    const Vector3 corner(1, 1, 1);
    const Vector3* points[] = {&corner};
    mesh->copyPoints(1, points);
    mesh->setId(id);
    return mesh;
}

}  // namespace

TEST(ScenePhysicsLookup, BodyRecordsFindTheirNodesWithoutSearchingTheTree) {
    CapturedMessageBoxes boxes;
    CountingScene scene;
    // 1,000 groups, each holding a mesh: group i has id i, its mesh id 1000 + i. Mesh 1005
    // appears twice: first deep inside group 5, then as a direct child of the scene.
    for (int i = 0; i < 1000; ++i) {
        auto* group = new Group3D();
        group->setId(i);
        group->addChild(meshWithId(1000 + i), 0);
        scene.addChild(group, 0);
    }
    StdMesh3D* second = meshWithId(1005);
    scene.addChild(second, 0);
    PackWriter w;
    w.openMemory();
    w.writeInt(5000);
    w.writeInt(0);
    for (float f : {0.1f, 0.2f, -0.001f, 0.0f}) w.writeFloat(f);
    for (int r = 0; r < 5000; ++r) {
        w.writeInt(5);  // a free mesh body
        w.writeInt(1000 + r % 1000);
    }
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    ScenePhysics physics(&scene);
    physics.load(reader);
    ASSERT_FALSE(reader.failed()) << reader.error();
    EXPECT_EQ(scene.searches, 0);
    ASSERT_EQ(physics.records().size(), 5000u);
    for (size_t r = 0; r < 5000; ++r) {
        const ScenePhysics::Record& record = physics.records()[r];
        ASSERT_NE(record.body, nullptr) << r;
        EXPECT_EQ(record.body->getNode(), scene.Scene3D::findNodeById(record.nodeId)) << r;
    }
    EXPECT_NE(physics.records()[5].body->getNode(), second);  // the first in depth-first order
    EXPECT_TRUE(boxes.calls().empty());
}
