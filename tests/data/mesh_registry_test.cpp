// MeshRegistry: record layout, duplicate keys with their log lines, bounded descriptions,
// rejected malformed records, truncation, byte-identical save/load round trips, and legal but
// unusual records (counts of zero or less, face indices outside the points).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "mesh/std_mesh3d.h"

namespace {

struct Record {
    int32_t tag;
    std::string key;
    std::string name;
    std::vector<float> xyz;                   // 3 floats per point
    std::vector<std::vector<int32_t>> faces;  // point indices per face
    int32_t pointCount = -2;                  // written instead of xyz.size() / 3 when >= -1
};

std::vector<uint8_t> section(const std::vector<Record>& records) {
    PackWriter w;
    w.openMemory();
    w.writeInt(static_cast<int32_t>(records.size()));
    for (const Record& r : records) {
        w.writeInt(r.tag);
        w.writeString(r.key.c_str());
        w.writeString(r.name.c_str());
        w.writeInt(r.pointCount >= -1 ? r.pointCount : static_cast<int32_t>(r.xyz.size() / 3));
        for (float f : r.xyz) w.writeFloat(f);
        if (r.pointCount >= -1) continue;
        w.writeInt(static_cast<int32_t>(r.faces.size()));
        for (const auto& face : r.faces) {
            w.writeInt(static_cast<int32_t>(face.size()));
            for (int32_t i : face) w.writeInt(i);
        }
    }
    return w.bytes();
}

Record box(const std::string& key, float offset = 0.0f) {
    return Record{7,
                  key,
                  "display " + key,
                  {0, 0, 0, 1, 0, 0, 1, 1, 0, offset, 1, 0},
                  {{0, 1, 2}, {0, 2, 3}, {}, {3, 2, 1, 0}}};
}

// An entry with the given counts, the first 3 x points coordinates and the faces' words.
void writeEntry(PackWriter& w, const char* key, int32_t pointCount, int32_t points,
                const std::vector<std::vector<int32_t>>& faces, int32_t faceCount) {
    w.writeInt(1);
    w.writeString(key);
    w.writeString(key);
    w.writeInt(pointCount);
    for (int32_t i = 0; i < 3 * points; ++i) w.writeFloat(static_cast<float>(i));
    w.writeInt(faceCount);
    for (const auto& face : faces)
        for (int32_t word : face) w.writeInt(word);  // the corner count and the indices
}

}  // namespace

TEST(MeshRegistry, LoadsRecordsAndKeepsFirstOfDuplicateKeys) {
    const std::vector<uint8_t> bytes = section({box("Box"), box("box"), box("Box", 5.0f)});
    PackReader r;
    r.openMemory(bytes.data(), bytes.size());
    const std::string logPath = testing::TempDir() + "mesh_registry_log.txt";
    {
        MeshRegistry reg;
        reg.setLog(std::fopen(logPath.c_str(), "wb"));  // the registry closes it
        EXPECT_EQ(reg.loadEntries(r), 0);
        EXPECT_FALSE(r.failed()) << r.error();
        EXPECT_EQ(r.offset(), bytes.size());
        ASSERT_EQ(reg.entries().count(), 2);
        MESH3D_ENTRY* e = reg.findByKey("Box");
        ASSERT_NE(e, nullptr);
        ASSERT_EQ(e->getNbPts(), 4);
        ASSERT_EQ(e->getNbFaces(), 4);
        EXPECT_EQ(e->getPoints()[3].x, 0.0f);  // the first record's data
        EXPECT_NE(reg.findByKey("box"), e);
        EXPECT_EQ(reg.findByKey("BOX"), nullptr);
        // Face i is [n, index 1, ..., index n].
        EXPECT_EQ(std::vector<int32_t>(e->getFaces()[3], e->getFaces()[3] + 5),
                  (std::vector<int32_t>{4, 3, 2, 1, 0}));
        EXPECT_EQ(e->getFaces()[2][0], 0);
        EXPECT_EQ(reg.addEntry(new MESH3D_ENTRY()), 0);  // an empty key is a key too
        auto* dup = new MESH3D_ENTRY();
        EXPECT_EQ(reg.addEntry(dup), 4);
        delete dup;
    }
    const std::string d1 = "key:Box name:display Box nbPts:4 nbFaces:4\n";
    const std::string d2 = "key:box name:display box nbPts:4 nbFaces:4\n";
    std::ifstream logFile(logPath, std::ios::binary);
    const std::string log{std::istreambuf_iterator<char>(logFile), std::istreambuf_iterator<char>()};
    logFile.close();
    std::remove(logPath.c_str());
    EXPECT_EQ(log, "READ MESH3D_ENTRY FROM DISK:" + d1 +
                                                 "READ MESH3D_ENTRY FROM DISK:" + d2 +
                                                 "READ MESH3D_ENTRY FROM DISK:" + d1 +
                                                 "WARNING !!!! MESH3D_ENTRY WAS ALREADY IN MEMORY :" + d1);
}

TEST(MeshRegistry, MalformedRecordsAreLoadErrors) {
    // Reported just past the point count: tag, key "P", name "display P", count.
    const size_t countAt = section({box("first")}).size() + 4 + 5 + 13 + 4;
    auto badCount = [&](int32_t n) {
        return "data.pak: bad count " + std::to_string(n) + " at byte " + std::to_string(countAt) +
               " while reading mesh points";
    };
    auto withFace = [](const char* key, size_t i, std::vector<int32_t> face) {
        Record r = box(key);
        r.faces[i] = std::move(face);
        return r;
    };
    auto counted = [](int32_t n, std::vector<float> xyz) {
        return Record{0, "P", "display P", std::move(xyz), {}, n};
    };
    const std::pair<Record, std::string> cases[] = {
        {withFace("C", 0, std::vector<int32_t>(11, 0)), "bad count 11"},
        {box(std::string(200, 'k')), "string of 200 bytes"},
        // Counts out of bounds fail before anything is allocated for them...
        {counted(kMeshMaxPoints + 1, {}), badCount(kMeshMaxPoints + 1)},
        {counted(0x7FFFFFFF, {}), badCount(0x7FFFFFFF)},
        // ...and a large count that the stream cannot back is a truncation, not a huge allocation.
        {counted(kMeshMaxPoints, {1.0f}), "truncated at byte"},
    };
    for (const auto& [record, expected] : cases) {
        SCOPED_TRACE(expected);
        const std::vector<uint8_t> bytes = section({box("first"), record, box("after")});
        PackReader r;
        r.openMemory(bytes.data(), bytes.size(), "data.pak");
        MeshRegistry reg;
        reg.loadEntries(r);
        EXPECT_TRUE(r.failed());
        EXPECT_NE(r.error().find(expected), std::string::npos) << r.error();
        EXPECT_EQ(reg.entries().count(), 1);  // only the complete record before it
        EXPECT_EQ(reg.findByKey("after"), nullptr);
    }
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
    Record longest = box(std::string(199, 'k'));  // key and name exactly fill their buffers
    longest.name = std::string(199, 'n');
    for (const std::vector<uint8_t>& original : {section({}), section({box("a"), odd, box(""), longest})}) {
        std::vector<uint8_t> current = original;
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE("entries " + std::to_string(original[0]) + " round " + std::to_string(round));
            PackReader r;
            r.openMemory(current.data(), current.size());
            MeshRegistry reg;
            reg.loadEntries(r);
            ASSERT_FALSE(r.failed()) << r.error();
            PackWriter w;
            w.openMemory();
            reg.save(w);
            EXPECT_EQ(w.bytes(), original);
            current = w.bytes();
            MESH3D_ENTRY* e = reg.findByKey(longest.key.c_str());
            ASSERT_EQ(e != nullptr, reg.entries().count() > 0);
            if (e) {  // the description is cut at its buffer's end, never past it
                std::vector<char> out(kMeshKeyCapacity + 16, '#');
                e->describe(out.data(), kMeshKeyCapacity);
                EXPECT_EQ(std::string(out.data()), "key:" + std::string(195, 'k'));
                EXPECT_EQ(std::string(out.end() - 16, out.end()), std::string(16, '#'));
            }
        }
    }
}

TEST(MeshRegistryLegalRecords, CountsOfZeroOrLessGiveEmptyArrays) {
    PackWriter none;
    none.openMemory();
    none.writeInt(-3);  // no entries: only the count is read
    none.writeInt(12345);
    PackReader r;
    r.openMemory(none.bytes().data(), none.bytes().size(), "data.pak");
    MeshRegistry empty;
    empty.loadEntries(r);
    EXPECT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.offset(), 4u);
    EXPECT_EQ(empty.entries().count(), 0);

    PackWriter w;
    w.openMemory();
    w.writeInt(3);
    writeEntry(w, "nothing", -5, 0, {}, -1);         // negative counts: nothing follows them
    writeEntry(w, "flat", 3, 3, {{-2}, {0}}, 2);      // faces of -2 and 0 corners
    writeEntry(w, "after", 1, 1, {{1, 0}}, 1);
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    registry.loadEntries(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.offset(), w.bytes().size());
    ASSERT_EQ(registry.entries().count(), 3);
    EXPECT_EQ(registry.findByKey("nothing")->getNbPts(), 0);
    EXPECT_EQ(registry.findByKey("nothing")->getNbFaces(), 0);
    EXPECT_EQ(registry.findByKey("flat")->getNbFaces(), 2);
    EXPECT_EQ(registry.findByKey("after")->getNbPts(), 1);
    EXPECT_EQ(r.noteCount(), 0);
}

TEST(MeshRegistryLegalRecords, FaceIndicesOutsideThePointsAreKeptNotedAndNeverDrawn) {
    PackWriter w;
    w.openMemory();
    w.writeInt(1);
    // Four points; face 1 names point 4 (one past the last) and face 2 point -1.
    writeEntry(w, "quad", 4, 4, {{3, 0, 1, 2}, {3, 2, 3, 4}, {4, -1, 0, 1, 2}}, 3);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    MeshRegistry registry;
    registry.loadEntries(r);
    ASSERT_FALSE(r.failed()) << r.error();
    EXPECT_EQ(r.noteCount(), 2);
    EXPECT_NE(r.firstNote().find("data.pak: face point index 4 outside 0..3 (the face is not drawn) at byte"),
              std::string::npos)
        << r.firstNote();
    EXPECT_EQ(r.noteSummary(), r.firstNote() + "; 1 more like it");
    MESH3D_ENTRY* quad = registry.findByKey("quad");
    ASSERT_NE(quad, nullptr);
    ASSERT_EQ(quad->getNbFaces(), 3);
    EXPECT_EQ(quad->getFaces()[1][3], 4);  // kept as stored

    // A mesh sharing the entry draws the sound face only.
    StdMesh3D mesh;
    mesh.sharePoints(quad->getKey(), quad->getNbPts(), quad->getPoints());
    mesh.shareFaces(quad->getKey(), quad->getNbFaces(), quad->getFaces(), nullptr);
    EXPECT_EQ(mesh.getFace(0)->getPointCount(), 3);
    EXPECT_EQ(mesh.getFace(1)->getPointCount(), 0);
    EXPECT_EQ(mesh.getFace(2)->getPointCount(), 0);

    PackWriter saved;
    saved.openMemory();
    registry.save(saved);
    EXPECT_EQ(saved.bytes(), w.bytes());
}
