// Writers of scene records for the physics tests: node, mesh, camera and scene records in the
// layout the loaders read, collected in memory.
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

namespace records {

using Properties = std::vector<std::pair<std::string, std::string>>;
// Writes the child records of a node (each: 1, kind word, record); returns the child count.
struct Child {
    int32_t kind;
    std::function<void(PackWriter&)> write;
};

inline void node(PackWriter& w, int32_t id, const char* name, const Vector3& position,
                 const std::vector<Child>& children = {}, const Properties& properties = {}, int32_t targetId = 0) {
    w.writeInt(static_cast<int32_t>(properties.size()));
    for (const auto& [key, value] : properties) {
        w.writeString(key.c_str());
        w.writeString(value.c_str());
    }
    w.writeInt(id);
    w.writeInt(0);  // reserved
    w.writeInt(targetId);
    w.writeFloat(1.0f);
    w.writeString(name);
    position.save(w);
    for (float q : {0.0f, 0.0f, 0.0f, 1.0f}) w.writeFloat(q);
    for (float s : {1.0f, 1.0f, 1.0f}) w.writeFloat(s);
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
                node(w, id, name, position, {}, properties);
            }};
}

inline Child camera(int32_t id, const Vector3& position) {
    return {0x60, [=](PackWriter& w) {
                node(w, id, "camera", position);
                w.writeFloat(60.0f);
            }};
}

inline Child target(int32_t id, const Vector3& position) {
    return {0x80, [=](PackWriter& w) { node(w, id, "target", position); }};
}

inline Child group(int32_t id, std::vector<Child> children) {
    return {0x10, [=](PackWriter& w) { node(w, id, "group", Vector3(0, 0, 0), children); }};
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
    node(w, 0, "The Scene", Vector3(0, 0, 0), children);
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

}  // namespace records
