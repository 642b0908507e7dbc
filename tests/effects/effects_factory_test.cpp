// Sea and metaball nodes inside a node tree: created from their kind bits while the parent's
// record is read, and written back byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "effects/effects_support.h"
#include "fx/meta_cube_fx.h"
#include "fx/sea_mesh3d_fx.h"
#include "scene/material_library.h"

namespace {

TEST(EffectsInATree, FactoryCreatesBothEffectsAndTheTreeRoundTrips) {
    // The parent's record ends with its child count (0): replace it by 2 and append the
    // children, each as (1, kind word, record).
    Node3D parent;
    parent.setQuaternion(Quaternion(0, 0, 0, 1));
    const std::vector<uint8_t> head = savedBytes(parent, nullptr);
    const std::vector<uint8_t> sea = SeaRecord().bytes(), meta = metaBytes(Vector3(0, 0, 0), 10, 32);
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
    ASSERT_EQ(loadFrom(loaded, w.bytes(), &library), "");
    ASSERT_EQ(loaded.getChildCount(), 2);
    EXPECT_STREQ(loaded.getChild(0)->getTypeName(), "SeaMesh3D_FX");
    EXPECT_STREQ(loaded.getChild(1)->getTypeName(), "MetaCube_FX");
    EXPECT_EQ(loaded.findNodeById(32), loaded.getChild(1));
    EXPECT_EQ(library.loadedCount(), 12);  // 500 .. 505 and 510 .. 515
    EXPECT_EQ(static_cast<MetaCube_FX*>(loaded.getChild(1))->field()->ballCount(), 1);
    EXPECT_EQ(savedBytes(loaded, &library), w.bytes());
}

}  // namespace
