// DEFLATE decoding with canonical Huffman tables decoded code length by code length.
#include "data/inflate_decoder.h"

#include <array>

namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLiteralCodes = 288;
constexpr int kMaxDistanceCodes = 30;

// Base lengths and extra bits of length symbols 257..285, and of the 30 distance symbols.
constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                                    33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which code length code lengths are stored.
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code: how many codes of each length, and the symbols in code order.
struct Huffman {
    std::array<uint16_t, kMaxBits + 1> count{};
    std::array<uint16_t, kMaxLiteralCodes> symbol{};

    // From the code length of each symbol; false for an over-subscribed set of lengths, or an
    // incomplete one that has more than one code (DEFLATE allows a single code of length 1).
    bool build(const uint8_t* lengths, int n) {
        count.fill(0);
        for (int s = 0; s < n; ++s) ++count[lengths[s]];
        const int used = n - count[0];
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left = left * 2 - count[len];
            if (left < 0) return false;
        }
        std::array<uint16_t, kMaxBits + 1> offset{};
        for (int len = 1; len < kMaxBits; ++len) offset[len + 1] = offset[len] + count[len];
        for (int s = 0; s < n; ++s)
            if (lengths[s] != 0) symbol[offset[lengths[s]]++] = static_cast<uint16_t>(s);
        return left == 0 || used <= 1;
    }
};

class Decoder {
public:
    Decoder(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate)
        : in_(data), size_(size), capacity_(capacity), allocate_(allocate) {}

    bool run() {
        if (size_ < 2) return false;
        const unsigned cmf = in_[0], flg = in_[1];
        if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20) != 0) return false;
        pos_ = 2;
        for (;;) {
            const int last = bits(1);
            const int type = bits(2);
            bool ok = false;
            if (type == 0) {
                ok = stored();
            } else if (type == 1) {
                ok = fixed();
            } else if (type == 2) {
                ok = dynamic();
            }
            if (!ok || failed_) return false;
            if (last) break;
        }
        // The Adler-32 sum of the output, big-endian, from the next byte boundary.
        bitCount_ = 0;
        if (size_ - pos_ < 4) return false;
        const uint32_t expected = (uint32_t{in_[pos_]} << 24) | (uint32_t{in_[pos_ + 1]} << 16) |
                                  (uint32_t{in_[pos_ + 2]} << 8) | uint32_t{in_[pos_ + 3]};
        return adler() == expected;
    }

    size_t produced() const { return outCount_; }

private:
    int bits(int need) {
        uint32_t value = bitBuffer_;
        while (bitCount_ < need) {
            if (pos_ >= size_) {
                failed_ = true;
                return 0;
            }
            value |= uint32_t{in_[pos_++]} << bitCount_;
            bitCount_ += 8;
        }
        bitBuffer_ = value >> need;
        bitCount_ -= need;
        return static_cast<int>(value & ((1u << need) - 1));
    }

    bool put(uint8_t byte) {
        if (outCount_ >= capacity_) return false;
        if (!out_) {
            out_ = allocate_();
            if (!out_) return false;
        }
        out_[outCount_++] = byte;
        return true;
    }

    bool stored() {
        bitBuffer_ = 0;
        bitCount_ = 0;
        if (size_ - pos_ < 4) return false;
        const unsigned len = in_[pos_] | (in_[pos_ + 1] << 8);
        const unsigned nlen = in_[pos_ + 2] | (in_[pos_ + 3] << 8);
        pos_ += 4;
        if (len != (~nlen & 0xFFFFu)) return false;
        if (size_ - pos_ < len) return false;
        for (unsigned i = 0; i < len; ++i)
            if (!put(in_[pos_ + i])) return false;
        pos_ += len;
        return true;
    }

    // The next symbol of code h, one bit at a time (codes are stored most significant bit first).
    int decode(const Huffman& h) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code |= bits(1);
            if (failed_) return -1;
            const int count = h.count[len];
            if (code - count < first) return h.symbol[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

    bool codes(const Huffman& literals, const Huffman& distances) {
        for (;;) {
            const int symbol = decode(literals);
            if (symbol < 0) return false;
            if (symbol < 256) {
                if (!put(static_cast<uint8_t>(symbol))) return false;
            } else if (symbol == 256) {
                return true;
            } else {
                const int li = symbol - 257;
                if (li >= static_cast<int>(kLengthBase.size())) return false;
                const size_t length = kLengthBase[li] + static_cast<size_t>(bits(kLengthExtra[li]));
                const int di = decode(distances);
                if (di < 0 || di >= kMaxDistanceCodes) return false;
                const size_t distance = kDistanceBase[di] + static_cast<size_t>(bits(kDistanceExtra[di]));
                if (failed_ || distance > outCount_) return false;
                for (size_t i = 0; i < length; ++i)
                    if (!put(out_[outCount_ - distance])) return false;
            }
        }
    }

    bool fixed() {
        uint8_t lengths[kMaxLiteralCodes + kMaxDistanceCodes];
        int s = 0;
        for (; s < 144; ++s) lengths[s] = 8;
        for (; s < 256; ++s) lengths[s] = 9;
        for (; s < 280; ++s) lengths[s] = 7;
        for (; s < kMaxLiteralCodes; ++s) lengths[s] = 8;
        for (int d = 0; d < kMaxDistanceCodes; ++d) lengths[kMaxLiteralCodes + d] = 5;
        Huffman literals, distances;
        literals.build(lengths, kMaxLiteralCodes);
        distances.build(lengths + kMaxLiteralCodes, kMaxDistanceCodes);
        return codes(literals, distances);
    }

    bool dynamic() {
        const int nlen = bits(5) + 257;
        const int ndist = bits(5) + 1;
        const int ncode = bits(4) + 4;
        if (failed_ || nlen > 286 || ndist > kMaxDistanceCodes) return false;
        uint8_t lengths[kMaxLiteralCodes + kMaxDistanceCodes] = {};
        for (int i = 0; i < ncode; ++i) lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits(3));
        Huffman lengthCode;
        if (failed_ || !lengthCode.build(lengths, 19)) return false;
        int index = 0;
        while (index < nlen + ndist) {
            int symbol = decode(lengthCode);
            if (symbol < 0) return false;
            if (symbol < 16) {
                lengths[index++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t value = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (index == 0) return false;
                value = lengths[index - 1];
                repeat = 3 + bits(2);
            } else if (symbol == 17) {
                repeat = 3 + bits(3);
            } else {
                repeat = 11 + bits(7);
            }
            if (failed_ || index + repeat > nlen + ndist) return false;
            while (repeat-- > 0) lengths[index++] = value;
        }
        if (lengths[256] == 0) return false;  // no end-of-block code
        Huffman literals, distances;
        if (!literals.build(lengths, nlen)) return false;
        if (!distances.build(lengths + nlen, ndist)) return false;
        return codes(literals, distances);
    }

    uint32_t adler() const {
        uint32_t a = 1, b = 0;
        for (size_t i = 0; i < outCount_; ++i) {
            a = (a + out_[i]) % 65521u;
            b = (b + a) % 65521u;
        }
        return (b << 16) | a;
    }

    const uint8_t* in_;
    size_t size_;
    size_t pos_ = 0;
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    bool failed_ = false;
    size_t capacity_;
    const std::function<uint8_t*()>& allocate_;
    uint8_t* out_ = nullptr;
    size_t outCount_ = 0;
};

}  // namespace

bool decodeZlibStream(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate,
                      size_t* produced) {
    Decoder decoder(data, size, capacity, allocate);
    const bool ok = decoder.run();
    *produced = decoder.produced();
    return ok;
}
