// Mesh shapes for the sample show, built as plain point and polygon lists. Every polygon is
// convex and wound counter-clockwise when seen from outside, as the render device's back-face
// culling expects. Point 0 of the centred solids is the (-x, -y, -z) corner of their bounding
// box, which is how the scene loader sizes physics bodies.
#pragma once

#include <vector>

#include "math/vector3.h"

struct MeshData {
    std::vector<Vector3> points;
    std::vector<std::vector<int>> faces;

    // The same shape with every polygon fanned into triangles (inline meshes store triangles).
    MeshData triangulated() const;
    // Outward unit normal of face i (from its first three corners).
    Vector3 faceNormal(int i) const;
    // Centre of face i (average of its corners).
    Vector3 faceCentre(int i) const;
    // Appends other, its point indices shifted.
    void append(const MeshData& other);
    // Moves every point by d.
    void translate(const Vector3& d);
};

// Box centred on the origin with half extents (hx, hy, hz); six quadrilaterals.
MeshData makeBox(float hx, float hy, float hz);
// Regular prism of n sides around the y axis from y0 to y1 with radius r, capped at both ends.
MeshData makePrism(int n, float r, float y0, float y1);
// A pillar: an n-sided prism of radius r from y = 0 to height, with a pyramid roof of roofHeight.
MeshData makePillar(int n, float r, float height, float roofHeight);
// Octahedron gem of radius r (and half height h along y), centred on the origin.
MeshData makeGem(float r, float h);
// Sphere subdivided from an icosahedron (subdivisions 0: 12 points; 1: 42; 2: 162).
MeshData makeIcosphere(float r, int subdivisions);
// The same sphere facing inwards: a sky around a scene, seen from inside.
MeshData makeDome(float r);
// A bottle: point 0 is the corner of a box of half extents (hx, hy, hz) that bounds it; an
// n-sided body with shoulders and a neck fills it.
MeshData makeBottle(int n, float hx, float hy, float hz);
// A flat disc of n sides in the plane y = 0 facing up, radius r.
MeshData makeDisc(int n, float r);
// A flat ring (annulus) in the plane y = 0 facing up, in n quadrilaterals.
MeshData makeRing(int n, float inner, float outer);
// A disc in the plane z = 0 facing -z (towards a viewer at negative z), radius r.
MeshData makeFacingDisc(int n, float r);
// A flat grid of cx x cz quadrilaterals over [-sx/2, sx/2] x [-sz/2, sz/2] at y = 0, facing up.
MeshData makeGrid(int cx, int cz, float sx, float sz);
