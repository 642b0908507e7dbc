// Node records: the kind-bit factory, load errors, and byte-identical save/load round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/pisse3d.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/material_library.h"
#include "scene/node_factory.h"
#include "scene/scene3d.h"
#include "scene/taper3d.h"
#include "scene/target3d.h"

namespace {

// A node record without properties or children.
void writeLeafRecord(PackWriter& w, int id, const char* name) {
    w.writeInt(0);
    w.writeInt(id);
    w.writeInt(0);
    w.writeInt(0);
    w.writeFloat(1.0f);
    w.writeString(name);
    for (float f : {1.0f, 2.0f, 3.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f}) w.writeFloat(f);
}

// Loads a Group3D from bytes; returns the reader's error ("" when sound).
std::string loadGroup(const std::vector<uint8_t>& bytes, Group3D& group, MaterialLibrary* materials = nullptr) {
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    group.load(reader, materials, nullptr);
    return reader.error();
}

std::vector<uint8_t> saveNode(Node3D& node) {
    PackWriter writer;
    writer.openMemory();
    node.save(writer, nullptr);
    return writer.bytes();
}

std::string typeOf(NodeKind kinds) {
    Node3D* node = createNodeFromKinds(kinds, nullptr, nullptr);
    std::string type = node ? node->getTypeName() : "(none)";
    delete node;
    return type;
}

}  // namespace

TEST(NodeFactory, MostDerivedKindWins) {
    EXPECT_EQ(typeOf(0x30), "Group3D");
    EXPECT_EQ(typeOf(0x60), "Camera3D-Source");
    EXPECT_EQ(typeOf(0x20), "(none)");  // an abstract camera alone
    EXPECT_EQ(typeOf(0x80), "Target3D");
    EXPECT_EQ(typeOf(0x400), "Taper3D ");
    EXPECT_EQ(typeOf(0x10 | 0x400), "Group3D");
    EXPECT_EQ(typeOf(0x80 | 0x40), "Target3D");
    EXPECT_EQ(typeOf(0), "(none)");
    EXPECT_EQ(typeOf(0x1003), "(none)");  // bits no class sets

    EXPECT_EQ(typeOf(0x0C), "StdMesh3D");
    EXPECT_EQ(typeOf(0x08), "StdMesh3D");
    EXPECT_EQ(typeOf(0x04), "(none)");
    EXPECT_EQ(typeOf(0x0C | 0x10), "StdMesh3D");
    EXPECT_EQ(typeOf(0x10C), "SeaMesh3D_FX");
    EXPECT_EQ(typeOf(0x20C), "MetaCube_FX");
    EXPECT_EQ(typeOf(0x300), "SeaMesh3D_FX");
    EXPECT_EQ(typeOf(0xC00), "Pisse3D");
    EXPECT_EQ(typeOf(0x810), "Group3D");
    EXPECT_EQ(factoryKindBit(0x20), -1);

    Node3D* group = createNodeFromKinds(0x30, nullptr, nullptr);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getKinds(), 0x10u);
    delete group;
}

TEST(NodeFactory, ParticleStreamGetsTheSpawnerOfTheSceneAtTheRoot) {
    // A stream two levels below the scene: the group that holds it is itself being read when the
    // stream is made, so it must already know its parent.
    PackWriter w;
    w.openMemory();
    writeLeafRecord(w, 1, "outer");
    w.writeInt(1);
    w.writeInt(1);
    w.writeInt(0x10);
    writeLeafRecord(w, 2, "inner");
    w.writeInt(1);
    w.writeInt(1);
    w.writeInt(0xC00);
    writeLeafRecord(w, 3, "stream");
    w.writeInt(0);

    Scene3D scene;
    auto* outer = new Group3D();
    scene.addChild(outer, 0);
    ASSERT_EQ(loadGroup(w.bytes(), *outer), "");
    auto* stream = dynamic_cast<Pisse3D*>(scene.findNodeById(3));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->getSpawner(), scene.getBodySpawner());

    Group3D notAScene;
    Node3D* orphan = createNodeFromKinds(0xC00, &notAScene, nullptr);
    ASSERT_NE(dynamic_cast<Pisse3D*>(orphan), nullptr);
    EXPECT_EQ(static_cast<Pisse3D*>(orphan)->getSpawner(), nullptr);
    delete orphan;
}

TEST(NodeRecord, LoadReadsEveryFieldAndAppendsChildrenInFileOrder) {
    PackWriter w;
    w.openMemory();
    w.writeInt(3);  // properties: a duplicate keeps the first value
    for (const char* s : {"cinetic_param", "fix", "mode", "a", "mode", "b"}) w.writeString(s);
    w.writeInt(11);     // id
    w.writeInt(-5);     // reserved
    w.writeInt(12);     // targetId
    w.writeFloat(0.25f);  // param
    w.writeString("root");
    for (float f : {1.0f, 2.0f, 3.0f, 0.0f, 0.0f, 0.0f, 1.0f, 2.0f, 2.0f, 2.0f}) w.writeFloat(f);
    w.writeInt(3);  // children
    w.writeInt(1);
    w.writeInt(0x60);
    writeLeafRecord(w, 20, "cam");
    w.writeInt(0);  // camera's children
    w.writeFloat(90.0f);
    w.writeInt(2);  // a kind count of 2: only the first word is used
    w.writeInt(0x80);
    w.writeInt(0x7FFFFFFF);
    writeLeafRecord(w, 21, "target");
    w.writeInt(0);
    w.writeInt(1);
    w.writeInt(0x10);
    writeLeafRecord(w, 22, "group");
    w.writeInt(1);
    w.writeInt(1);
    w.writeInt(0x400);
    writeLeafRecord(w, 23, "taper");
    w.writeInt(0);

    Group3D root;
    ASSERT_EQ(loadGroup(w.bytes(), root), "");
    EXPECT_EQ(root.getId(), 11);
    EXPECT_EQ(root.getReserved(), -5);
    EXPECT_EQ(root.getTargetId(), 12);
    EXPECT_FLOAT_EQ(root.getParam(), 0.25f);
    EXPECT_STREQ(root.getName(), "root");
    EXPECT_STREQ(root.findProperty("cinetic_param"), "fix");
    EXPECT_STREQ(root.findProperty("mode"), "a");
    EXPECT_EQ(root.properties().count(), 2);
    EXPECT_TRUE(root.usesQuaternion());
    EXPECT_FLOAT_EQ(root.getScale().y, 2.0f);

    ASSERT_EQ(root.getChildCount(), 3);
    auto* camera = dynamic_cast<Camera3D*>(root.getChild(0));
    ASSERT_NE(camera, nullptr);
    EXPECT_FLOAT_EQ(camera->getFieldOfView(), 90.0f);
    EXPECT_STREQ(root.getChild(1)->getTypeName(), "Target3D");
    EXPECT_STREQ(root.getChild(2)->getTypeName(), "Group3D");
    Node3D* taper = root.findNodeById(23);
    ASSERT_NE(taper, nullptr);
    EXPECT_EQ(taper->getParent(), root.getChild(2));
    EXPECT_EQ(taper->getRoot(), &root);
    // World position of the taper: its (1,2,3) moved by the group's (1,2,3), then scaled by the
    // root's 2 and moved by the root's (1,2,3).
    Vector3 p = taper->getWorldPosition();
    EXPECT_FLOAT_EQ(p.x, 1 + 2 * (1 + 1));
    EXPECT_FLOAT_EQ(p.z, 3 + 2 * (3 + 3));
}

TEST(NodeRecord, BadChildRecordsAreLoadErrors) {
    struct Case {
        int32_t wordCount;
        int32_t kinds;
        const char* expected;
    };
    for (const Case& c : {Case{0, 0x10, "bad node kind word count 0"}, Case{65, 0x10, "bad node kind word count 65"},
                          Case{-1, 0x10, "bad node kind word count -1"}, Case{1, 0x20, "unknown node kind 0x20"},
                          Case{1, 0x1000, "unknown node kind 0x1000"}}) {
        PackWriter w;
        w.openMemory();
        writeLeafRecord(w, 1, "root");
        w.writeInt(1);
        w.writeInt(c.wordCount);
        w.writeInt(c.kinds);
        writeLeafRecord(w, 2, "child");
        w.writeInt(0);
        Group3D root;
        std::string error = loadGroup(w.bytes(), root);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(root.getChildCount(), 0);
    }

    // A name of 255 characters does not fit the 254-character field.
    PackWriter w;
    w.openMemory();
    writeLeafRecord(w, 1, std::string(255, 'x').c_str());
    w.writeInt(0);
    Group3D root;
    EXPECT_NE(loadGroup(w.bytes(), root), "");

    // A truncated record fails instead of inventing data.
    PackWriter t;
    t.openMemory();
    writeLeafRecord(t, 1, "root");
    t.writeInt(2);
    t.writeInt(1);
    t.writeInt(0x10);
    std::vector<uint8_t> bytes = t.bytes();
    Group3D truncated;
    EXPECT_NE(loadGroup(bytes, truncated), "");
}

TEST(NodeRecord, DeeplyNestedRecordsFailInsteadOfExhaustingTheStack) {
    PackWriter w;
    w.openMemory();
    for (int i = 0; i < 5000; ++i) {
        writeLeafRecord(w, i, "g");
        w.writeInt(1);
        w.writeInt(1);
        w.writeInt(0x10);
    }
    Group3D root;
    std::string error = loadGroup(w.bytes(), root);
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
}

TEST(NodeRecord, SaveThenLoadIsByteIdentical) {
    Group3D root;
    root.setId(1);
    root.setName("The Scene");
    root.addProperty("cinetic_param", "fix");
    root.addProperty("empty", "");
    root.setPosition(1.5f, -2, 3);
    root.setQuaternion(Quaternion(0, 0.6f, 0, 0.8f));
    root.setScale(1, 2, 3);
    root.setParam(0.5f);
    root.setTargetId(77);
    root.setReserved(-3);

    auto* camera = new Camera3D();
    camera->setId(2);
    camera->setFieldOfView(60);
    camera->setName("camera");
    root.addChild(camera, 0);
    auto* group = new Group3D();
    group->setId(3);
    root.addChild(group, 0);
    auto* target = new Target3D();
    target->setId(4);
    target->addProperty("k", "v");
    group->addChild(target, 0);
    auto* taper = new Taper3D();
    taper->setId(5);
    group->addChild(taper, 0);
    auto* hidden = new Target3D();  // kept though never updated: under a camera
    hidden->setId(6);
    camera->addChild(hidden, 0);

    std::vector<uint8_t> first = saveNode(root);
    MaterialLibrary materials(1000);
    Group3D loaded;
    ASSERT_EQ(loadGroup(first, loaded, &materials), "");
    std::vector<uint8_t> second = saveNode(loaded);
    EXPECT_EQ(first, second);

    ASSERT_NE(loaded.findNodeById(6), nullptr);
    EXPECT_EQ(loaded.findNodeById(6)->getParent(), loaded.getChild(0));
    EXPECT_FLOAT_EQ(dynamic_cast<Camera3D*>(loaded.getChild(0))->getFieldOfView(), 60.0f);
    EXPECT_STREQ(loaded.findNodeById(4)->findProperty("k"), "v");
    EXPECT_STREQ(loaded.getName(), "The Scene");
    EXPECT_TRUE(loaded.getWorldMatrix().equals(root.getWorldMatrix()));
}
