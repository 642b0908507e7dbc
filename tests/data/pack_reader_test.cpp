// PackReader and PackWriter: values straddling refill blocks, string bounds, truncated and corrupt
// streams, sticky failure messages, and the writer's replace-on-close file handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
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
    return (std::filesystem::temp_directory_path() /
            (std::string("t2_") + stem + "_" + std::to_string(getpid())))
        .string();
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(PackReader, ValuesStraddlingBlockBoundaries) {
    // Every alignment of the values around the first and second 10000-byte boundaries.
    for (int base : {PackReader::kBlockSize, 2 * PackReader::kBlockSize}) {
        for (int prefix = base - 16; prefix <= base + 4; ++prefix) {
            SCOPED_TRACE("prefix " + std::to_string(prefix));
            PackWriter w;
            w.openMemory();
            for (int i = 0; i < prefix; ++i) w.writeByte(static_cast<uint8_t>(i * 7));
            w.writeInt(0x12345678);
            w.writeInt(0x7FA00001);  // a signalling NaN pattern must survive the float slot
            w.writeShort(-2);
            w.writeByte(0xAB);
            PackReader r;
            r.openMemory(w.bytes().data(), w.bytes().size());
            for (int i = 0; i < prefix; ++i) ASSERT_EQ(r.getByte(), static_cast<uint8_t>(i * 7));
            float f = 0;
            EXPECT_EQ(r.getInt(), 0x12345678);
            EXPECT_EQ(r.readFloat(&f), 1);
            EXPECT_EQ(std::bit_cast<uint32_t>(f), 0x7FA00001u);
            EXPECT_EQ(r.getShort(), -2);
            EXPECT_EQ(r.getByte(), 0xAB);
            EXPECT_EQ(r.offset(), static_cast<uint64_t>(prefix) + 11);
            EXPECT_FALSE(r.failed()) << r.error();
            int32_t v = 77;  // then the end of the stream: a clean failure, zero-filled destination
            EXPECT_EQ(r.readInt(&v), 0);
            EXPECT_EQ(v, 0);
            EXPECT_TRUE(r.failed());
        }
    }
}

TEST(PackReader, StringsFitExactlyOrFailWithinTheirBuffers) {
    struct Case {
        bool counted;   // int32 count then the bytes; otherwise the bytes then a NUL
        int32_t count;  // counted strings only
        const char* text;
        size_t capacity;
        const char* error;  // null: read succeeds and yields text (or "" for count <= 0)
    };
    const Case cases[] = {
        {true, 0, "", 16, nullptr},
        {true, -5, "", 16, nullptr},
        {false, 0, "", 16, nullptr},
        {true, 7, "abcdefg", 8, nullptr},
        {false, 0, "hello", 6, nullptr},
        {true, 8, "abcdefgh", 8, "data.pak: string of 8 bytes longer than 7"},
        {false, 0, "abcdefgh", 8, "data.pak: string longer than 7 bytes"},
        {true, 0x7FFFFFFF, "", 4, "data.pak: string of 2147483647 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "counted " << c.counted << " \"" << c.text << "\" in " << c.capacity);
        PackWriter w;
        w.openMemory();
        if (c.counted) w.writeInt(c.count);
        w.writeBytes(c.text, std::strlen(c.text) + (c.counted ? 0 : 1));
        w.writeInt(42);
        PackReader r;
        r.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
        std::vector<char> buf(c.capacity + 8, '#');  // the last 8 bytes are a guard
        if (c.counted) {
            r.readCountedString(buf.data(), c.capacity);
        } else {
            EXPECT_EQ(r.readZString(buf.data(), c.capacity), c.error ? 0 : 1);
        }
        EXPECT_EQ(std::string(buf.end() - 8, buf.end()), "########");
        EXPECT_LT(std::strlen(buf.data()), c.capacity);
        if (c.error) {
            EXPECT_TRUE(r.failed());
            EXPECT_NE(r.error().find(c.error), std::string::npos) << r.error();
            EXPECT_TRUE(!c.counted || buf[0] == '\0');
        } else {
            EXPECT_STREQ(buf.data(), c.count < 0 ? "" : c.text);
            EXPECT_EQ(r.getInt(), 42);  // exactly the string's bytes were consumed
            EXPECT_FALSE(r.failed()) << r.error();
        }
    }
}

TEST(PackReader, TruncationAtEveryOffsetFailsOnceWithOffsetAndContext) {
    PackWriter w;
    w.openMemory();
    w.writeInt(7);
    w.writeFloat(2.5f);
    w.writeShort(3);
    w.writeByte(4);
    w.writeString("name");  // count at 11, bytes at 15..18
    w.writeBytes("zs", 3);  // 19..21
    w.writeInt(99);         // 22..25
    const std::vector<uint8_t> full = w.bytes();

    for (size_t cut = 0; cut <= full.size(); ++cut) {
        SCOPED_TRACE("cut " + std::to_string(cut));
        // A heap copy of exactly `cut` bytes so that any overread is caught by the sanitizer.
        std::vector<uint8_t> bytes(full.begin(), full.begin() + static_cast<long>(cut));
        PackReader r;
        r.openMemory(bytes.data(), bytes.size(), "data.pak");
        ReadContext record(r, "a test record");
        // Values before the cut are intact; every value at or after it reads as zero.
        EXPECT_EQ(r.getInt(), cut < 4 ? 0 : 7);
        EXPECT_EQ(r.getFloat(), cut < 8 ? 0.0f : 2.5f);
        EXPECT_EQ(r.getShort(), cut < 10 ? 0 : 3);
        EXPECT_EQ(r.getByte(), cut < 11 ? 0 : 4);
        char name[8], zs[4];
        {
            ReadContext strings(r, "a name");
            r.readCountedString(name, sizeof name);
            r.readZString(zs, sizeof zs);
        }
        EXPECT_EQ(std::string(name), std::string("name", cut < 15 ? 0 : std::min<size_t>(cut - 15, 4)));
        EXPECT_LT(std::strlen(zs), sizeof zs);
        EXPECT_EQ(r.getInt(), cut < full.size() ? 0 : 99);
        EXPECT_EQ(r.failed(), cut < full.size());
        r.fail("a later problem");  // only the first failure is kept
        // Reported at the start of the value that did not fit (strings are read a byte at a time).
        const size_t at = cut < 4    ? 0
                          : cut < 8  ? 4
                          : cut < 10 ? 8
                          : cut < 11 ? 10
                          : cut < 15 ? 11
                                     : std::min<size_t>(cut, 22);
        const char* what = cut >= 11 && cut < 22 ? "a name" : "a test record";
        EXPECT_EQ(r.error(),
                  cut == full.size()
                      ? "data.pak: a later problem at byte 26 while reading a test record"
                      : "data.pak: truncated at byte " + std::to_string(at) + " while reading " + what);
    }
}

TEST(PackReader, MissingOrCorruptGzipIsAnErrorNotACrash) {
    PackReader missing;
    EXPECT_EQ(missing.open("/nonexistent/dir/data.pak"), 5);
    uint8_t b = 9;
    EXPECT_EQ(missing.readByte(&b), 0);
    EXPECT_EQ(b, 0);
    EXPECT_TRUE(missing.failed());

    const std::string path = tempPath("corrupt.pak");
    PackWriter w;
    ASSERT_EQ(w.open(path.c_str()), 0);
    uint32_t s = 12345;
    for (int i = 0; i < 30000; ++i) w.writeByte(static_cast<uint8_t>((s = s * 1103515245u + 12345u) >> 24));
    ASSERT_TRUE(w.close());
    std::string raw = fileText(path);
    ASSERT_GT(raw.size(), 100u);
    // A damaged byte inside the compressed data is a corrupt stream; the file cut short, or a
    // whole stream that ends before the reads do, is a truncation.
    auto readToFailure = [&](const std::string& bytes, int reads) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        PackReader r;
        EXPECT_EQ(r.open(path.c_str()), 0);
        for (int n = 0; !r.failed() && n < reads; ++n) r.getByte();
        EXPECT_TRUE(r.failed());
        return r.error();
    };
    std::string damaged = raw;
    damaged[raw.size() / 2] = static_cast<char>(raw[raw.size() / 2] ^ 0x55);
    EXPECT_NE(readToFailure(damaged, 40000).find("corrupt stream ("), std::string::npos);
    const std::string cut = readToFailure(raw.substr(0, raw.size() / 2), 40000);
    EXPECT_EQ(cut.find("corrupt stream"), std::string::npos) << cut;
    EXPECT_NE(cut.find("truncated at byte "), std::string::npos) << cut;
    EXPECT_EQ(readToFailure(raw, 30001), path + ": truncated at byte 30000 while reading data");
    std::remove(path.c_str());
}

TEST(PackWriter, ReplacesTargetOnlyOnSuccessfulClose) {
    const std::string path = tempPath("target.pak");
    std::ofstream(path, std::ios::binary) << "old";
    {
        PackWriter aborted, abandoned;
        ASSERT_EQ(aborted.open(path.c_str()), 0);
        aborted.writeInt(1);
        aborted.abort();
        EXPECT_FALSE(aborted.close());
        ASSERT_EQ(abandoned.open(path.c_str()), 0);
        abandoned.writeInt(2);  // destroyed without close
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_EQ(fileText(path), "old");

    PackWriter w;
    ASSERT_EQ(w.open(path.c_str()), 0);
    w.writeText("saving:%s\n", "Box01");  // a diagnostic line, never part of the stream
    w.writeString("ok");
    ASSERT_TRUE(w.close());
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    PackReader r;
    ASSERT_EQ(r.open(path.c_str()), 0);
    char s[8];
    r.readCountedString(s, sizeof s);
    EXPECT_STREQ(s, "ok");
    r.getByte();
    EXPECT_TRUE(r.failed());  // nothing else in the stream
    std::remove(path.c_str());

    PackWriter bad;
    EXPECT_EQ(bad.open("/nonexistent/dir/out.pak"), 5);
    EXPECT_FALSE(bad.close());
}
