// Node records: the kind-bit factory, load errors, and byte-identical save/load round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "fx/sea_mesh3d_fx.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/material_library.h"
#include "scene/node_factory.h"
#include "scene/scene3d.h"
#include "scene/taper3d.h"
#include "scene/target3d.h"
#include "support/node_records.h"

namespace {

// A node record without properties at (1, 2, 3); the child count is written by the caller.
void writeLeafRecord(PackWriter& w, int id, const char* name) { records::nodeHead(w, {id, name, Vector3(1, 2, 3), {}, 0, 0}); }

// Loads a Group3D from bytes; returns the reader's error ("" when sound and read to its end).
std::string loadGroup(const std::vector<uint8_t>& bytes, Group3D& group, MaterialLibrary* materials = nullptr) {
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    group.load(reader, materials, nullptr);
    if (!reader.failed() && reader.offset() != bytes.size()) return "record not read to its end";
    return reader.error();
}

}  // namespace

TEST(NodeFactory, MostDerivedKindWinsOnCombinedBits) {
    const std::pair<NodeKind, const char*> cases[] = {
        {0x30, "Group3D"},  {0x60, "Camera3D-Source"}, {0x20, "(none)"},     {0x80, "Target3D"},
        {0x400, "Taper3D "}, {0x410, "Group3D"},       {0xC0, "Target3D"},   {0, "(none)"},
        {0x1003, "(none)"}, {0x0C, "StdMesh3D"},       {0x08, "StdMesh3D"},  {0x04, "(none)"},
        {0x1C, "StdMesh3D"}, {0x10C, "SeaMesh3D_FX"},  {0x20C, "MetaCube_FX"}, {0x300, "SeaMesh3D_FX"},
        {0xC00, "Pisse3D"}, {0x810, "Group3D"}};
    for (const auto& [kinds, type] : cases) {
        SCOPED_TRACE(kinds);
        Node3D* node = createNodeFromKinds(kinds, nullptr, nullptr);
        EXPECT_EQ(node ? std::string(node->getTypeName()) : "(none)", type);
        delete node;
    }
}

TEST(NodeFactory, ParticleStreamGetsTheSpawnerOfTheSceneAtTheRoot) {
    // A stream two levels below the scene: the group that holds it is itself being read when the
    // stream is made, so it must already know its parent.
    PackWriter w;
    w.openMemory();
    writeLeafRecord(w, 1, "outer");
    for (int v : {1, 1, 0x10}) w.writeInt(v);  // one child of one kind word
    writeLeafRecord(w, 2, "inner");
    for (int v : {1, 1, 0xC00}) w.writeInt(v);
    writeLeafRecord(w, 3, "stream");
    w.writeInt(0);

    Scene3D scene;
    auto* outer = new Group3D();
    scene.addChild(outer, 0);
    ASSERT_EQ(loadGroup(w.bytes(), *outer), "");
    auto* stream = dynamic_cast<Pisse3D*>(scene.findNodeById(3));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->getSpawner(), scene.getBodySpawner());
}

TEST(NodeRecord, KindWordCountsAndUnknownKinds) {
    struct Case {
        int32_t wordCount;
        std::vector<int32_t> words;
        const char* error;  // "" when the child loads
    };
    // A kind word with none of the factory's bits (an abstract camera, an unused bit) makes
    // nothing and has no record: the next child's kind words follow, here a target's.
    const Case cases[] = {{0, {0x10}, "bad node kind word count 0"},
                          {65, {0x10}, "bad node kind word count 65"},
                          {-1, {0x10}, "bad node kind word count -1"},
                          {1, {0x20}, ""},
                          {1, {0x1000}, ""},
                          {2, {0x80, 0x7FFFFFFF}, ""}};  // only the first word is used
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wordCount);
        const bool unknown = c.words[0] == 0x20 || c.words[0] == 0x1000;
        PackWriter w;
        w.openMemory();
        writeLeafRecord(w, 1, "root");
        w.writeInt(unknown ? 2 : 1);
        w.writeInt(c.wordCount);
        for (int32_t word : c.words) w.writeInt(word);
        if (unknown) {
            for (int32_t v : {1, 0x80}) w.writeInt(v);
        }
        writeLeafRecord(w, 2, "child");
        w.writeInt(0);
        Group3D root;
        std::string error = loadGroup(w.bytes(), root);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        ASSERT_EQ(root.getChildCount(), *c.error ? 0 : 1);
        if (!*c.error) {
            EXPECT_EQ(error, "");
            EXPECT_STREQ(root.getChild(0)->getTypeName(), "Target3D");
        }
    }
}

TEST(NodeRecord, OverlongNamesTruncatedOrDeeplyNestedRecordsFail) {
    PackWriter name;  // 255 characters do not fit the 254-character field
    name.openMemory();
    writeLeafRecord(name, 1, std::string(255, 'x').c_str());
    name.writeInt(0);
    Group3D a;
    EXPECT_NE(loadGroup(name.bytes(), a), "");

    PackWriter truncated;  // a child announced but missing fails instead of inventing data
    truncated.openMemory();
    writeLeafRecord(truncated, 1, "root");
    for (int v : {2, 1, 0x10}) truncated.writeInt(v);
    Group3D b;
    EXPECT_NE(loadGroup(truncated.bytes(), b), "");

    PackWriter deep;  // fails instead of exhausting the stack
    deep.openMemory();
    for (int i = 0; i < 5000; ++i) {
        writeLeafRecord(deep, i, "g");
        for (int v : {1, 1, 0x10}) deep.writeInt(v);
    }
    Group3D c;
    std::string error = loadGroup(deep.bytes(), c);
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;

    // A chain of 256 records is the deepest that loads.
    auto chain = [](int levels) {
        PackWriter w;
        w.openMemory();
        for (int i = 0; i < levels; ++i) {
            writeLeafRecord(w, i, "g");
            if (i + 1 < levels)
                for (int v : {1, 1, 0x10}) w.writeInt(v);
            else
                w.writeInt(0);
        }
        return w.bytes();
    };
    Group3D deepest, tooDeep;
    EXPECT_EQ(loadGroup(chain(256), deepest), "");
    EXPECT_NE(loadGroup(chain(257), tooDeep).find("nested too deeply"), std::string::npos);
}

TEST(NodeRecord, SaveThenLoadOfASceneTreeIsByteIdentical) {
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
    auto add = [](Node3D* parent, Node3D* child, int id) {
        child->setId(id);
        parent->addChild(child, 0);
        return child;
    };
    auto* camera = static_cast<Camera3D*>(add(&root, new Camera3D(), 2));
    camera->setFieldOfView(60);
    camera->setName("camera");
    Node3D* group = add(&root, new Group3D(), 3);
    add(group, new Target3D(), 4)->addProperty("k", "v");
    Node3D* taper = add(group, new Taper3D(), 5);
    taper->setPosition(1, 2, 3);
    add(camera, new Target3D(), 6);  // kept though never updated: under a camera

    PackWriter first;
    first.openMemory();
    root.save(first, nullptr);
    MaterialLibrary materials(1000);
    Group3D loaded;
    ASSERT_EQ(loadGroup(first.bytes(), loaded, &materials), "");
    PackWriter second;
    second.openMemory();
    loaded.save(second, nullptr);
    EXPECT_EQ(first.bytes(), second.bytes());

    // Equal bytes mean every field was read; the tree is also rebuilt in the same shape.
    ASSERT_EQ(loaded.getChildCount(), 2);
    EXPECT_EQ(loaded.findNodeById(6)->getParent(), loaded.getChild(0));
    Node3D* loadedTaper = loaded.findNodeById(5);
    ASSERT_NE(loadedTaper, nullptr);
    EXPECT_STREQ(loadedTaper->getTypeName(), "Taper3D ");
    EXPECT_TRUE(loadedTaper->getWorldMatrix().equals(taper->getWorldMatrix()));
}

// Sea and metaball nodes inside a tree: created from their kind bits while the parent's record is
// read, and written back byte for byte.
TEST(NodeFactory, EffectNodesInATreeRoundTrip) {
    // The parent's record ends with its child count (0): replace it by 2 and append the
    // children, each as (1, kind word, record).
    Node3D parent;
    parent.setQuaternion(Quaternion(0, 0, 0, 1));
    const std::vector<uint8_t> head = records::savedBytes(parent, nullptr);
    const std::vector<uint8_t> sea = records::SeaRecord().bytes(), meta = records::metaBytes(Vector3(0, 0, 0), 10, 32);
    PackWriter w;
    w.openMemory();
    w.writeBytes(head.data(), head.size() - 4);
    w.writeInt(2);
    w.writeInt(1);
    w.writeInt(0x100);
    w.writeBytes(sea.data(), sea.size());
    w.writeInt(1);
    w.writeInt(0x200);
    w.writeBytes(meta.data(), meta.size());

    MaterialLibrary library(1000);
    Node3D loaded;
    ASSERT_EQ(records::loadFrom(loaded, w.bytes(), &library), "");
    ASSERT_EQ(loaded.getChildCount(), 2);
    EXPECT_STREQ(loaded.getChild(0)->getTypeName(), "SeaMesh3D_FX");
    EXPECT_STREQ(loaded.getChild(1)->getTypeName(), "MetaCube_FX");
    EXPECT_EQ(loaded.findNodeById(32), loaded.getChild(1));
    EXPECT_EQ(library.loadedCount(), 12);  // 500 .. 505 and 510 .. 515
    EXPECT_EQ(static_cast<MetaCube_FX*>(loaded.getChild(1))->field()->ballCount(), 1);
    EXPECT_EQ(records::savedBytes(loaded, &library), w.bytes());
}
