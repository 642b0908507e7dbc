// IndexedFace: a polygon view over the points of another VertexSet.
#include "mesh/indexed_face.h"

#include <algorithm>

#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"

namespace {
int clampCorners(int n) { return std::clamp(n, 0, kMaxFaceCorners); }
}  // namespace

int IndexedFace::copyPoints(int count, const Vector3* const* points) {
    messageBox("not implemented anymore!", "", MessageBoxStyle::Ok);
    // The corner count must stay within the index list.
    count_ = clampCorners(count);
    return 0;
}

Vector3* IndexedFace::getPoint(int index, int space) {
    if (!source_ || index < 0 || index >= count_) return nullptr;
    return source_->getPoint(indices_[index], space);
}

void IndexedFace::setIndices(VertexSet* source, int n, const int32_t* indices) {
    count_ = clampCorners(n);
    source_ = source;
    if (!indices) return;
    // Meshes re-target their face view once per face and frame: the usual triangles and
    // quadrilaterals are copied inline rather than through a library call.
    if (count_ == 3 || count_ == 4) {
        indices_[0] = indices[0];
        indices_[1] = indices[1];
        indices_[2] = indices[2];
        if (count_ == 4) indices_[3] = indices[3];
        return;
    }
    std::copy(indices, indices + count_, indices_);
}

void IndexedFace::setColour(float r, float g, float b) {
    colour_[0] = r < 0.0f ? 0.0f : r;
    colour_[1] = g < 0.0f ? 0.0f : g;
    colour_[2] = b < 0.0f ? 0.0f : b;
    material_ = -2;
}

void IndexedFace::getColour(float& r, float& g, float& b) {
    r = colour_[0];
    g = colour_[1];
    b = colour_[2];
}

void IndexedFace::computePlane(int space) {
    if (!isValidPointSpace(space)) return;
    Vector3 normal(0, 0, 0);
    Vector3 sum(0, 0, 0);
    for (int i = 0; i < count_; ++i) {
        const Vector3* p = getPoint(i, space);
        const Vector3* q = getPoint((i + 1) % count_, space);
        if (!p || !q) return;
        normal.x += (p->y - q->y) * (p->z + q->z);
        normal.y += (p->z - q->z) * (p->x + q->x);
        normal.z += (p->x - q->x) * (p->y + q->y);
        sum.add(*p);
    }
    const float len = normal.length();
    Plane plane;
    if (len != 0.0f) {
        plane.set(normal.x / len, normal.y / len, normal.z / len,
                  -sum.dot(normal) / (len * static_cast<float>(count_)));
    } else {
        plane.set(normal.x, normal.y, normal.z, -sum.dot(normal));
    }
    (space == kTransformedPoints ? worldPlane_ : localPlane_) = plane;
}

int IndexedFace::load(VertexSet* source, PackReader& reader, int x) {
    ReadContext context(reader, "a face");
    const int32_t n = reader.getInt();
    if (!reader.checkCount(n, kMaxFaceCorners, "face corner count")) return 0;
    int32_t indices[kMaxFaceCorners] = {};
    const int pointCount = source ? source->getPointCount() : 0;
    for (int i = 0; i < n && !reader.failed(); ++i) {
        indices[i] = reader.getInt();
        if (source && (indices[i] < 0 || indices[i] >= pointCount)) reader.fail("face index out of range");
    }
    const int32_t material = reader.getInt();
    if (reader.failed()) return 0;
    setIndices(source, n, indices);
    material_ = material;
    return 0;
}

int IndexedFace::save(PackWriter& writer, int x) {
    writer.writeInt(count_);
    for (int i = 0; i < count_; ++i) writer.writeInt(indices_[i]);
    writer.writeInt(material_);
    return 0;
}
