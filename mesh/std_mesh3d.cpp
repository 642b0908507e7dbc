// StdMesh3D: points, faces, the per-frame update and draw passes, the soft body and the mesh record.
#include "mesh/std_mesh3d.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "data/mesh_registry.h"
#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/render_device.h"
#include "scene/scene3d.h"
#include "scene/ticks.h"

namespace {

SoftBodyMaker softBodyMaker = nullptr;


// Copies key into a zero-filled 200-byte buffer, truncating it to 199 characters.
void copyKey(char (&buffer)[200], const char* key) {
    std::memset(buffer, 0, sizeof buffer);
    if (key) std::memcpy(buffer, key, strnlen(key, sizeof buffer - 1));
}

// Words stored per inline face: n and three indices.
constexpr int kInlineFaceWords = 4;

// The six quads of a box over corners numbered as setBox expects: count 4, then the corners.
constexpr int32_t kBoxFaces[6][5] = {
    {4, 3, 2, 1, 0}, {4, 4, 5, 6, 7}, {4, 0, 1, 5, 4}, {4, 7, 6, 2, 3}, {4, 0, 4, 7, 3}, {4, 5, 1, 2, 6},
};

}  // namespace

void setSoftBodyMaker(SoftBodyMaker maker) { softBodyMaker = maker; }

std::unique_ptr<SoftBody> makeSoftBody() { return softBodyMaker ? softBodyMaker() : nullptr; }

StdMesh3D::StdMesh3D() {
    addKind(kKindMesh);
    addKind(kKindMeshA);
    setParam(1.0f);
}

StdMesh3D::~StdMesh3D() { releasePoints(); }

void StdMesh3D::releasePoints() {
    // The soft body addresses the local points: it must not outlive them.
    if (softBody_) softBody_->release();
    softBodyReady_ = false;
    if (ownsLocalPoints_) delete[] localPoints_;
    delete[] worldPoints_;
    localPoints_ = nullptr;
    worldPoints_ = nullptr;
    ownsLocalPoints_ = false;
    pointCount_ = 0;
    pointsKey_[0] = 0;
}

// ---- FaceSet part ----

void StdMesh3D::assignFaces(int count, int32_t** faces, const int32_t* materials) {
    count = std::max(count, 0);
    if (faces != ownedFaces_.data()) {
        ownedFaces_.clear();
        ownedFaceWords_.clear();
    }
    faces_ = faces;
    faceCount_ = count;
    if (materials)
        materials_.assign(materials, materials + count);
    else
        materials_.assign(static_cast<size_t>(count), -1);
}

int StdMesh3D::setFaces(int count, int32_t** faces, const int32_t* materials) {
    facesKey_[0] = 0;
    assignFaces(count, faces, materials);
    return 0;
}

int StdMesh3D::installFace(int a, int b) {
    messageBox("not implemented anymore in stdmesh install face", "", MessageBoxStyle::Ok);
    return 0;
}

int StdMesh3D::shareFaces(const char* key, int count, int32_t** faces, const int32_t* materials) {
    copyKey(facesKey_, key);
    assignFaces(count, faces, materials);
    return 0;
}

Face* StdMesh3D::getFace(int index) {
    if (!faces_ || index < 0 || index >= faceCount_ || !faces_[index]) return nullptr;
    const int32_t* f = faces_[index];
    const int n = std::clamp(f[0], 0, kMaxFaceCorners);
    bool inside = true;
    for (int i = 1; i <= n; ++i) inside = inside && f[i] >= 0 && f[i] < pointCount_;
    // A face that reaches outside the points is handed out without corners.
    faceView_.setIndices(this, inside ? n : 0, f + 1);
    faceView_.setMaterial(materials_[static_cast<size_t>(index)]);
    return &faceView_;
}

void StdMesh3D::copyFaces(int count, const int32_t* const* faces, const int32_t* materials) {
    count = std::max(count, 0);
    std::vector<int32_t> words;
    std::vector<size_t> starts;
    for (int i = 0; i < count; ++i) {
        const int32_t* f = faces ? faces[i] : nullptr;
        const int n = f ? std::clamp(f[0], 0, kMaxFaceCorners) : 0;
        starts.push_back(words.size());
        words.push_back(n);
        for (int j = 1; j <= n; ++j) words.push_back(f[j]);
        // Every owned face holds at least the inline form's four words.
        for (int j = n + 1; j < kInlineFaceWords; ++j) words.push_back(0);
    }
    ownedFaceWords_ = std::move(words);
    ownedFaces_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) ownedFaces_[static_cast<size_t>(i)] = ownedFaceWords_.data() + starts[i];
    facesKey_[0] = 0;
    assignFaces(count, ownedFaces_.data(), materials);
}

void StdMesh3D::setBox(const Vector3 (&corners)[8], int firstMaterial) {
    const Vector3* pointList[8];
    for (int i = 0; i < 8; ++i) pointList[i] = &corners[i];
    const int32_t* faceList[6];
    int32_t faceMaterials[6];
    for (int f = 0; f < 6; ++f) {
        faceList[f] = kBoxFaces[f];
        faceMaterials[f] = firstMaterial + f;
    }
    copyPoints(8, pointList);
    copyFaces(6, faceList, faceMaterials);
}

// ---- VertexSet part ----

int StdMesh3D::adoptPoints(int count, Vector3* points) {
    releasePoints();
    count = points ? std::max(count, 0) : 0;
    localPoints_ = points;
    ownsLocalPoints_ = true;
    worldPoints_ = new Vector3[static_cast<size_t>(count)]();
    pointCount_ = count;
    return 0;
}

int StdMesh3D::copyPoints(int count, const Vector3* const* points) {
    count = std::max(count, 0);
    if ((!localPoints_ && !worldPoints_) || count != pointCount_) {
        releasePoints();
        localPoints_ = new Vector3[static_cast<size_t>(count)]();
        worldPoints_ = new Vector3[static_cast<size_t>(count)]();
        ownsLocalPoints_ = true;
    }
    pointCount_ = count;
    for (int i = 0; i < count; ++i) {
        if (points && points[i]) localPoints_[i].set(points[i]->x, points[i]->y, points[i]->z);
    }
    return 0;
}

int StdMesh3D::sharePoints(const char* key, int count, Vector3* points) {
    releasePoints();
    copyKey(pointsKey_, key);
    count = points ? std::max(count, 0) : 0;
    localPoints_ = points;
    ownsLocalPoints_ = false;
    pointCount_ = count;
    worldPoints_ = new Vector3[static_cast<size_t>(count)]();
    return 0;
}

int StdMesh3D::setPoint(int index, const Vector3& v, int space) {
    if (!isValidPointSpace(space)) return kPointSpaceUnsupported;
    if (Vector3* p = getPoint(index, space)) p->set(v.x, v.y, v.z);
    return kPointDone;
}

int StdMesh3D::setAuxPoint(int index, const Vector3& v, int space) {
    return isValidPointSpace(space) ? kPointDone : kPointSpaceUnsupported;
}

Vector3* StdMesh3D::getPoint(int index, int space) {
    if (index < 0 || index >= pointCount_) return nullptr;
    if (space == kLocalPoints) return localPoints_ ? &localPoints_[index] : nullptr;
    if (space == kTransformedPoints) return worldPoints_ ? &worldPoints_[index] : nullptr;
    return nullptr;
}

Vector3* StdMesh3D::getAuxPoint(int index, int space) {
    if (space != kLocalPoints || !auxPoints_ || index < 0 || index >= pointCount_) return nullptr;
    return &auxPoints_[index];
}

// ---- Node3D part: frame passes ----

void StdMesh3D::setSoftBody(int32_t startFrame, int32_t endFrame, float directionStiffness,
                            float lengthStiffness, float damping, float reserveParam) {
    startFrame_ = startFrame;
    endFrame_ = endFrame;
    directionStiffness_ = directionStiffness;
    lengthStiffness_ = lengthStiffness;
    damping_ = damping;
    reserveParam_ = reserveParam;
}

bool StdMesh3D::rootPaused() {
    // Only a scene root can pause; a mesh outside any scene (an effect's tile) never is.
    const uint64_t version = nodeTreeVersion();
    if (version != rootVersion_) {
        rootScene_ = dynamic_cast<const Scene3D*>(getRoot());
        rootVersion_ = version;
    }
    return rootScene_ && rootScene_->isPaused();
}

void StdMesh3D::stepSoftBody(uint32_t time) {
    if (!softBodyReady_ || time < lastSimTime_) {
        if (!softBody_) softBody_ = makeSoftBody();
        // A mesh without points has nothing to simulate; stepping an unbound system would
        // report a failure every frame.
        if (!softBody_ || softBody_->bind(this, lengthStiffness_, directionStiffness_, damping_) != 0) return;
        lastScale_ = getScale();
        softBodyReady_ = true;
    }
    const Vector3 scaleBefore = getScale();
    softBody_->step();
    lastScale_ = getScale();
    lastSimTime_ = time;
    if (lastScale_.differs(scaleBefore)) messageBox("beuh!", "yo", MessageBoxStyle::Ok);
}

int StdMesh3D::update(RenderDevice* device, int width, int height, bool recurse) {
    const uint32_t time = static_cast<uint32_t>(getTime());
    const uint32_t windowStart = static_cast<uint32_t>(startFrame_) * kTicksPerFrame;
    const uint32_t windowEnd = static_cast<uint32_t>(endFrame_) * kTicksPerFrame;
    if (!rootPaused() && frozen_ == 0 && time >= windowStart && time < windowEnd) stepSoftBody(time);

    if (!device) return 0;

    if (transformMode_ == kTransformCopy) {
        for (int i = 0; i < pointCount_; ++i) worldPoints_[i] = localPoints_[i];
    } else if (transformMode_ & kTransformWorld) {
        const Matrix4 m = getWorldMatrix();
        for (int i = 0; i < pointCount_; ++i) worldPoints_[i] = localPoints_[i].transformPoint(m);
    }
    // Any other mode: the transformed points come from another writer.

    visible_ = device->isVisible(worldPoints_, pointCount_) != 0;
    if (visible_ && recurse) updateChildren(device, width, height);
    return 0;
}

int StdMesh3D::draw(RenderDevice* device, int width, int height, bool recurse) {
    if (!visible_ || !Node3D::isVisible()) return 0;
    if (device) device->drawMesh(*this, kDrawTransformed);
    if (recurse) drawChildren(device, width, height);
    return 0;
}

// ---- Node3D part: the mesh record ----

void StdMesh3D::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    ReadContext context(reader, "a mesh record");
    frozen_ = reader.getInt();

    // Points.
    bool pointsKnown = true;
    const int32_t pointsMode = reader.getInt();
    if (pointsMode == 0) {
        ReadContext pointContext(reader, "mesh points");
        const int32_t count = reader.getInt();
        if (!reader.checkCount(count, kMaxMeshPoints, "mesh point count")) return;
        // Grown as the data arrives, so a truncated stream does not allocate the full count.
        std::vector<Vector3> points;
        points.reserve(static_cast<size_t>(std::min<int32_t>(count, 65536)));
        for (int32_t i = 0; i < count && !reader.failed(); ++i) {
            Vector3 v;
            v.load(reader);
            points.push_back(v);
        }
        if (reader.failed()) return;
        Vector3* array = new Vector3[static_cast<size_t>(count)];
        std::copy(points.begin(), points.end(), array);
        adoptPoints(count, array);
    } else if (registry) {
        char key[kMeshKeyCapacity] = {};
        reader.readCountedString(key, sizeof key);
        if (reader.failed()) return;
        if (MESH3D_ENTRY* entry = registry->findByKey(key)) {
            sharePoints(entry->getKey(), entry->getNbPts(), entry->getPoints());
        } else {
            messageBox("error:factory NULL", "error", MessageBoxStyle::Ok);
            pointsKnown = false;
        }
    }

    // Faces.
    const int32_t facesMode = reader.getInt();
    if (facesMode == 0) {
        ReadContext faceContext(reader, "mesh faces");
        const int32_t count = reader.getInt();
        if (!reader.checkCount(count, kMaxMeshFaces, "mesh face count")) return;
        std::vector<int32_t> words;
        words.reserve(static_cast<size_t>(std::min<int32_t>(count, 65536)) * kInlineFaceWords);
        for (int32_t i = 0; i < count && !reader.failed(); ++i) {
            int32_t face[kInlineFaceWords];
            for (int32_t& w : face) w = reader.getInt();
            if (reader.failed()) break;
            // The inline form holds three indices.
            if (face[0] < 0 || face[0] > kInlineFaceWords - 1) {
                reader.fail("inline face corner count");
                break;
            }
            for (int j = 1; j <= face[0] && pointsKnown; ++j) {
                if (face[j] < 0 || face[j] >= pointCount_) {
                    // Kept for save, never used to reach a point: getFace hands it out empty.
                    reader.note("face index " + std::to_string(face[j]) + " outside 0.." +
                                std::to_string(pointCount_ - 1) + " (the face is not drawn)");
                    break;
                }
            }
            words.insert(words.end(), face, face + kInlineFaceWords);
        }
        std::vector<int32_t> faceMaterials;
        faceMaterials.reserve(static_cast<size_t>(std::min<int32_t>(count, 65536)));
        for (int32_t i = 0; i < count && !reader.failed(); ++i) faceMaterials.push_back(reader.getInt());
        if (reader.failed()) return;
        ownedFaceWords_ = std::move(words);
        ownedFaces_.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            ownedFaces_[static_cast<size_t>(i)] = ownedFaceWords_.data() + static_cast<size_t>(i) * kInlineFaceWords;
        setFaces(count, ownedFaces_.data(), faceMaterials.data());
    } else if (registry) {
        char key[kMeshKeyCapacity] = {};
        reader.readCountedString(key, sizeof key);
        if (reader.failed()) return;
        MESH3D_ENTRY* entry = registry->findByKey(key);
        // The record holds no count for the material list of an unknown entry: the stream
        // cannot be followed any further.
        if (!entry) {
            reader.fail("shared faces key not in the mesh registry");
            return;
        }
        const int32_t count = entry->getNbFaces();
        if (!reader.checkCount(count, kMaxMeshFaces, "shared mesh face count")) return;
        std::vector<int32_t> faceMaterials(static_cast<size_t>(count));
        for (int32_t i = 0; i < count && !reader.failed(); ++i) faceMaterials[static_cast<size_t>(i)] = reader.getInt();
        if (reader.failed()) return;
        shareFaces(entry->getKey(), count, entry->getFaces(), faceMaterials.data());
    }

    // Soft body.
    const int16_t hasSoftBody = reader.getShort();
    if (hasSoftBody != 0) {
        startFrame_ = reader.getInt();
        endFrame_ = reader.getInt();
        directionStiffness_ = reader.getFloat();
        lengthStiffness_ = reader.getFloat();
        damping_ = reader.getFloat();
        reserveParam_ = reader.getFloat();
    }
    if (reader.failed()) return;

    loadNodeRecord(reader, materials, registry);
}

void StdMesh3D::save(PackWriter& writer, MaterialLibrary* materials) {
    writer.writeInt(frozen_);
    writer.writeText("saving:%s\n", getName());

    if (sharesPoints()) {
        writer.writeInt(1);
        writer.writeString(pointsKey_);
    } else {
        writer.writeInt(0);
        writer.writeInt(pointCount_);
        for (int i = 0; i < pointCount_; ++i) localPoints_[i].save(writer);
    }

    if (sharesFaces()) {
        writer.writeInt(1);
        writer.writeString(facesKey_);
    } else {
        writer.writeInt(0);
        writer.writeInt(faceCount_);
        // Owned faces keep all four stored words; faces set by code hold only their n indices.
        const bool fourWords = faces_ && faces_ == ownedFaces_.data();
        for (int i = 0; i < faceCount_; ++i) {
            const int32_t* f = faces_ ? faces_[i] : nullptr;
            // The inline form holds triangles: a larger face keeps its first three corners.
            const int32_t n = f ? std::clamp(f[0], 0, kInlineFaceWords - 1) : 0;
            writer.writeInt(n);
            for (int j = 1; j < kInlineFaceWords; ++j)
                writer.writeInt(f && (j <= n || fourWords) ? f[j] : 0);
        }
    }
    for (int i = 0; i < faceCount_; ++i) writer.writeInt(materials_[static_cast<size_t>(i)]);

    if (endFrame_ != 0) {
        writer.writeShort(1);
        writer.writeInt(startFrame_);
        writer.writeInt(endFrame_);
        writer.writeFloat(directionStiffness_);
        writer.writeFloat(lengthStiffness_);
        writer.writeFloat(damping_);
        writer.writeFloat(reserveParam_);
    } else {
        writer.writeShort(0);
    }

    saveNodeRecord(writer, materials);
}
