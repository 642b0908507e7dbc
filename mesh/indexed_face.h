// IndexedFace: the one Face implementation, a light view that reaches the points of another
// VertexSet through a list of at most kMaxFaceCorners indices. Meshes re-target one IndexedFace
// per getFace call instead of storing face objects.
#pragma once

#include <cstdint>

#include "mesh/face.h"

class IndexedFace : public Face {
public:
    IndexedFace() = default;
    ~IndexedFace() override = default;

    // VertexSet part. A face has no points of its own: the setters do nothing.
    int adoptPoints(int count, Vector3* points) override { return 0; }
    // Retired: shows "not implemented anymore!" and sets the corner count (kept within 0..10).
    int copyPoints(int count, const Vector3* const* points) override;
    int sharePoints(const char* key, int count, Vector3* points) override { return 0; }
    int setPoint(int index, const Vector3& v, int space) override { return 0; }
    // 0 for space 0, 2 for any other space; stores nothing.
    int setAuxPoint(int index, const Vector3& v, int space) override { return space != 0 ? 2 : 0; }
    // Corner index of the source in that space; null without a source or for a corner out of range.
    Vector3* getPoint(int index, int space) override;
    Vector3* getAuxPoint(int index, int space) override { return nullptr; }
    int getPointCount() override { return count_; }

    // Face part.
    // count := n (kept within 0..10), source := source, copies the first n indices.
    void setIndices(VertexSet* source, int n, const int32_t* indices) override;
    Plane getPlane(int space) override { return space == kTransformedPoints ? worldPlane_ : localPlane_; }
    // Negative components become 0 (no upper clamp); material becomes -2.
    void setColour(float r, float g, float b) override;
    void getColour(float& r, float& g, float& b) override;
    void setMaterial(int index) override { material_ = index; }
    int getMaterial() override { return material_; }
    // Newell's method over the corners; space 0 writes the local plane, 2 the world plane, any
    // other space does nothing. A corner that cannot be read leaves the plane unchanged.
    void computePlane(int space) override;
    const int32_t* getIndices() override { return indices_; }
    // int32 n, n int32 indices, int32 material. n outside 0..10, or an index outside the
    // source's points (when a source is given), is a load error recorded on the reader.
    int load(VertexSet* source, PackReader& reader, int x) override;
    // The same three items through writeInt.
    int save(PackWriter& writer, int x) override;

    VertexSet* getSource() const { return source_; }

private:
    Plane localPlane_{0, 0, 0, 0};
    Plane worldPlane_{0, 0, 0, 0};
    int count_ = 0;
    int material_ = -2;
    int32_t indices_[kMaxFaceCorners] = {};
    float colour_[3] = {0, 0, 0};
    VertexSet* source_ = nullptr;
};
