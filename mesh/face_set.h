// FaceSet: an indexed set of faces over the points of a VertexSet.
#pragma once

#include <cstdint>

class Face;

class FaceSet {
public:
    virtual ~FaceSet() = default;
    // faces: count pointers to [n, index 1, ..., index n]; materials: count int32, copied.
    virtual int setFaces(int count, int32_t** faces, const int32_t* materials) = 0;
    // Retired: shows its message and does nothing.
    virtual int installFace(int a, int b) = 0;
    // As setFaces, with faces owned elsewhere; keeps a copy of the key.
    virtual int shareFaces(const char* key, int count, int32_t** faces, const int32_t* materials) = 0;
    virtual int reserved4(int, int) { return 0; }
    // The face at index, as a view valid until the next getFace on this set.
    virtual Face* getFace(int index) = 0;
    virtual int getFaceCount() = 0;
    virtual int reserved7(int) { return 1; }
    virtual int reserved8(int, int) { return 0; }
    virtual void reserved9(int) {}
};
