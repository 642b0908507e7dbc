// Builders shared by the mesh tests: mesh node records, registry entries and material libraries.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "math/color_rgb.h"
#include "mesh/std_mesh3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/node_records.h"

namespace meshtest {

// The fields of one StdMesh3D node record.
struct MeshRecord {
    int32_t frozen = 0;
    bool sharedPoints = false;
    std::string pointsKey;
    std::vector<Vector3> points;
    bool sharedFaces = false;
    std::string facesKey;
    std::vector<std::array<int32_t, 4>> faces;  // n, i1, i2, i3
    std::vector<int32_t> materials;
    bool softBody = false;
    int32_t startFrame = 0, endFrame = 0;
    std::string name = "mesh";
    Vector3 position{0, 0, 0};
};

inline std::vector<uint8_t> meshRecordBytes(const MeshRecord& r) {
    PackWriter w;
    w.openMemory();
    w.writeInt(r.frozen);
    w.writeInt(r.sharedPoints ? 1 : 0);
    if (r.sharedPoints) {
        w.writeString(r.pointsKey.c_str());
    } else {
        w.writeInt(static_cast<int32_t>(r.points.size()));
        for (const Vector3& p : r.points) p.save(w);
    }
    w.writeInt(r.sharedFaces ? 1 : 0);
    if (r.sharedFaces) {
        w.writeString(r.facesKey.c_str());
    } else {
        w.writeInt(static_cast<int32_t>(r.faces.size()));
        for (const auto& f : r.faces)
            for (int32_t v : f) w.writeInt(v);
    }
    for (int32_t m : r.materials) w.writeInt(m);
    w.writeShort(r.softBody ? 1 : 0);
    if (r.softBody) {
        w.writeInt(r.startFrame);
        w.writeInt(r.endFrame);
        for (float f : {0.8f, 0.4f, 0.93f, 0.0001f}) w.writeFloat(f);  // stiffnesses, damping, reserve
    }
    records::node(w, {1, r.name, r.position, {}, 7, -1});  // reserved 7, target id -1
    return w.bytes();
}

// A reader over bytes (the reader copies them).
inline std::unique_ptr<PackReader> readerOver(const std::vector<uint8_t>& bytes) {
    auto reader = std::make_unique<PackReader>();
    reader->openMemory(bytes.data(), bytes.size(), "test");
    return reader;
}

// Loads a record into mesh; returns the reader for inspection.
inline std::unique_ptr<PackReader> loadInto(StdMesh3D& mesh, const MeshRecord& r, MeshRegistry* registry = nullptr) {
    auto reader = readerOver(meshRecordBytes(r));
    mesh.load(*reader, nullptr, registry);
    return reader;
}

// A registry entry read from its stored form.
inline MESH3D_ENTRY* makeEntry(const std::string& key, const std::vector<Vector3>& points,
                               const std::vector<std::vector<int32_t>>& faces) {
    PackWriter w;
    w.openMemory();
    w.writeInt(0);  // tag
    w.writeString(key.c_str());
    w.writeString(key.c_str());
    w.writeInt(static_cast<int32_t>(points.size()));
    for (const Vector3& p : points) p.save(w);
    w.writeInt(static_cast<int32_t>(faces.size()));
    for (const auto& f : faces) {
        w.writeInt(static_cast<int32_t>(f.size()));
        for (int32_t i : f) w.writeInt(i);
    }
    auto reader = readerOver(w.bytes());
    auto* entry = new MESH3D_ENTRY();
    entry->load(*reader);
    return reader->failed() ? (delete entry, nullptr) : entry;
}

// A library with the given ids, each coloured (id / 1000, 0.5, 0.25).
inline std::unique_ptr<MaterialLibrary> makeLibrary(std::initializer_list<int> ids) {
    auto library = std::make_unique<MaterialLibrary>(1000);
    for (int id : ids) library->add(new Material(id, ColorRGB(id / 1000.0f, 0.5f, 0.25f)));
    return library;
}

// The unit tetrahedron: 4 points, 4 triangles, materials 10 to 13.
inline MeshRecord tetrahedron() {
    MeshRecord r;
    r.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    r.faces = {{3, 0, 2, 1}, {3, 0, 1, 3}, {3, 0, 3, 2}, {3, 1, 2, 3}};
    r.materials = {10, 11, 12, 13};
    return r;
}

}  // namespace meshtest
