// MeshRegistry: the shared meshes of the show (MESH3D_ENTRY records), read from the head of the
// pack. Mesh nodes refer to an entry's points and faces by key without copying them.
#pragma once

#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/named_list.h"
#include "math/vector3.h"

class PackReader;
class PackWriter;

// Key and name buffers hold at most 199 characters and the NUL.
constexpr int kMeshKeyCapacity = 200;
// Largest point and face counts a record may announce, and most corners of one face.
constexpr int32_t kMeshMaxPoints = 4000000;
constexpr int32_t kMeshMaxFaces = 4000000;
constexpr int32_t kMeshMaxFaceCorners = 10;
// Largest number of records the mesh section may announce.
constexpr int32_t kMeshMaxEntries = 1000000;

struct MESH3D_ENTRY {
    MESH3D_ENTRY();
    ~MESH3D_ENTRY();
    MESH3D_ENTRY(const MESH3D_ENTRY&) = delete;
    MESH3D_ENTRY& operator=(const MESH3D_ENTRY&) = delete;

    // Reads one record. Counts of zero or less give empty arrays (a face without corners keeps
    // its count as read). A face of more than 10 corners is a load error recorded on the reader;
    // a face index outside 0 .. nbPts-1 is kept and noted on the reader (no one draws that face).
    void load(PackReader& reader);
    // Writes the record in the order load reads it.
    void save(PackWriter& writer) const;
    // "key:%s name:%s nbPts:%d nbFaces:%d" into a buffer of the given capacity, never past it.
    void describe(char* buffer, size_t capacity) const;

    const char* getKey() const { return key; }
    const char* getName() const { return name; }
    int getNbPts() const { return nbPts; }
    Vector3* getPoints() const { return points; }
    int getNbFaces() const { return nbFaces; }
    // Face i is [n, index 1, ..., index n].
    int32_t** getFaces() const { return faces; }

    char key[kMeshKeyCapacity];
    int32_t nbPts = 0;
    int32_t nbFaces = 0;
    int32_t** faces = nullptr;
    char name[kMeshKeyCapacity];
    Vector3* points = nullptr;
    int32_t tag = 0;

private:
    // Storage behind points and faces; grown only as data actually arrives, fixed after load.
    std::vector<Vector3> pointStorage_;
    std::vector<int32_t> faceData_;
    std::vector<int32_t*> faceTable_;
};

class MeshRegistry {
public:
    MeshRegistry() = default;
    // Closes the log if one is attached; releases the entries.
    virtual ~MeshRegistry();

    // Reads the whole mesh section; returns 0 (errors are recorded on the reader).
    int loadEntries(PackReader& reader);
    // Writes the mesh section (entry count, then each entry).
    void save(PackWriter& writer);
    // 0 when added; 4 when an entry with an equal key is already present (not added).
    int addEntry(MESH3D_ENTRY* entry);
    // The first entry whose key equals key exactly (case-sensitive); null if none.
    MESH3D_ENTRY* findByKey(const char* key);
    // Attaches a diagnostic log; the registry closes it on destruction.
    void setLog(FILE* log) { log_ = log; }
    // The entries in the order they were added; the registry owns them.
    NamedList<MESH3D_ENTRY>& entries() { return entries_; }

private:
    // Brings the key index up to date with the list (entries added to it directly included).
    void syncIndex();

    FILE* log_ = nullptr;
    NamedList<MESH3D_ENTRY> entries_;
    // Key to the first entry with that key, so that adding and finding do not walk the list.
    std::unordered_map<std::string, MESH3D_ENTRY*> byKey_;
    int indexed_ = 0;
};
