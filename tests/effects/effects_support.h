// Helpers of the effect tests: a render device that only counts, and sea and metaball records
// written in the layout their loaders read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/render_device.h"
#include "scene/node3d.h"

// Draws nothing, answers "visible" and counts meshes and alpha changes. It never allocates, so
// allocation counts see the effects alone.
class QuietDevice : public RenderDevice {
public:
    void setMaterialLibrary(MaterialLibrary* library) override { library_ = library; }
    MaterialLibrary* getMaterialLibrary() override { return library_; }
    void drawFace(Face&, int) override {}
    void drawPoint(const Vector3&) override {}
    void drawMesh(MeshBase&, int) override { ++meshes; }
    void drawLine(const Vector3&, const Vector3&) override {}
    void beginFrame() override {}
    void endFrame() override {}
    void setCamera(Camera3D&, int, int) override {}
    void setLookAt(const Vector3&, const Vector3&, int, int) override {}
    void setClearColor(float, float, float) override {}
    int isVisible(const Vector3*, int) override { return 1; }
    float getAlpha() override { return alpha; }
    void setAlpha(float a) override { alpha = a; }
    void clearDepthBuffer() override {}
    void clearColorBuffer() override {}
    void updateTexture(int, int, int, int, TextureName, int, const void*) override {}
    void bindTexture(TextureName) override {}
    void createTexture(int, int, const void*, TextureName*, int) override {}
    void drawScreenTexture(int, int, int, int, TextureName, float) override {}

    int meshes = 0;
    float alpha = 1.0f;

private:
    MaterialLibrary* library_ = nullptr;
};

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
