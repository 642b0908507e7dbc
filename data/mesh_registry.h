// MeshRegistry: the shared meshes of the show (MESH3D_ENTRY records), read from the head of the
// pack. Mesh nodes refer to an entry's points and faces by key without copying them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "data/named_list.h"
#include "math/vector3.h"

class PackReader;
class PackWriter;

// Key and name buffers hold at most 199 characters and the NUL.
constexpr int kMeshKeyCapacity = 200;

struct MESH3D_ENTRY {
    MESH3D_ENTRY();
    ~MESH3D_ENTRY();
    MESH3D_ENTRY(const MESH3D_ENTRY&) = delete;
    MESH3D_ENTRY& operator=(const MESH3D_ENTRY&) = delete;

    // Reads one record; a face index outside 0 .. nbPts-1 or a face of more than 10 corners is
    // a load error recorded on the reader.
    void load(PackReader& reader);
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
    MESH3D_ENTRY* findByKey(const char* key);
    // Attaches a diagnostic log; the registry closes it on destruction.
    void setLog(FILE* log) { log_ = log; }
    NamedList<MESH3D_ENTRY>& entries() { return entries_; }

private:
    FILE* log_ = nullptr;
    NamedList<MESH3D_ENTRY> entries_;
};
