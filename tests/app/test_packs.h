// Builders shared by the app tests: packed frames, FLI/FLC files, timeline records and packs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "support/captured_message_boxes.h"
#include "support/test_bytes.h"

// Appends a palette record (0, the 256 colours, count, index).
inline void appendPaletteRecord(std::vector<uint8_t>& frame, const std::vector<uint32_t>& palette,
                                uint8_t count, uint8_t index) {
    frame.reserve(frame.size() + 1027);
    frame.push_back(0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(palette.data());
    frame.insert(frame.end(), bytes, bytes + 1024);
    frame.insert(frame.end(), {count, index});
}

// A packed frame of pixels (< 256) pixels of one colour.
inline std::vector<uint8_t> solidPackedFrame(uint32_t rgba, int pixels) {
    std::vector<uint8_t> frame;
    appendPaletteRecord(frame, std::vector<uint32_t>(256, rgba), static_cast<uint8_t>(pixels), 1);
    return frame;
}

// One FLI chunk: size (header included), type, data.
inline std::vector<uint8_t> fliChunk(uint16_t type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> c;
    put32(c, static_cast<uint32_t>(data.size() + 6));
    put16(c, type);
    return joined({c, data});
}

// One frame: 16-byte header (size, magic, chunk count) then the chunks.
inline std::vector<uint8_t> fliFrame(const std::vector<std::vector<uint8_t>>& chunks,
                                     uint16_t magic = 0xF1FA) {
    const std::vector<uint8_t> body = joined(chunks);
    std::vector<uint8_t> f;
    put32(f, static_cast<uint32_t>(body.size() + 16));
    put16(f, magic);
    put16(f, static_cast<uint16_t>(chunks.size()));
    f.resize(16, 0);
    return joined({f, body});
}

// A whole file: the 128-byte header (size, magic, frames, width, height, depth), then the frames.
inline std::vector<uint8_t> fliFile(uint16_t magic, uint16_t frameCount, uint16_t width, uint16_t height,
                                    const std::vector<std::vector<uint8_t>>& frames) {
    const std::vector<uint8_t> body = joined(frames);
    std::vector<uint8_t> file;
    put32(file, static_cast<uint32_t>(128 + body.size()));
    for (uint16_t v : {magic, frameCount, width, height, uint16_t(8)}) put16(file, v);
    file.resize(128, 0);
    return joined({file, body});
}

// Start of a cell record: fields 1 to 8 (times in frames).
inline void writeCellHeader(PackWriter& w, int32_t type, int32_t start, int32_t end, int32_t in = 0,
                            int32_t out = 0) {
    for (int32_t v : {0, type, 0}) w.writeInt(v);
    w.writeString("cell");
    for (int32_t v : {start, end, in, out}) w.writeInt(v);
}

// A mode-0 library animation record.
inline void writeLibraryAnimation(PackWriter& w, const char* name,
                                  const std::vector<std::vector<uint8_t>>& frames) {
    w.writeInt(0);
    w.writeString(name);
    for (const auto& f : frames) {
        w.writeInt(static_cast<int32_t>(f.size()));
        w.writeBytes(f.data(), f.size());
    }
    w.writeInt(-1);
}

// A picture cell record whose picture is every pixel rgba (its save reports "Z_OK").
inline void writePictureCell(PackWriter& w, int32_t start, int32_t end, uint32_t rgba) {
    writeCellHeader(w, kCellPicture, start, end);
    std::vector<uint32_t> pixels(kFrameBufferPixels, rgba);
    PictureClip picture;
    picture.setPixels(reinterpret_cast<const uint8_t*>(pixels.data()));
    picture.save(w);
}

// A whole show pack and where its parts begin (uncompressed offsets): an empty mesh section, the
// library animation "loop" of 30 frames, and three tracks of one cell each, frames 10 to 20:
// a picture (with two key records, which are skipped), an animation cell of "loop" (one key
// record) and an empty scene with in point 5 and out point 8 whose controllers the caller may
// write (an empty set by default).
struct ShowPack {
    std::vector<uint8_t> bytes;
    uint64_t timeline = 0, trackCount = 0, pictureRecord = 0, sceneRecord = 0;
};
inline ShowPack buildShowPack(const std::function<void(PackWriter&)>& controllers = nullptr) {
    CapturedMessageBoxes quiet;
    ShowPack pack;
    PackWriter w;
    w.openMemory();
    MeshRegistry().save(w);
    pack.timeline = w.offset();
    w.writeInt(1);
    writeLibraryAnimation(w, "loop",
                          std::vector<std::vector<uint8_t>>(30, solidPackedFrame(0xFF0000FFu, 16)));
    w.writeInt(0);
    pack.trackCount = w.offset();
    for (int32_t v : {3, 1}) w.writeInt(v);
    pack.pictureRecord = w.offset();
    writePictureCell(w, 10, 20, 0xFF090909u);
    w.writeInt(2);
    for (int i = 0; i < 12; ++i) w.writeInt(i);
    w.writeInt(1);
    writeCellHeader(w, kCellAnimation, 10, 20);
    w.writeInt(0);
    w.writeString("loop");
    w.writeInt(1);
    for (int i = 0; i < 8; ++i) w.writeInt(i);
    w.writeInt(1);
    pack.sceneRecord = w.offset();
    writeCellHeader(w, kCellScene, 10, 20, 5, 8);
    Scene3D scene;
    MaterialLibrary materials(kSceneMaterialCapacity);
    scene.save(w, &materials);
    if (controllers) controllers(w);
    if (!controllers) ControllerSet().save(w);
    w.writeInt(0);
    pack.bytes = w.bytes();
    return pack;
}

// Opens reader over the bytes that w collected, under the name "data.pak".
inline void openOver(PackReader& reader, const PackWriter& w) {
    reader.openMemory(w.bytes().data(), w.bytes().size(), "data.pak");
}
