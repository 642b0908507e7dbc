// MaterialLibrary: status codes, ownership and records.
#include <gtest/gtest.h>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/material.h"
#include "scene/material_library.h"

TEST(MaterialLibrary, AddAndFindStatusCodes) {
    MaterialLibrary library(1000);
    Material* m = new Material(600, ColorRGB(1, 0, 0));
    EXPECT_EQ(library.add(m), 0);
    Material duplicate(600, ColorRGB(0, 1, 0));
    EXPECT_EQ(library.add(&duplicate), 4);
    Material low(-1, ColorRGB(0, 0, 0));
    Material high(1000, ColorRGB(0, 0, 0));
    EXPECT_EQ(library.add(&low), 1);
    EXPECT_EQ(library.add(&high), 1);
    EXPECT_EQ(library.loadedCount(), 1);

    int status = 0;
    EXPECT_EQ(library.find(600, &status), m);
    EXPECT_EQ(status, 0);  // untouched on success
    EXPECT_EQ(library.find(601, &status), nullptr);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(library.find(1000, &status), nullptr);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(library.find(-7, &status), nullptr);
    EXPECT_EQ(status, 1);

    library.clear();
    EXPECT_EQ(library.loadedCount(), 0);
    EXPECT_EQ(library.find(600, &status), nullptr);
    EXPECT_EQ(status, 4);
}

TEST(MaterialLibrary, LoadDropsRejectedMaterialsAndSaveMirrorsIt) {
    PackWriter w;
    w.openMemory();
    w.writeInt(4);
    w.writeInt(5);
    w.writeInt(0x00FF8000);
    w.writeInt(2);
    w.writeInt(0x000000FF);
    w.writeInt(5);  // duplicate: dropped, the first stays
    w.writeInt(0x00FFFFFF);
    w.writeInt(5000);  // out of range: dropped
    w.writeInt(0);

    MaterialLibrary library(1000);
    library.add(new Material(9, ColorRGB(0, 0, 0)));  // cleared by load
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    library.load(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(library.loadedCount(), 2);
    int status = 0;
    EXPECT_EQ(library.find(9, &status), nullptr);
    ASSERT_NE(library.find(5, &status), nullptr);
    EXPECT_EQ(library.find(5, &status)->getColour().pack(), 0x00FF8000);

    // Saved in slot order: 2 before 5.
    PackWriter out;
    out.openMemory();
    library.save(out);
    PackWriter expected;
    expected.openMemory();
    expected.writeInt(2);
    expected.writeInt(2);
    expected.writeInt(0x000000FF);
    expected.writeInt(5);
    expected.writeInt(0x00FF8000);
    EXPECT_EQ(out.bytes(), expected.bytes());

    PackWriter negative;
    negative.openMemory();
    negative.writeInt(-2);
    PackReader nr;
    nr.openMemory(negative.bytes().data(), negative.bytes().size());
    library.load(nr);
    EXPECT_TRUE(nr.failed());
}
