// MaterialLibrary: status codes, bounds and records.
#include <gtest/gtest.h>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/material.h"
#include "scene/material_library.h"

TEST(MaterialLibrary, StatusCodesBoundsAndRecords) {
    MaterialLibrary library(1000);
    Material duplicate(600, ColorRGB(0, 1, 0)), low(-1, ColorRGB(0, 0, 0)), high(1000, ColorRGB(0, 0, 0));
    EXPECT_EQ(library.add(new Material(600, ColorRGB(1, 0, 0))), 0);
    EXPECT_EQ(library.add(&duplicate), 4);
    EXPECT_EQ(library.add(&low), 1);
    EXPECT_EQ(library.add(&high), 1);
    const std::pair<int, int> misses[] = {{601, 4}, {1000, 1}, {-7, 1}};
    for (const auto& [id, expected] : misses) {
        int status = 0;
        EXPECT_EQ(library.find(id, &status), nullptr) << id;
        EXPECT_EQ(status, expected) << id;
    }

    // Load clears the library, drops a duplicate (the first stays) and an id out of range.
    PackWriter w;
    w.openMemory();
    for (int32_t v : {4, 5, 0x00FF8000, 2, 0x000000FF, 5, 0x00FFFFFF, 5000, 0}) w.writeInt(v);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    library.load(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(library.loadedCount(), 2);
    int status = 0;
    EXPECT_EQ(library.find(600, &status), nullptr);
    ASSERT_NE(library.find(5, &status), nullptr);
    EXPECT_EQ(library.find(5, &status)->getColour().pack(), 0x00FF8000);

    PackWriter negative;
    negative.openMemory();
    negative.writeInt(-2);
    PackReader nr;
    nr.openMemory(negative.bytes().data(), negative.bytes().size());
    library.load(nr);
    EXPECT_TRUE(nr.failed());
}
