// Hand-made node records for tests, in the layout the loaders read: the node part of every
// record, whole node records with their children, the records of meshes, cameras, targets,
// groups, seas, metaballs and whole scenes; and loading and saving a node from bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/plane.h"
#include "math/vector3.h"
#include "scene/node3d.h"

namespace records {

using Properties = std::vector<std::pair<std::string, std::string>>;

// The fields of the node part; rotation identity, scale 1, parameter 1.
struct NodeFields {
    int32_t id = 1;
    std::string name = "node";
    Vector3 position{0, 0, 0};
    Properties properties;
    int32_t reserved = 0;
    int32_t targetId = 0;
};

// A child in a node record: its kind word and the writer of its own record.
struct Child {
    int32_t kind;
    std::function<void(PackWriter&)> write;
};

// The node part without the child count.
inline void nodeHead(PackWriter& w, const NodeFields& n) {
    w.writeInt(static_cast<int32_t>(n.properties.size()));
    for (const auto& [key, value] : n.properties) {
        w.writeString(key.c_str());
        w.writeString(value.c_str());
    }
    w.writeInt(n.id);
    w.writeInt(n.reserved);
    w.writeInt(n.targetId);
    w.writeFloat(1.0f);
    w.writeString(n.name.c_str());
    n.position.save(w);
    for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f}) w.writeFloat(f);  // quaternion, scale
}

// The node part, the child count, then each child as (1, kind word, its record).
inline void node(PackWriter& w, const NodeFields& n, const std::vector<Child>& children = {}) {
    nodeHead(w, n);
    w.writeInt(static_cast<int32_t>(children.size()));
    for (const Child& child : children) {
        w.writeInt(1);
        w.writeInt(child.kind);
        child.write(w);
    }
}

// A box mesh centred on its origin with point 0 at -half (inline points, no faces).
inline Child mesh(int32_t id, const char* name, const Vector3& position, const Vector3& half,
                  const Properties& properties = {}) {
    return {0x0C, [=](PackWriter& w) {
                w.writeInt(0);  // frozen
                w.writeInt(0);  // inline points
                w.writeInt(8);
                for (int i = 0; i < 8; ++i)
                    Vector3((i & 1) ? half.x : -half.x, (i & 2) ? half.y : -half.y, (i & 4) ? half.z : -half.z).save(w);
                w.writeInt(0);  // inline faces
                w.writeInt(0);
                w.writeShort(0);  // no soft body
                node(w, {id, name, position, properties, 0, 0});
            }};
}

inline Child camera(int32_t id, const Vector3& position) {
    return {0x60, [=](PackWriter& w) {
                node(w, {id, "camera", position, {}, 0, 0});
                w.writeFloat(60.0f);
            }};
}

inline Child target(int32_t id, const Vector3& position) {
    return {0x80, [=](PackWriter& w) { node(w, {id, "target", position, {}, 0, 0}); }};
}

inline Child group(int32_t id, std::vector<Child> children) {
    return {0x10, [=](PackWriter& w) { node(w, {id, "group", Vector3(0, 0, 0), {}, 0, 0}, children); }};
}

struct PhysicsRecord {
    int32_t type;
    int32_t id;
    Plane plane{0, 1, 0, 0};
};

struct PhysicsSettings {
    int32_t startFrame = 0;
    float bounce = 0.1f;
    float slide = 0.2f;
    float gravityY = -0.001f;
    float groundVelocity = 0.0f;
};

// A whole scene record: two materials, a background colour, the scene node with children, the
// physics record.
inline std::vector<uint8_t> scene(const std::vector<Child>& children, const std::vector<PhysicsRecord>& bodies,
                                  const PhysicsSettings& settings = {}) {
    PackWriter w;
    w.openMemory();
    w.writeInt(2);
    w.writeInt(1);
    w.writeInt(0x336699);
    w.writeInt(600);  // a display material id already used by the file
    w.writeInt(0x00FF00);
    for (float c : {0.25f, 0.5f, 0.75f}) w.writeFloat(c);
    node(w, {0, "The Scene", Vector3(0, 0, 0), {}, 0, 0}, children);
    w.writeInt(static_cast<int32_t>(bodies.size()));
    w.writeInt(settings.startFrame);
    w.writeFloat(settings.bounce);
    w.writeFloat(settings.slide);
    w.writeFloat(settings.gravityY);
    w.writeFloat(settings.groundVelocity);
    for (const PhysicsRecord& b : bodies) {
        w.writeInt(b.type);
        if (b.type == 2 || b.type == 5 || b.type == 4) w.writeInt(b.id);
        if (b.type == 4) b.plane.save(w);
    }
    return w.bytes();
}

// A sea record: the node part (id 7, at position, scale), then the sea's own fields.
struct SeaRecord {
    Vector3 position{10, 0, 20}, scale{1, 1, 1};
    Vector3 origin{1, 3, 2}, vectorB{1, 2, 3}, vectorC{4, 5, 6};
    float sizeX = 8, height = 0.5f, sizeZ = 8, segmentsU = 2, segmentsV = 3, cells = 4;
    int32_t heightFactor = 2, colour = 0x806040;

    std::vector<uint8_t> bytes() const {
        Node3D node;
        node.setId(7);
        node.setPosition(position);
        node.setQuaternion(Quaternion(0, 0, 0, 1));
        node.setScale(scale);
        PackWriter w;
        w.openMemory();
        node.save(w, nullptr);
        for (const Vector3& v : {origin, vectorB, vectorC}) v.save(w);
        for (float f : {sizeX, height, sizeZ, segmentsU, segmentsV, cells}) w.writeFloat(f);
        w.writeInt(heightFactor);
        w.writeInt(colour);
        return w.bytes();
    }
};

// A metaball record: vectors (1 .. 9), sizes (size, size / 2, 2 size), then a node at position.
inline std::vector<uint8_t> metaBytes(const Vector3& position, float size, int32_t id = 0) {
    PackWriter w;
    w.openMemory();
    for (int i = 1; i <= 9; ++i) w.writeFloat(static_cast<float>(i));
    for (float f : {size, size * 0.5f, size * 2}) w.writeFloat(f);
    Node3D node;
    node.setId(id);
    node.setPosition(position);
    node.setQuaternion(Quaternion(0, 0, 0, 1));
    node.addProperty("mode", "slow");
    node.save(w, nullptr);
    return w.bytes();
}

// Loads a node from bytes; returns the reader's error, "" when sound and every byte was read.
inline std::string loadFrom(Node3D& node, const std::vector<uint8_t>& bytes, MaterialLibrary* library) {
    PackReader reader;
    reader.openMemory(bytes.data(), bytes.size());
    node.load(reader, library, nullptr);
    if (!reader.failed() && reader.offset() != bytes.size()) return "record not read to its end";
    return reader.error();
}

// The record a node writes.
inline std::vector<uint8_t> savedBytes(Node3D& node, MaterialLibrary* library) {
    PackWriter w;
    w.openMemory();
    node.save(w, library);
    return w.bytes();
}

}  // namespace records
