// Face: one polygon, itself a VertexSet of its corners, with a plane, a colour and a material.
#pragma once

#include <cstdint>

#include "mesh/vertex_set.h"

class PackReader;
class PackWriter;

// A face has at most this many corners.
constexpr int kMaxFaceCorners = 10;

class Face : public VertexSet {
public:
    virtual void setIndices(VertexSet* source, int count, const int32_t* indices) = 0;
    virtual void reserved15(int) {}
    // worldPlane for space 2, localPlane otherwise.
    virtual Plane getPlane(int space) = 0;
    virtual int reserved17() { return 0; }
    // Negative components become 0; material becomes -2.
    virtual void setColour(float r, float g, float b) = 0;
    virtual void getColour(float& r, float& g, float& b) = 0;
    virtual void setMaterial(int index) = 0;
    // -1 means no material (not drawn).
    virtual int getMaterial() = 0;
    // Newell's method over the corners of space 0 (localPlane) or 2 (worldPlane).
    virtual void computePlane(int space) = 0;
    virtual const int32_t* getIndices() = 0;
    virtual int load(VertexSet* source, PackReader& reader, int x) = 0;
    virtual int save(PackWriter& writer, int x) = 0;
};
