// VertexSet: an indexed set of points held in two spaces (local and transformed).
#pragma once

#include "math/plane.h"
#include "math/vector3.h"
#include "mesh/point_space.h"

class VertexSet {
public:
    virtual ~VertexSet() = default;
    // Takes the array as the local points (owned).
    virtual int adoptPoints(int count, Vector3* points) = 0;
    // Copies the listed points into the local points.
    virtual int copyPoints(int count, const Vector3* const* points) = 0;
    // Uses the array as local points without owning it.
    virtual int sharePoints(const char* key, int count, Vector3* points) = 0;
    // Copies x, y, z into point index of the space; 2 for an unsupported space.
    virtual int setPoint(int index, const Vector3& v, int space) = 0;
    virtual int setAuxPoint(int index, const Vector3& v, int space) = 0;
    // Point index of the space, null for an unsupported space.
    virtual Vector3* getPoint(int index, int space) = 0;
    virtual Vector3* getAuxPoint(int index, int space) = 0;
    virtual int getPointCount() = 0;
    virtual int reserved9(int) { return 0; }
    virtual void reserved10(int, int) {}
    virtual void reserved11(int, int) {}
    virtual void reserved12(int) {}
    // 2 all on the plane (or empty), 0 all in front or on, 1 all behind or on, 3 spanning.
    virtual int classify(const Plane& plane, int space);
};
