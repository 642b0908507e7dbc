// A small show for the demotool tests, written in the pack's stored layout: one shared mesh
// entry, one library animation, and three tracks over three seconds: a scene (a fixed floor, a
// box that falls onto it, a group moved by a controller that holds a mesh made from the shared
// entry), a short animation cell and a picture over the last 0.4 s. The scene has no camera: the
// default view looks from (0, 0, -400) at the origin and sees 300 units deep, so everything
// stands around z = -220.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "data/pack_writer.h"
#include "math/vector3.h"
#include "support/node_records.h"

// The scene cell ends at stored frame 90 (30 ticks each, 899 ticks a second): 2700 ticks, 3.003 s.
constexpr int32_t kShowSceneEndFrame = 90;

namespace testshow {

inline void ints(PackWriter& w, std::initializer_list<int32_t> values) {
    for (int32_t v : values) w.writeInt(v);
}
inline void floats(PackWriter& w, std::initializer_list<float> values) {
    for (float v : values) w.writeFloat(v);
}

// The corners of a box of half extents (hx, hy, hz), corner i at (+-hx, +-hy, +-hz) by its bits.
inline std::vector<Vector3> boxPoints(float hx, float hy, float hz) {
    std::vector<Vector3> p;
    for (int i = 0; i < 8; ++i) p.emplace_back((i & 1) ? hx : -hx, (i & 2) ? hy : -hy, (i & 4) ? hz : -hz);
    return p;
}

// Twelve triangles over the box's six sides, each also with the opposite winding (24 faces), so
// the box shows whatever the culling; side s uses material 1 + s.
inline std::vector<std::pair<std::vector<int32_t>, int32_t>> boxFaces() {
    const int32_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    std::vector<std::pair<std::vector<int32_t>, int32_t>> faces;
    for (int s = 0; s < 6; ++s) {
        const int32_t* q = quads[s];
        for (const auto& tri : {std::vector<int32_t>{q[0], q[1], q[2]}, std::vector<int32_t>{q[0], q[2], q[3]},
                                std::vector<int32_t>{q[2], q[1], q[0]}, std::vector<int32_t>{q[3], q[2], q[0]}})
            faces.emplace_back(tri, 1 + s);
    }
    return faces;
}

// Point count and points, then (after a 0 word for an inline mesh record) face count and each
// face as (3, three indices).
inline void writeBoxGeometry(PackWriter& w, float hx, float hy, float hz, bool inlineRecord) {
    const auto points = boxPoints(hx, hy, hz);
    w.writeInt(static_cast<int32_t>(points.size()));
    for (const Vector3& p : points) p.save(w);
    if (inlineRecord) w.writeInt(0);
    const auto faces = boxFaces();
    w.writeInt(static_cast<int32_t>(faces.size()));
    for (const auto& f : faces) {
        w.writeInt(3);
        for (int32_t i : f.first) w.writeInt(i);
    }
}

// A node record (target id -1), then each child as (1, kind word, the child's record).
inline void writeNode(PackWriter& w, int32_t id, const char* name, const Vector3& position,
                      const records::Properties& properties, const std::vector<records::Child>& children) {
    records::node(w, {id, name, position, properties, 0, -1}, children);
}

constexpr int32_t kMeshKindWord = 0x0C;
constexpr int32_t kGroupKindWord = 0x10;

// A mesh record with inline points and faces (not frozen, no soft body).
inline void writeInlineBox(PackWriter& w, int32_t id, const char* name, const Vector3& position, float hx, float hy,
                           float hz, const std::vector<std::pair<std::string, std::string>>& properties) {
    ints(w, {0, 0});
    writeBoxGeometry(w, hx, hy, hz, true);
    for (const auto& f : boxFaces()) w.writeInt(f.second);
    w.writeShort(0);
    writeNode(w, id, name, position, properties, {});
}

inline void writeFloor(PackWriter& w) {
    writeInlineBox(w, 1, "floor", Vector3(0, -60, -220), 120, 4, 60, {{"cinetic_param", "fix"}});
}
inline void writeFallingBox(PackWriter& w) { writeInlineBox(w, 2, "box", Vector3(20, 60, -220), 15, 15, 15, {}); }
// A mesh on the shared entry "cube" (points and faces by key, then one material per face).
inline void writeSharedCube(PackWriter& w) {
    ints(w, {0, 1});
    w.writeString("cube");
    w.writeInt(1);
    w.writeString("cube");
    for (const auto& f : boxFaces()) w.writeInt(7 - f.second);
    w.writeShort(0);
    writeNode(w, 4, "mover", Vector3(0, 10, 0), {{"note", "shared mesh"}}, {});
}
inline void writeRig(PackWriter& w) {
    writeNode(w, 3, "rig", Vector3(-120, 0, -220), {}, {{kMeshKindWord, writeSharedCube}});
}

// The scene clip payload: materials, background, the tree, the physics record, the controllers.
inline void writeScene(PackWriter& w) {
    const uint32_t colours[6] = {0xE04030, 0x30C050, 0x3050E0, 0xE0C030, 0xC030C0, 0x30C0C0};
    w.writeInt(6);
    for (int i = 0; i < 6; ++i) ints(w, {1 + i, static_cast<int32_t>(colours[i])});
    floats(w, {0.25f, 0.5f, 0.75f});
    writeNode(w, 0, "The Scene", Vector3(0, 0, 0), {},
              {{kMeshKindWord, writeFloor}, {kMeshKindWord, writeFallingBox}, {kGroupKindWord, writeRig}});
    // Physics: three records, start frame 0, bounce, slide, gravity, ground velocity; the floor
    // (fixed by its property), the box (free), a plane under everything.
    ints(w, {3, 0});
    floats(w, {0.3f, 0.2f, -0.05f, 0.0f});
    ints(w, {2, 1, 5, 2, 4, 0});
    floats(w, {0.0f, 1.0f, 0.0f, 200.0f});
    // One controller over the whole clip on the rig (id 3), position track only: two keys
    // sliding it from x = -120 to x = 120.
    ints(w, {0, kShowSceneEndFrame * 30, 0, 1, 3, 1, 0, 0, 0, 2, 0, 0});
    floats(w, {-120, 0, -220});
    ints(w, {kShowSceneEndFrame * 30, 0});
    floats(w, {120, 0, -220});
}

inline void writeCellHeader(PackWriter& w, int32_t type, const char* name, int32_t start, int32_t end, int32_t in,
                            int32_t out) {
    ints(w, {0, type, 0});
    w.writeString(name);
    ints(w, {start, end, in, out});
}

// A 1024 x 1024 picture of four vertical stripes, compressed as the pack stores it.
inline std::vector<uint8_t> compressedPicture() {
    std::vector<uint8_t> image(1024u * 1024u * 4u);
    const uint8_t stripes[4][4] = {{250, 250, 250, 255}, {200, 40, 40, 255}, {40, 200, 40, 255}, {40, 40, 200, 255}};
    for (size_t i = 0; i < 1024u * 1024u; ++i)
        for (int c = 0; c < 4; ++c) image[i * 4 + c] = stripes[(i % 1024) / 256][c];
    uLongf length = compressBound(static_cast<uLong>(image.size()));
    std::vector<uint8_t> out(length);
    compress(out.data(), &length, image.data(), static_cast<uLong>(image.size()));
    out.resize(length);
    return out;
}

// One packed frame of a single opaque colour over the whole 1024 x 1024 picture: a palette whose
// entry 1 is the colour, then runs of at most 255 pixels of entry 1.
inline std::vector<uint8_t> solidFrame(uint32_t rgba) {
    std::vector<uint8_t> f{0};
    for (int i = 0; i < 256; ++i)
        for (int b = 0; b < 4; ++b) f.push_back(i == 1 ? static_cast<uint8_t>(rgba >> (8 * b)) : 0);
    for (int left = 1024 * 1024; left > 0; left -= 255) {
        f.push_back(static_cast<uint8_t>(left < 255 ? left : 255));
        f.push_back(1);
    }
    return f;
}

}  // namespace testshow

// The whole uncompressed stream of the test show.
inline std::vector<uint8_t> testShowStream() {
    using namespace testshow;
    PackWriter w;
    w.openMemory();
    // Mesh section: the shared cube.
    ints(w, {1, 0});
    w.writeString("cube");
    w.writeString("cube");
    writeBoxGeometry(w, 12, 12, 12, false);
    // Timeline: one library animation, the unused word, three tracks of one cell each.
    ints(w, {1, 0});
    w.writeString("flash");
    const std::vector<uint8_t> frame = solidFrame(0xFF20E0F0u);
    w.writeInt(static_cast<int32_t>(frame.size()));
    w.writeBytes(frame.data(), frame.size());
    ints(w, {-1, 0, 3, 1});
    writeCellHeader(w, 0, "scene", 0, kShowSceneEndFrame, 0, kShowSceneEndFrame);
    writeScene(w);
    ints(w, {0, 1});  // no key records; the next track
    writeCellHeader(w, 2, "flash", 40, 42, 0, 0);
    w.writeInt(0);
    w.writeString("flash");
    ints(w, {0, 1});
    writeCellHeader(w, 1, "picture", 78, 90, 0, 0);
    const std::vector<uint8_t> picture = compressedPicture();
    w.writeInt(static_cast<int32_t>(picture.size()));
    w.writeBytes(picture.data(), picture.size());
    w.writeInt(0);
    return w.bytes();
}

// Writes bytes as a gzip pack at path. True on success.
inline bool writePack(const std::string& path, const std::vector<uint8_t>& stream) {
    PackWriter w;
    if (w.open(path.c_str()) != 0) return false;
    w.writeBytes(stream.data(), stream.size());
    return w.close();
}
