// FLC encoding. All integers little-endian; every chunk is padded to an even size.
#include "tools/make_show/flc_writer.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint16_t kFlcMagic = 0xAF12;
constexpr uint16_t kFrameMagic = 0xF1FA;
constexpr uint16_t kChunkColor256 = 4;
constexpr uint16_t kChunkDeltaFlc = 7;
constexpr uint16_t kChunkByteRun = 15;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

void appendChunk(std::vector<uint8_t>& out, uint16_t type, const std::vector<uint8_t>& body) {
    size_t size = 6 + body.size();
    size_t padded = size + (size & 1);
    put32(out, static_cast<uint32_t>(padded));
    put16(out, type);
    out.insert(out.end(), body.begin(), body.end());
    if (padded != size) out.push_back(0);
}

}  // namespace

std::vector<uint8_t> encodeByteRun(const std::vector<uint8_t>& picture, int width, int height) {
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = picture.data() + static_cast<size_t>(y) * width;
        std::vector<uint8_t> packets;
        int packetCount = 0;
        int x = 0;
        while (x < width) {
            // A repeat of 3 or more becomes a run (at most 127); anything else a literal.
            int run = 1;
            while (x + run < width && run < 127 && row[x + run] == row[x]) ++run;
            if (run >= 3 || x + run == width) {
                packets.push_back(static_cast<uint8_t>(run));
                packets.push_back(row[x]);
                x += run;
            } else {
                int start = x;
                int count = 0;
                while (x < width && count < 127) {
                    int ahead = 1;
                    while (x + ahead < width && ahead < 3 && row[x + ahead] == row[x]) ++ahead;
                    if (ahead >= 3) break;
                    ++x;
                    ++count;
                }
                packets.push_back(static_cast<uint8_t>(-count));
                packets.insert(packets.end(), row + start, row + start + count);
            }
            ++packetCount;
        }
        if (packetCount > 255) {
            // The count is one byte: such a busy line is stored as literals of 127 pixels.
            packets.clear();
            packetCount = 0;
            for (int at = 0; at < width; at += 127) {
                int count = std::min(127, width - at);
                packets.push_back(static_cast<uint8_t>(-count));
                packets.insert(packets.end(), row + at, row + at + count);
                ++packetCount;
            }
        }
        out.push_back(static_cast<uint8_t>(packetCount));
        out.insert(out.end(), packets.begin(), packets.end());
    }
    return out;
}

std::vector<uint8_t> encodeDeltaFlc(const std::vector<uint8_t>& previous, const std::vector<uint8_t>& next, int width,
                                    int height) {
    std::vector<uint8_t> lines;
    int codedLines = 0;
    int skippedLines = 0;
    const int pairs = width / 2;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = previous.data() + static_cast<size_t>(y) * width;
        const uint8_t* b = next.data() + static_cast<size_t>(y) * width;
        if (std::equal(a, a + width, b)) {
            ++skippedLines;
            continue;
        }
        if (skippedLines > 0) {
            put16(lines, static_cast<uint16_t>(-skippedLines));  // top bits 11: skip lines
            skippedLines = 0;
        }
        // Number of pairs from q on (at most 127) equal to pair q of the new picture.
        auto repeatsFrom = [&](int q) {
            int same = 1;
            while (q + same < pairs && same < 127 && b[2 * (q + same)] == b[2 * q] && b[2 * (q + same) + 1] == b[2 * q + 1])
                ++same;
            return same;
        };
        std::vector<uint8_t> packets;
        int packetCount = 0;
        int p = 0;
        int gap = 0;  // unchanged pairs since the last packet
        while (p < pairs) {
            bool changed = a[2 * p] != b[2 * p] || a[2 * p + 1] != b[2 * p + 1];
            if (!changed && gap < 127) {
                ++gap;
                ++p;
                continue;
            }
            // A packet starts here (a long gap is bridged by copying the unchanged pair).
            int start = p;
            int count = 0;
            bool repeat = false;
            const int same = repeatsFrom(start);
            if (same >= 3) {
                repeat = true;
                count = same;
            } else {
                while (start + count < pairs && count < 127) {
                    int q = start + count;
                    bool qChanged = a[2 * q] != b[2 * q] || a[2 * q + 1] != b[2 * q + 1];
                    if (count > 0 && (!qChanged || repeatsFrom(q) >= 3)) break;
                    ++count;
                }
            }
            packets.push_back(static_cast<uint8_t>(2 * gap));
            if (repeat) {
                packets.push_back(static_cast<uint8_t>(-count));
                packets.push_back(b[2 * start]);
                packets.push_back(b[2 * start + 1]);
            } else {
                packets.push_back(static_cast<uint8_t>(count));
                for (int i = 0; i < count; ++i) {
                    packets.push_back(b[2 * (start + i)]);
                    packets.push_back(b[2 * (start + i) + 1]);
                }
            }
            ++packetCount;
            gap = 0;
            p = start + count;
        }
        put16(lines, static_cast<uint16_t>(packetCount));  // top bits 00: the packet count
        lines.insert(lines.end(), packets.begin(), packets.end());
        ++codedLines;
    }
    std::vector<uint8_t> out;
    out.reserve(2 + lines.size());
    put16(out, static_cast<uint16_t>(codedLines));
    out.insert(out.end(), lines.begin(), lines.end());
    return out;
}

std::vector<uint8_t> encodeFlc(const FlcAnimation& animation) {
    const int w = animation.width;
    const int h = animation.height;
    std::vector<uint8_t> out(128, 0);
    // Header: size (filled in last), magic, frames, width, height, depth 8, flags 3, speed (ms).
    set32(out, 4, 0);
    out[4] = kFlcMagic & 0xFF;
    out[5] = kFlcMagic >> 8;
    out[6] = static_cast<uint8_t>(animation.frames.size() & 0xFF);
    out[7] = static_cast<uint8_t>(animation.frames.size() >> 8);
    out[8] = static_cast<uint8_t>(w & 0xFF);
    out[9] = static_cast<uint8_t>(w >> 8);
    out[10] = static_cast<uint8_t>(h & 0xFF);
    out[11] = static_cast<uint8_t>(h >> 8);
    out[12] = 8;
    out[14] = 3;
    set32(out, 16, static_cast<uint32_t>(animation.msPerFrame));
    out[38] = 1;  // aspect 1:1
    out[40] = 1;
    set32(out, 80, 128);  // offset of the first frame

    for (size_t f = 0; f < animation.frames.size(); ++f) {
        if (f == 1) set32(out, 84, static_cast<uint32_t>(out.size()));  // offset of the second frame
        std::vector<uint8_t> frame;
        int chunks = 0;
        if (f == 0) {
            std::vector<uint8_t> palette;
            put16(palette, 1);       // one packet
            palette.push_back(0);    // skip 0
            palette.push_back(0);    // 0 means 256 colours
            palette.insert(palette.end(), animation.palette, animation.palette + 768);
            appendChunk(frame, kChunkColor256, palette);
            appendChunk(frame, kChunkByteRun, encodeByteRun(animation.frames[0], w, h));
            chunks = 2;
        } else {
            std::vector<uint8_t> delta = encodeDeltaFlc(animation.frames[f - 1], animation.frames[f], w, h);
            if (delta[0] != 0 || delta[1] != 0) {
                appendChunk(frame, kChunkDeltaFlc, delta);
                chunks = 1;
            }
        }
        put32(out, static_cast<uint32_t>(16 + frame.size()));
        put16(out, kFrameMagic);
        put16(out, static_cast<uint32_t>(chunks));
        out.resize(out.size() + 8, 0);
        out.insert(out.end(), frame.begin(), frame.end());
    }
    set32(out, 0, static_cast<uint32_t>(out.size()));
    return out;
}

bool writeFlc(const FlcAnimation& animation, const std::string& path) {
    std::vector<uint8_t> bytes = encodeFlc(animation);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
