// Sea and metaball nodes inside a node tree: created from their kind bits while the parent's
// record is read, and written back byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/meta_cube_fx.h"
#include "fx/sea_mesh3d_fx.h"
#include "scene/material_library.h"

namespace {

TEST(EffectsInATree, FactoryCreatesBothEffectsAndTheTreeRoundTrips) {
    // Sea record: node part (no children), then its own fields.
    PackWriter seaRecord;
    seaRecord.openMemory();
    Node3D seaNode;
    seaNode.setId(31);
    seaNode.setQuaternion(Quaternion(0, 0, 0, 1));
    seaNode.save(seaRecord, nullptr);
    for (float v : {0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 12.f, 0.5f, 12.f, 2.f, 2.f, 3.f}) seaRecord.writeFloat(v);
    seaRecord.writeInt(4);
    seaRecord.writeInt(0x406080);
    // Metaball record: its own fields, then the node part.
    PackWriter metaRecord;
    metaRecord.openMemory();
    for (int i = 0; i < 9; ++i) metaRecord.writeFloat(static_cast<float>(i));
    for (int i = 0; i < 3; ++i) metaRecord.writeFloat(10);
    Node3D metaNode;
    metaNode.setId(32);
    metaNode.setQuaternion(Quaternion(0, 0, 0, 1));
    metaNode.save(metaRecord, nullptr);

    // Parent record with the two children, kind words as the files hold them.
    Node3D parent;
    parent.setQuaternion(Quaternion(0, 0, 0, 1));
    PackWriter head;
    head.openMemory();
    parent.save(head, nullptr);
    // The parent's record ends with its child count (0): replace it by 2 and append the children.
    PackWriter w;
    w.openMemory();
    w.writeBytes(head.bytes().data(), head.bytes().size() - 4);
    w.writeInt(2);
    w.writeInt(1);
    w.writeInt(0x100);
    w.writeBytes(seaRecord.bytes().data(), seaRecord.bytes().size());
    w.writeInt(1);
    w.writeInt(0x200);
    w.writeBytes(metaRecord.bytes().data(), metaRecord.bytes().size());

    MaterialLibrary library(1000);
    Node3D loaded;
    PackReader reader;
    reader.openMemory(w.bytes().data(), w.bytes().size());
    loaded.load(reader, &library, nullptr);
    ASSERT_FALSE(reader.failed()) << reader.error();
    EXPECT_EQ(reader.offset(), w.bytes().size());
    ASSERT_EQ(loaded.getChildCount(), 2);
    EXPECT_STREQ(loaded.getChild(0)->getTypeName(), "SeaMesh3D_FX");
    EXPECT_STREQ(loaded.getChild(1)->getTypeName(), "MetaCube_FX");
    EXPECT_EQ(loaded.findNodeById(32), loaded.getChild(1));
    EXPECT_EQ(library.loadedCount(), 12);  // 500 .. 505 and 510 .. 515
    EXPECT_EQ(static_cast<MetaCube_FX*>(loaded.getChild(1))->field()->ballCount(), 1);

    PackWriter again;
    again.openMemory();
    loaded.save(again, &library);
    EXPECT_EQ(again.bytes(), w.bytes());
}

}  // namespace
