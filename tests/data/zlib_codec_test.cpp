// The project's own zlib-stream decoder against zlib itself (the same bytes from every kind of
// block, the same verdict on damaged streams, never a read or write outside the buffers), and
// the plain pack file that builds without zlib read.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/inflate_decoder.h"
#include "data/pack_reader.h"
#include "data/zlib_codec.h"

namespace {

std::vector<uint8_t> compressed(const std::vector<uint8_t>& data, int level) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(n);
    EXPECT_EQ(compress2(out.data(), &n, data.data(), static_cast<uLong>(data.size()), level), Z_OK);
    out.resize(n);
    return out;
}

// What a decoder made of a stream: its verdict and the bytes it wrote.
struct Decoded {
    bool ok = false;
    std::vector<uint8_t> bytes;
    int allocations = 0;
};

template <typename Decode>
Decoded run(Decode decode, const std::vector<uint8_t>& stream, size_t capacity) {
    Decoded d;
    // Exactly capacity bytes, so that AddressSanitizer sees any write past them.
    auto* buffer = new uint8_t[capacity > 0 ? capacity : 1];
    size_t produced = 0;
    d.ok = decode(stream.data(), stream.size(), capacity,
                  [&] {
                      ++d.allocations;
                      return buffer;
                  },
                  &produced);
    d.bytes.assign(buffer, buffer + (d.allocations > 0 ? produced : 0));
    delete[] buffer;
    return d;
}

Decoded ours(const std::vector<uint8_t>& stream, size_t capacity) { return run(decodeZlibStream, stream, capacity); }
Decoded zlibs(const std::vector<uint8_t>& stream, size_t capacity) { return run(inflateZlibStream, stream, capacity); }

// Inputs that lead the compressor to stored, fixed and dynamic blocks, long and short matches.
std::vector<std::vector<uint8_t>> samples() {
    std::mt19937 random(7);
    std::vector<std::vector<uint8_t>> all;
    std::vector<uint8_t> noise(70000), runs(200000), text, picture(1024 * 64 * 4);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    for (size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<uint8_t>((i / 300) % 5);
    const std::string words = "the sea rises under the cube and the tide turns ";
    for (int i = 0; i < 2000; ++i) text.push_back(static_cast<uint8_t>(words[(i * 7 + i / 13) % words.size()]));
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i % 4 == 3 ? 255 : ((i / 4) % 1024 / 37 + (random() % 8 == 0 ? random() % 3 : 0)));
    all = {noise, runs, text, picture, {}, {42}};
    return all;
}

}  // namespace

TEST(InflateDecoder, DecodesWhatZlibWritesAtEveryLevel) {
    for (const auto& data : samples()) {
        for (int level : {0, 1, 6, 9}) {
            SCOPED_TRACE("size " + std::to_string(data.size()) + " level " + std::to_string(level));
            const std::vector<uint8_t> stream = compressed(data, level);
            const Decoded d = ours(stream, data.size());
            EXPECT_TRUE(d.ok);
            EXPECT_EQ(d.bytes, data);
            // Nothing produced, nothing allocated: an empty picture stays the shared black one.
            EXPECT_EQ(d.allocations, data.empty() ? 0 : 1);
        }
    }
}

TEST(InflateDecoder, AgreesWithZlibOnCapacityAndDamage) {
    const auto all = samples();
    const std::vector<uint8_t>& data = all[3];
    const std::vector<uint8_t> stream = compressed(data, 6);

    // One byte short of the whole output fails in both; a larger buffer is fine.
    EXPECT_FALSE(ours(stream, data.size() - 1).ok);
    EXPECT_FALSE(zlibs(stream, data.size() - 1).ok);
    EXPECT_TRUE(ours(stream, data.size() + 100).ok);

    // Every cut fails; a wrong header fails before anything is allocated.
    for (size_t cut = 0; cut < stream.size(); cut += 1 + cut / 8) {
        const std::vector<uint8_t> part(stream.begin(), stream.begin() + static_cast<long>(cut));
        EXPECT_FALSE(ours(part, data.size()).ok) << "cut at " << cut;
    }
    std::vector<uint8_t> badHeader = stream;
    badHeader[0] = 0x79;
    const Decoded rejected = ours(badHeader, data.size());
    EXPECT_FALSE(rejected.ok);
    EXPECT_EQ(rejected.allocations, 0);

    // Flipped bytes: whatever ours accepts, zlib accepts with the same bytes (the checksum catches
    // the rest); where zlib refuses, so do we.
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> damaged = stream;
        damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        const Decoded a = ours(damaged, data.size());
        const Decoded b = zlibs(damaged, data.size());
        if (!b.ok) {
            EXPECT_FALSE(a.ok) << "flip " << i;
        }
        if (a.ok) {
            EXPECT_EQ(a.bytes, b.bytes) << "flip " << i;
        }
    }
}

// One fixed-code block by hand: the literal 'a', then a match of length 3 at distance
// `distance`, then the end; the stream's sum is that of `sumOf`.
std::vector<uint8_t> oneMatchStream(int distance, const std::string& sumOf) {
    std::vector<uint8_t> out = {0x78, 0x01};
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t value, int n) {  // value's n bits, least significant first
        for (int i = 0; i < n; ++i) {
            bits |= ((value >> i) & 1u) << count;
            if (++count == 8) {
                out.push_back(static_cast<uint8_t>(bits));
                bits = 0;
                count = 0;
            }
        }
    };
    auto code = [&](uint32_t value, int n) {  // a Huffman code, most significant bit first
        for (int i = n - 1; i >= 0; --i) put((value >> i) & 1u, 1);
    };
    put(1, 1);                 // the last block
    put(1, 2);                 // fixed codes
    code(0x30 + 'a', 8);       // literal 'a'
    code(1, 7);                // length 3 (symbol 257)
    code(distance - 1, 5);     // distance 1 or 2 (symbols 0 and 1, no extra bits)
    code(0, 7);                // end of block (symbol 256)
    if (count > 0) put(0, 8 - count);
    const uLong sum = adler32(1, reinterpret_cast<const Bytef*>(sumOf.data()), static_cast<uInt>(sumOf.size()));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(sum >> shift));
    return out;
}

TEST(InflateDecoder, AMatchReachesOnlyBytesAlreadyWritten) {
    // Distance 1 after one byte repeats it, as zlib does.
    const std::vector<uint8_t> repeat = oneMatchStream(1, "aaaa");
    const Decoded ok = ours(repeat, 16);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(std::string(ok.bytes.begin(), ok.bytes.end()), "aaaa");
    EXPECT_TRUE(zlibs(repeat, 16).ok);
    // Distance 2 after one byte reaches before the output: rejected, even when the byte before
    // the buffer would make the sum come out right.
    std::vector<uint8_t> memory = {'z', 0, 0, 0, 0, 0, 0, 0};
    size_t produced = 0;
    const std::vector<uint8_t> before = oneMatchStream(2, "azaz");
    EXPECT_FALSE(decodeZlibStream(before.data(), before.size(), 7, [&] { return memory.data() + 1; }, &produced));
    EXPECT_FALSE(zlibs(before, 16).ok);
}

TEST(PlainPackFile, ReadsTheInflatedStreamThatPackReaderReadsFromGzip) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string gz = (dir / ("plain_pack_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".gz")).string();
    const std::string raw = gz + ".raw";
    std::vector<uint8_t> data(25000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 / 7);
    {
        gzFile f = gzopen(gz.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        gzwrite(f, data.data(), static_cast<unsigned>(data.size()));
        gzclose(f);
        std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                   static_cast<std::streamsize>(data.size()));
    }
    for (const std::string& path : {gz, raw}) {
        auto source = path == gz ? openPackFile(path.c_str()) : openPlainPackFile(path.c_str());
        ASSERT_NE(source, nullptr);
        std::vector<uint8_t> got;
        uint8_t block[PackReader::kBlockSize];
        for (int n; (n = source->read(block, PackReader::kBlockSize)) > 0;) got.insert(got.end(), block, block + n);
        EXPECT_EQ(got, data) << path;
        EXPECT_EQ(source->read(block, 1), 0) << "the end stays the end";
    }
    EXPECT_EQ(openPlainPackFile((gz + ".missing").c_str()), nullptr);
    EXPECT_EQ(openPlainPackFile(nullptr), nullptr);
    std::remove(gz.c_str());
    std::remove(raw.c_str());
}
