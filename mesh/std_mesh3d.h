// StdMesh3D: the scene-graph node that carries polygon geometry ("StdMesh3D", kind bits 3 and 2).
// Its points and faces are either its own (read inline from the node record, or set by code) or
// shared with a MESH3D_ENTRY of the mesh registry by key; material indices are always per node.
// Every frame update() steps the soft body (inside its time window), produces the transformed
// points and asks the device whether they are in view; draw() hands the mesh to the device.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/indexed_face.h"
#include "mesh/mesh_base.h"
#include "mesh/soft_body.h"

// Upper bounds for counts read from a node record.
constexpr int32_t kMaxMeshPoints = 4000000;
constexpr int32_t kMaxMeshFaces = 4000000;

class Scene3D;

class StdMesh3D : public MeshBase {
public:
    // Empty: no points, no faces, transform mode 2, soft body unbound, param (opacity) 1.0.
    StdMesh3D();
    // Releases the owned arrays, the soft body and the Node3D part; never shared arrays.
    ~StdMesh3D() override;
    StdMesh3D(const StdMesh3D&) = delete;
    StdMesh3D& operator=(const StdMesh3D&) = delete;

    // FaceSet part.
    // Keeps the faces pointer (not owned: the caller keeps the arrays alive as long as the mesh);
    // copies count materials (a null list gives -1, no material, for every face). Returns 0.
    int setFaces(int count, int32_t** faces, const int32_t* materials) override;
    // Retired: shows "not implemented anymore in stdmesh install face" and returns 0.
    int installFace(int a, int b) override;
    // Keeps a copy of key (at most 199 characters), then setFaces. Returns 0.
    int shareFaces(const char* key, int count, int32_t** faces, const int32_t* materials) override;
    // Re-targets the one face view on face index and returns it (the same object every time).
    // A face whose corners lie outside the points is handed out with no corners; an index
    // outside 0..faceCount-1 gives null.
    Face* getFace(int index) override;
    int getFaceCount() override { return faceCount_; }
    void setTransformMode(int mode) override { transformMode_ = mode; }

    // VertexSet part.
    // The array (allocated with new[]) becomes the owned local points; a transformed array of
    // count points is allocated (no points for a null array). Previous arrays are released (never
    // a shared one). Returns 0.
    int adoptPoints(int count, Vector3* points) override;
    // Copies count listed points into owned local points, reallocating when the count changes.
    int copyPoints(int count, const Vector3* const* points) override;
    // Uses points as the local points without owning them (no points for a null array); keeps a
    // copy of key. Returns 0.
    int sharePoints(const char* key, int count, Vector3* points) override;
    // Copies into point index of space 0 or 2: 0; 2 for another space; 0 and no effect for an
    // index out of range.
    int setPoint(int index, const Vector3& v, int space) override;
    int setAuxPoint(int index, const Vector3& v, int space) override;
    // &local[index] (space 0) or &transformed[index] (space 2); null otherwise or out of range.
    Vector3* getPoint(int index, int space) override;
    Vector3* getAuxPoint(int index, int space) override;
    int getPointCount() override { return pointCount_; }

    // Node3D part.
    const char* getTypeName() const override { return "StdMesh3D"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // Soft-body step inside its window, transformed points, frustum test, children (if in view).
    int update(RenderDevice* device, int width, int height, bool recurse) override;
    // Hands the mesh to the device (vertex set 2) and draws the children, unless out of view or
    // hidden.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // The mesh record, then the Node3D record. Errors are recorded on the reader.
    void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) override;
    // The mirror of load (the diagnostic "saving:<name>" line goes to writeText).
    void save(PackWriter& writer, MaterialLibrary* materials) override;

    // Convenience for code that builds meshes: copies the face arrays into storage owned by the
    // mesh, then setFaces on that copy. Each face is [n, index 1, ..., index n], n in 0..10.
    void copyFaces(int count, const int32_t* const* faces, const int32_t* materials);
    // Convenience for code that builds boxes: owned copies of the eight corners (0..3 around one
    // side, 4..7 around the opposite one, corner i + 4 across from corner i) and of six quads on
    // materials firstMaterial .. firstMaterial + 5.
    void setBox(const Vector3 (&corners)[8], int firstMaterial);

    // Soft-body settings as read from the node record (endFrame 0: no soft body).
    void setSoftBody(int32_t startFrame, int32_t endFrame, float directionStiffness, float lengthStiffness,
                     float damping, float reserveParam);
    int32_t getStartFrame() const { return startFrame_; }
    int32_t getEndFrame() const { return endFrame_; }
    float getLengthStiffness() const { return lengthStiffness_; }
    float getDirectionStiffness() const { return directionStiffness_; }
    float getDamping() const { return damping_; }
    float getReserveParam() const { return reserveParam_; }
    int32_t getFrozen() const { return frozen_; }
    void setFrozen(int32_t frozen) { frozen_ = frozen; }
    int getTransformMode() const { return transformMode_; }
    // Result of the last frustum test (true until the first update).
    bool isInView() const { return visible_; }
    uint32_t getLastSimTime() const { return lastSimTime_; }
    bool isSoftBodyReady() const { return softBodyReady_; }

    Vector3* getLocalPoints() { return localPoints_; }
    Vector3* getWorldPoints() { return worldPoints_; }
    int32_t** getFaces() { return faces_; }
    // One material index per face (null when there are no faces).
    const int32_t* getMaterials() const { return materials_.empty() ? nullptr : materials_.data(); }
    // Registry keys when the points / faces are shared; "" otherwise.
    const char* getPointsKey() const { return pointsKey_; }
    const char* getFacesKey() const { return facesKey_; }
    bool sharesPoints() const { return pointsKey_[0] != 0; }
    bool sharesFaces() const { return facesKey_[0] != 0; }

private:
    // Frees the owned point arrays and unbinds the soft body (its point table refers to them).
    void releasePoints();
    // setFaces without touching the faces key.
    void assignFaces(int count, int32_t** faces, const int32_t* materials);
    void stepSoftBody(uint32_t time);
    // True when the scene root of this node is paused. The root is looked up again only after a
    // node tree changed (nodeTreeVersion).
    bool rootPaused();

    const Scene3D* rootScene_ = nullptr;  // the scene root found at rootVersion_, or null
    uint64_t rootVersion_ = 0;

    Vector3* localPoints_ = nullptr;
    Vector3* auxPoints_ = nullptr;
    Vector3* worldPoints_ = nullptr;
    int32_t pointCount_ = 0;
    int32_t faceCount_ = 0;
    int32_t transformMode_ = kTransformWorld;
    int32_t frozen_ = 0;
    uint32_t lastSimTime_ = 0;
    int32_t startFrame_ = 0;
    int32_t endFrame_ = 0;
    float lengthStiffness_ = 0.4f;
    float directionStiffness_ = 0.8f;
    float damping_ = 0.93f;
    float reserveParam_ = 0.0001f;
    bool visible_ = true;
    std::vector<int32_t> materials_;
    char pointsKey_[200] = {};
    char facesKey_[200] = {};
    int32_t** faces_ = nullptr;
    IndexedFace faceView_;
    std::unique_ptr<SoftBody> softBody_;  // made at the first soft-body step
    bool softBodyReady_ = false;
    Vector3 lastScale_{1, 1, 1};

    bool ownsLocalPoints_ = false;
    // Faces read inline or copied by copyFaces: the corner words and the per-face pointers.
    std::vector<int32_t> ownedFaceWords_;
    std::vector<int32_t*> ownedFaces_;
};
