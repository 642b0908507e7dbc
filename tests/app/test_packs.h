// Builders shared by the app tests: packed frames, FLI/FLC files, timeline records and packs.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"

// Appends a palette record (0, the 256 colours, count, index).
inline void appendPaletteRecord(std::vector<uint8_t>& frame, const std::vector<uint32_t>& palette, uint8_t count,
                                uint8_t index) {
    frame.push_back(0);
    const size_t at = frame.size();
    frame.resize(at + 1024);
    std::memcpy(frame.data() + at, palette.data(), 1024);
    frame.push_back(count);
    frame.push_back(index);
}

// A packed frame of pixels pixels of one colour (colour index 1).
inline std::vector<uint8_t> solidPackedFrame(uint32_t rgba, int pixels) {
    std::vector<uint32_t> palette(256, 0);
    palette[1] = rgba;
    std::vector<uint8_t> frame;
    const int first = pixels < 255 ? pixels : 255;
    appendPaletteRecord(frame, palette, static_cast<uint8_t>(first), 1);
    for (int left = pixels - first; left > 0; left -= 255) {
        frame.push_back(static_cast<uint8_t>(left < 255 ? left : 255));
        frame.push_back(1);
    }
    return frame;
}

// Little-endian appenders for hand-made records.
inline void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One FLI chunk: size (header included), type, data.
inline std::vector<uint8_t> fliChunk(uint16_t type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> c;
    put32(c, static_cast<uint32_t>(data.size() + 6));
    put16(c, type);
    c.insert(c.end(), data.begin(), data.end());
    return c;
}

// One frame: 16-byte header (size, magic, chunk count) then the chunks.
inline std::vector<uint8_t> fliFrame(const std::vector<std::vector<uint8_t>>& chunks, uint16_t magic = 0xF1FA) {
    std::vector<uint8_t> body;
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> f;
    put32(f, static_cast<uint32_t>(body.size() + 16));
    put16(f, magic);
    put16(f, static_cast<uint16_t>(chunks.size()));
    f.resize(16, 0);
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

// A whole file: the 128-byte header, then the frames as given.
inline std::vector<uint8_t> fliFile(uint16_t magic, uint16_t frameCount, uint16_t width, uint16_t height,
                                    const std::vector<std::vector<uint8_t>>& frames) {
    std::vector<uint8_t> file;
    put32(file, 0);
    put16(file, magic);
    put16(file, frameCount);
    put16(file, width);
    put16(file, height);
    put16(file, 8);
    file.resize(128, 0);
    for (const auto& f : frames) file.insert(file.end(), f.begin(), f.end());
    const uint32_t size = static_cast<uint32_t>(file.size());
    std::memcpy(file.data(), &size, 4);
    return file;
}

// Start of a cell record: fields 1 to 8 (times in frames).
inline void writeCellHeader(PackWriter& w, int32_t type, int32_t start, int32_t end, int32_t in = 0, int32_t out = 0,
                            const char* name = "cell") {
    w.writeInt(0);
    w.writeInt(type);
    w.writeInt(0);
    w.writeString(name);
    w.writeInt(start);
    w.writeInt(end);
    w.writeInt(in);
    w.writeInt(out);
}

// A mode-0 library animation record.
inline void writeLibraryAnimation(PackWriter& w, const char* name, const std::vector<std::vector<uint8_t>>& frames) {
    w.writeInt(0);
    w.writeString(name);
    for (const auto& f : frames) {
        w.writeInt(static_cast<int32_t>(f.size()));
        w.writeBytes(f.data(), f.size());
    }
    w.writeInt(-1);
}

// The mesh section of an empty registry.
inline void writeEmptyMeshSection(PackWriter& w) {
    MeshRegistry registry;
    registry.save(w);
}
