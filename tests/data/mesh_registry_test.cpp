// MeshRegistry: record layout, duplicate keys with their log lines, bounded descriptions,
// rejected malformed records, truncation, and byte-identical save/load round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"

namespace {

struct Record {
    int32_t tag;
    std::string key;
    std::string name;
    std::vector<float> xyz;                // 3 floats per point
    std::vector<std::vector<int32_t>> faces;  // point indices per face
};

void writeRecord(PackWriter& w, const Record& r) {
    w.writeInt(r.tag);
    w.writeString(r.key.c_str());
    w.writeString(r.name.c_str());
    w.writeInt(static_cast<int32_t>(r.xyz.size() / 3));
    for (float f : r.xyz) w.writeFloat(f);
    w.writeInt(static_cast<int32_t>(r.faces.size()));
    for (const auto& face : r.faces) {
        w.writeInt(static_cast<int32_t>(face.size()));
        for (int32_t i : face) w.writeInt(i);
    }
}

std::vector<uint8_t> section(const std::vector<Record>& records) {
    PackWriter w;
    w.openMemory();
    w.writeInt(static_cast<int32_t>(records.size()));
    for (const Record& r : records) writeRecord(w, r);
    return w.bytes();
}

Record box(const std::string& key, float offset = 0.0f) {
    return Record{7,
                  key,
                  "display " + key,
                  {0, 0, 0, 1, 0, 0, 1, 1, 0, offset, 1, 0},
                  {{0, 1, 2}, {0, 2, 3}, {}, {3, 2, 1, 0}}};
}

// Captures what the registry writes to its log; the registry closes the stream itself.
struct MemoryLog {
    char* data = nullptr;
    size_t size = 0;
    FILE* open() { return open_memstream(&data, &size); }
    std::string text() const { return data ? std::string(data, size) : std::string(); }
    ~MemoryLog() { std::free(data); }
};

}  // namespace

TEST(MeshRegistry, LoadsRecordsAndKeepsFirstOfDuplicateKeys) {
    const std::vector<uint8_t> bytes = section({box("Box"), box("box"), box("Box", 5.0f)});
    PackReader r;
    r.openMemory(bytes.data(), bytes.size());
    MemoryLog log;
    {
        MeshRegistry reg;
        reg.setLog(log.open());
        EXPECT_EQ(reg.loadEntries(r), 0);
        EXPECT_FALSE(r.failed()) << r.error();
        EXPECT_EQ(r.offset(), bytes.size());
        ASSERT_EQ(reg.entries().count(), 2);
        MESH3D_ENTRY* e = reg.findByKey("Box");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->getPoints()[3].x, 0.0f);  // the first record's data
        EXPECT_NE(reg.findByKey("box"), e);
        EXPECT_EQ(reg.findByKey("BOX"), nullptr);
        EXPECT_EQ(e->tag, 7);
        EXPECT_STREQ(e->getName(), "display Box");
        ASSERT_EQ(e->getNbPts(), 4);
        ASSERT_EQ(e->getNbFaces(), 4);
        EXPECT_EQ(e->getFaces()[0][0], 3);
        EXPECT_EQ(e->getFaces()[0][3], 2);
        EXPECT_EQ(e->getFaces()[2][0], 0);  // an empty face is [0]
        EXPECT_EQ(e->getFaces()[3][4], 0);
        EXPECT_EQ(reg.addEntry(new MESH3D_ENTRY()), 0);  // empty key is a key too
        auto* dup = new MESH3D_ENTRY();
        EXPECT_EQ(reg.addEntry(dup), 4);
        delete dup;
    }
    const char* d1 = "key:Box name:display Box nbPts:4 nbFaces:4";
    const char* d2 = "key:box name:display box nbPts:4 nbFaces:4";
    EXPECT_EQ(log.text(), std::string("READ MESH3D_ENTRY FROM DISK:") + d1 + "\n" +
                              "READ MESH3D_ENTRY FROM DISK:" + d2 + "\n" + "READ MESH3D_ENTRY FROM DISK:" + d1 +
                              "\n" + "WARNING !!!! MESH3D_ENTRY WAS ALREADY IN MEMORY :" + d1 + "\n");
}

TEST(MeshRegistry, EmptySectionAndLongestNames) {
    const std::vector<uint8_t> empty = section({});
    PackReader r;
    r.openMemory(empty.data(), empty.size());
    MeshRegistry reg;
    reg.loadEntries(r);
    EXPECT_EQ(reg.entries().count(), 0);
    EXPECT_EQ(r.offset(), 4u);

    Record longest = box(std::string(199, 'k'));
    longest.name = std::string(199, 'n');
    const std::vector<uint8_t> bytes = section({longest});
    PackReader r2;
    r2.openMemory(bytes.data(), bytes.size());
    MeshRegistry reg2;
    reg2.loadEntries(r2);
    ASSERT_FALSE(r2.failed()) << r2.error();
    MESH3D_ENTRY* e = reg2.findByKey(longest.key.c_str());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::strlen(e->getName()), 199u);
    struct {
        char text[kMeshKeyCapacity];
        char guard[16];
    } out;
    std::memset(&out, '#', sizeof out);
    e->describe(out.text, sizeof out.text);
    EXPECT_EQ(std::strlen(out.text), 199u);
    EXPECT_EQ(std::string(out.text, 8), "key:kkkk");
    EXPECT_EQ(std::string(out.guard, 16), std::string(16, '#'));
}

TEST(MeshRegistry, MalformedRecordsAreLoadErrors) {
    struct Case {
        const char* label;
        Record record;
        const char* expected;
    };
    std::vector<Case> cases;
    Record index = box("A");
    index.faces[1] = {0, 4, 1};  // 4 == nbPts
    cases.push_back({"index", index, "face point index 4 outside 0..3"});
    Record negative = box("B");
    negative.faces[0] = {0, -1, 2};
    cases.push_back({"negative index", negative, "face point index -1"});
    Record corners = box("C");
    corners.faces[0] = std::vector<int32_t>(11, 0);
    cases.push_back({"corners", corners, "bad count 11"});
    Record longKey = box(std::string(200, 'k'));
    cases.push_back({"long key", longKey, "string of 200 bytes"});
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = section({box("first"), c.record, box("after")});
        PackReader r;
        r.openMemory(bytes.data(), bytes.size(), "data.pak");
        MeshRegistry reg;
        reg.loadEntries(r);
        EXPECT_TRUE(r.failed()) << c.label;
        EXPECT_NE(r.error().find(c.expected), std::string::npos) << c.label << ": " << r.error();
        EXPECT_EQ(reg.entries().count(), 1) << c.label;  // only the complete record before it
        EXPECT_EQ(reg.findByKey("after"), nullptr);
    }

    // Counts: negative or beyond the bounds fail before anything is allocated for them.
    for (int32_t count : {-1, kMeshMaxPoints + 1, 0x7FFFFFFF}) {
        PackWriter w;
        w.openMemory();
        w.writeInt(1);
        w.writeInt(0);
        w.writeString("k");
        w.writeString("n");
        w.writeInt(count);
        PackReader r;
        r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
        MeshRegistry reg;
        reg.loadEntries(r);
        EXPECT_EQ(r.error(), "data.pak: bad count " + std::to_string(count) + " at byte " +
                                 std::to_string(w.bytes().size()) + " while reading mesh points");
    }
    // A large count that the stream cannot back is a truncation, not a huge allocation.
    PackWriter w;
    w.openMemory();
    w.writeInt(1000000);  // entries
    w.writeInt(0);
    w.writeString("k");
    w.writeString("n");
    w.writeInt(kMeshMaxPoints);
    w.writeFloat(1.0f);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry reg;
    reg.loadEntries(r);
    EXPECT_NE(r.error().find("truncated"), std::string::npos);
    EXPECT_NE(r.error().find("a mesh point"), std::string::npos);
    EXPECT_EQ(reg.entries().count(), 0);
}

TEST(MeshRegistry, TruncationAtEveryOffset) {
    const std::vector<uint8_t> full = section({box("one"), box("two")});
    const size_t firstEnd = section({box("one")}).size();
    for (size_t cut = 0; cut < full.size(); ++cut) {
        std::vector<uint8_t> bytes(full.begin(), full.begin() + static_cast<long>(cut));
        PackReader r;
        r.openMemory(bytes.data(), bytes.size(), "data.pak");
        MeshRegistry reg;
        reg.loadEntries(r);
        ASSERT_TRUE(r.failed()) << cut;
        EXPECT_NE(r.error().find("truncated"), std::string::npos) << r.error();
        EXPECT_EQ(reg.entries().count(), cut >= firstEnd ? 1 : 0) << cut;
    }
}

TEST(MeshRegistry, SaveLoadRoundTripIsByteIdentical) {
    Record odd = box("odd");
    odd.tag = -42;
    odd.xyz = {1.5f, -0.0f, 3.25e-20f};
    odd.faces = {{0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    const std::vector<uint8_t> original = section({box("a"), odd, box("")});
    std::vector<uint8_t> current = original;
    for (int round = 0; round < 2; ++round) {
        PackReader r;
        r.openMemory(current.data(), current.size());
        MeshRegistry reg;
        reg.loadEntries(r);
        ASSERT_FALSE(r.failed()) << r.error();
        PackWriter w;
        w.openMemory();
        reg.save(w);
        EXPECT_EQ(w.bytes(), original) << "round " << round;
        current = w.bytes();
    }
}
