// PackReader and PackWriter: values straddling refill blocks, string bounds, truncated and corrupt
// streams, sticky failure messages, and the writer's replace-on-close file handling.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

namespace {

std::string tempPath(const char* stem) {
    return (std::filesystem::temp_directory_path() / (std::string("h1_") + stem + "_" + std::to_string(getpid())))
        .string();
}

// A prefix of `prefix` filler bytes, then one value of each fixed size.
std::vector<uint8_t> straddleStream(int prefix) {
    PackWriter w;
    w.openMemory();
    for (int i = 0; i < prefix; ++i) w.writeByte(static_cast<uint8_t>(i * 7));
    w.writeInt(0x12345678);
    w.writeFloat(-1.5f);
    w.writeShort(-2);
    w.writeByte(0xAB);
    w.writeInt(-123456789);
    return w.bytes();
}

void readStraddle(PackReader& r, int prefix) {
    for (int i = 0; i < prefix; ++i) {
        uint8_t b = 0;
        ASSERT_EQ(r.readByte(&b), 1);
        ASSERT_EQ(b, static_cast<uint8_t>(i * 7));
    }
    int32_t i32 = 0;
    float f = 0;
    int16_t s = 0;
    uint8_t b = 0;
    EXPECT_EQ(r.readInt(&i32), 1);
    EXPECT_EQ(i32, 0x12345678) << "prefix " << prefix;
    EXPECT_EQ(r.readFloat(&f), 1);
    EXPECT_EQ(f, -1.5f) << "prefix " << prefix;
    EXPECT_EQ(r.readShort(&s), 1);
    EXPECT_EQ(s, -2) << "prefix " << prefix;
    EXPECT_EQ(r.readByte(&b), 1);
    EXPECT_EQ(b, 0xAB) << "prefix " << prefix;
    EXPECT_EQ(r.getInt(), -123456789) << "prefix " << prefix;
    EXPECT_EQ(r.offset(), static_cast<uint64_t>(prefix) + 15);
    EXPECT_FALSE(r.failed()) << r.error();
}

}  // namespace

TEST(PackReader, ValuesStraddlingBlockBoundaries) {
    // Every alignment of the values around the first and second 10000-byte boundaries.
    for (int base : {PackReader::kBlockSize, 2 * PackReader::kBlockSize}) {
        for (int prefix = base - 16; prefix <= base + 4; ++prefix) {
            const std::vector<uint8_t> bytes = straddleStream(prefix);
            PackReader r;
            ASSERT_EQ(r.openMemory(bytes.data(), bytes.size(), "mem"), 0);
            readStraddle(r, prefix);
            // Then the end of the stream: a clean failure, zero-filled destination.
            int32_t v = 77;
            EXPECT_EQ(r.readInt(&v), 0);
            EXPECT_EQ(v, 0);
            EXPECT_TRUE(r.failed());
        }
    }
}

TEST(PackReader, GzipFileMatchesMemory) {
    const std::string path = tempPath("straddle.pak");
    for (int prefix : {9996, 9997, 9998, 9999, 10000}) {
        PackWriter w;
        ASSERT_EQ(w.open(path.c_str()), 0);
        for (uint8_t b : straddleStream(prefix)) w.writeByte(b);
        ASSERT_TRUE(w.close());
        PackReader r;
        ASSERT_EQ(r.open(path.c_str()), 0);
        readStraddle(r, prefix);
        r.close();
    }
    std::remove(path.c_str());

    PackReader missing;
    EXPECT_EQ(missing.open("/nonexistent/dir/data.pak"), 5);
    uint8_t b = 9;
    EXPECT_EQ(missing.readByte(&b), 0);
    EXPECT_EQ(b, 0);
    EXPECT_TRUE(missing.failed());
    missing.close();  // harmless
}

TEST(PackReader, IntAndFloatSlotsShareBits) {
    PackWriter w;
    w.openMemory();
    w.writeInt(0x7FA00001);  // a signalling NaN pattern must survive the float slot
    w.writeInt(0x7FA00001);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    int32_t i = 0;
    float f = 0;
    r.readInt(&i);
    r.readFloat(&f);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    EXPECT_EQ(static_cast<uint32_t>(i), bits);
    EXPECT_EQ(bits, 0x7FA00001u);
}

TEST(PackReader, StringLengthsAndCapacity) {
    PackWriter w;
    w.openMemory();
    w.writeString("");         // counted, empty: 4 bytes
    w.writeInt(-5);            // negative count: empty, 4 bytes
    w.writeByte(0);            // zero-terminated, empty: 1 byte
    w.writeString("abcdefg");  // exactly fills a capacity of 8
    w.writeBytes("hello", 6);  // zero-terminated, exactly fills 6
    w.writeInt(42);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size());
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    r.readCountedString(buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(r.offset(), 4u);
    r.readCountedString(buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(r.offset(), 8u);
    EXPECT_EQ(r.readZString(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(r.offset(), 9u);
    char eight[8];
    r.readCountedString(eight, sizeof eight);
    EXPECT_STREQ(eight, "abcdefg");
    char six[6];
    EXPECT_EQ(r.readZString(six, sizeof six), 1);
    EXPECT_STREQ(six, "hello");
    EXPECT_EQ(r.getInt(), 42);
    EXPECT_FALSE(r.failed());
}

TEST(PackReader, OverlongStringsFailWithinTheirBuffers) {
    PackWriter w;
    w.openMemory();
    w.writeString("abcdefgh");  // 8 bytes: one too many for a capacity of 8
    std::vector<uint8_t> counted = w.bytes();
    PackWriter z;
    z.openMemory();
    z.writeBytes("abcdefgh", 9);
    std::vector<uint8_t> terminated = z.bytes();

    struct Guarded {
        char buf[8];
        char guard[8];
    } g;
    std::memset(&g, '#', sizeof g);
    PackReader r;
    r.openMemory(counted.data(), counted.size(), "data.pak");
    r.readCountedString(g.buf, sizeof g.buf);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(g.buf[0], '\0');
    EXPECT_EQ(std::string(g.guard, 8), "########");
    EXPECT_NE(r.error().find("data.pak: string of 8 bytes"), std::string::npos) << r.error();

    std::memset(&g, '#', sizeof g);
    PackReader z2;
    z2.openMemory(terminated.data(), terminated.size());
    EXPECT_EQ(z2.readZString(g.buf, sizeof g.buf), 0);
    EXPECT_TRUE(z2.failed());
    EXPECT_EQ(std::strlen(g.buf), 7u);
    EXPECT_EQ(std::string(g.guard, 8), "########");

    // A huge count fails without reading or writing anything.
    PackWriter h;
    h.openMemory();
    h.writeInt(0x7FFFFFFF);
    PackReader r3;
    r3.openMemory(h.bytes().data(), h.bytes().size());
    char small[4] = {'a', 'b', 'c', 'd'};
    r3.readCountedString(small, sizeof small);
    EXPECT_TRUE(r3.failed());
    EXPECT_EQ(small[0], '\0');
}

TEST(PackReader, TruncationAtEveryOffsetFailsCleanly) {
    PackWriter w;
    w.openMemory();
    w.writeInt(7);
    w.writeFloat(2.5f);
    w.writeShort(3);
    w.writeByte(4);
    w.writeString("name");
    w.writeBytes("zs", 3);
    w.writeInt(99);
    const std::vector<uint8_t> full = w.bytes();

    for (size_t cut = 0; cut <= full.size(); ++cut) {
        // A heap copy of exactly `cut` bytes so that any overread is caught by the sanitizer.
        std::vector<uint8_t> bytes(full.begin(), full.begin() + static_cast<long>(cut));
        PackReader r;
        r.openMemory(bytes.data(), bytes.size(), "data.pak");
        ReadContext context(r, "a test record");
        char name[8];
        char zs[4];
        const int32_t a = r.getInt();
        const float b = r.getFloat();
        const int16_t c = r.getShort();
        const uint8_t d = r.getByte();
        r.readCountedString(name, sizeof name);
        r.readZString(zs, sizeof zs);
        const int32_t e = r.getInt();
        if (cut == full.size()) {
            EXPECT_FALSE(r.failed());
            EXPECT_EQ(e, 99);
            continue;
        }
        ASSERT_TRUE(r.failed()) << "cut " << cut;
        // Every value at or after the cut reads as zero.
        if (cut < 4) EXPECT_EQ(a, 0);
        if (cut < 8) EXPECT_EQ(b, 0.0f);
        if (cut < 10) EXPECT_EQ(c, 0);
        if (cut < 11) EXPECT_EQ(d, 0);
        EXPECT_EQ(e, 0);
        EXPECT_LT(std::strlen(name), sizeof name);
        EXPECT_LT(std::strlen(zs), sizeof zs);
        EXPECT_EQ(r.error().rfind("data.pak: truncated at byte ", 0), 0u) << r.error();
        EXPECT_NE(r.error().find("while reading a test record"), std::string::npos) << r.error();
    }
}

TEST(PackReader, FailureIsStickyWithOffsetAndContext) {
    PackWriter w;
    w.openMemory();
    for (int i = 0; i < 5; ++i) w.writeInt(i);
    w.writeInt(-3);
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
    {
        ReadContext outer(r, "a scene");
        for (int i = 0; i < 5; ++i) EXPECT_EQ(r.getInt(), i);
        {
            ReadContext inner(r, "a mesh point");
            EXPECT_TRUE(r.checkCount(4, 4, "points"));
            EXPECT_FALSE(r.checkCount(r.getInt(), 100, "points"));
        }
        EXPECT_STREQ(r.what(), "a scene");
    }
    EXPECT_STREQ(r.what(), "data");
    EXPECT_EQ(r.error(), "data.pak: bad count -3 at byte 24 while reading points");
    r.fail("later problem");
    EXPECT_EQ(r.error(), "data.pak: bad count -3 at byte 24 while reading points");

    PackReader t;
    t.openMemory(w.bytes().data(), 6, "data.pak");
    ReadContext c(t, "a mesh point");
    t.getInt();
    t.getInt();  // bytes 4..7, only 2 present
    EXPECT_EQ(t.error(), "data.pak: truncated at byte 4 while reading a mesh point");
}

TEST(PackReader, CorruptGzipIsAnErrorNotACrash) {
    const std::string path = tempPath("corrupt.pak");
    std::vector<uint8_t> payload;
    {
        PackWriter w;
        ASSERT_EQ(w.open(path.c_str()), 0);
        uint32_t s = 12345;
        for (int i = 0; i < 30000; ++i) {
            s = s * 1103515245u + 12345u;
            w.writeByte(static_cast<uint8_t>(s >> 24));
        }
        ASSERT_TRUE(w.close());
    }
    std::string raw;
    {
        std::ifstream in(path, std::ios::binary);
        raw.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(raw.size(), 100u);
    raw[raw.size() / 2] = static_cast<char>(raw[raw.size() / 2] ^ 0x55);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(raw.data(), static_cast<long>(raw.size()));
    }
    PackReader r;
    ASSERT_EQ(r.open(path.c_str()), 0);
    int reads = 0;
    while (!r.failed() && reads < 40000) {
        r.getByte();
        ++reads;
    }
    EXPECT_TRUE(r.failed());
    EXPECT_FALSE(r.error().empty());
    std::remove(path.c_str());
}

TEST(PackWriter, ReplacesTargetOnlyOnSuccessfulClose) {
    const std::string path = tempPath("target.pak");
    {
        std::ofstream out(path, std::ios::binary);
        out << "old";
    }
    {
        PackWriter w;
        ASSERT_EQ(w.open(path.c_str()), 0);
        w.writeInt(1);
        w.abort();
        EXPECT_FALSE(w.close());
    }
    {
        PackWriter w;
        ASSERT_EQ(w.open(path.c_str()), 0);
        w.writeInt(2);
        // Destroyed without close: abandoned.
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    {
        std::ifstream in(path, std::ios::binary);
        std::string s((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(s, "old");
    }

    FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    PackWriter w;
    w.setLog(log);
    ASSERT_EQ(w.open(path.c_str()), 0);
    w.writeInt(3);
    w.writeText("saving:%s\n", "Box01");
    w.writeString("ok");
    EXPECT_EQ(w.offset(), 10u);  // the text line is not in the stream
    ASSERT_TRUE(w.close());
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    PackReader r;
    ASSERT_EQ(r.open(path.c_str()), 0);
    EXPECT_EQ(r.getInt(), 3);
    char s[8];
    r.readCountedString(s, sizeof s);
    EXPECT_STREQ(s, "ok");
    r.getByte();
    EXPECT_TRUE(r.failed());  // nothing else in the stream
    std::rewind(log);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, log), nullptr);
    EXPECT_STREQ(line, "saving:Box01\n");
    std::fclose(log);
    std::remove(path.c_str());

    PackWriter bad;
    EXPECT_EQ(bad.open("/nonexistent/dir/out.pak"), 5);
    EXPECT_FALSE(bad.close());
}
