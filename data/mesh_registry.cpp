// MeshRegistry and MESH3D_ENTRY: the shared mesh records at the head of the pack, looked up by key.
#include "data/mesh_registry.h"

#include <algorithm>
#include <cstring>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

MESH3D_ENTRY::MESH3D_ENTRY() {
    std::memset(key, 0, sizeof key);
    std::memset(name, 0, sizeof name);
}

MESH3D_ENTRY::~MESH3D_ENTRY() = default;

void MESH3D_ENTRY::load(PackReader& reader) {
    ReadContext context(reader, "a mesh entry");
    pointStorage_.clear();
    faceData_.clear();
    faceTable_.clear();
    points = nullptr;
    faces = nullptr;
    nbPts = 0;
    nbFaces = 0;

    tag = reader.getInt();
    reader.readCountedString(key, sizeof key);
    reader.readCountedString(name, sizeof name);

    // Counts of zero or less give empty arrays.
    const int32_t pointCount = std::max(reader.getInt(), 0);
    if (!reader.checkCount(pointCount, kMeshMaxPoints, "mesh points")) return;
    {
        ReadContext pointContext(reader, "a mesh point");
        // Grown as points arrive, so a count that the stream cannot back allocates little.
        pointStorage_.reserve(static_cast<size_t>(pointCount < 65536 ? pointCount : 65536));
        for (int32_t i = 0; i < pointCount; ++i) {
            Vector3 p;
            p.load(reader);
            if (reader.failed()) break;
            pointStorage_.push_back(p);
        }
    }
    nbPts = static_cast<int32_t>(pointStorage_.size());
    points = pointStorage_.empty() ? nullptr : pointStorage_.data();
    if (reader.failed()) return;

    const int32_t faceCount = std::max(reader.getInt(), 0);
    if (!reader.checkCount(faceCount, kMeshMaxFaces, "mesh faces")) return;
    std::vector<size_t> starts;
    starts.reserve(static_cast<size_t>(faceCount < 65536 ? faceCount : 65536));
    {
        ReadContext faceContext(reader, "a mesh face");
        for (int32_t i = 0; i < faceCount && !reader.failed(); ++i) {
            // A count of zero or less gives a face without corners, kept as read.
            const int32_t corners = reader.getInt();
            if (!reader.checkCount(std::max(corners, 0), kMeshMaxFaceCorners, "mesh face corners")) break;
            const size_t start = faceData_.size();
            faceData_.push_back(corners);
            bool inside = true;
            for (int32_t k = 0; k < corners; ++k) {
                const int32_t index = reader.getInt();
                if (reader.failed()) break;
                if (inside && (index < 0 || index >= nbPts)) {
                    // Kept, so that a save writes it back, but never used to reach a point.
                    reader.note("face point index " + std::to_string(index) + " outside 0.." +
                                std::to_string(nbPts - 1) + " (the face is not drawn)");
                    inside = false;
                }
                faceData_.push_back(index);
            }
            if (reader.failed()) {
                faceData_.resize(start);
                break;
            }
            starts.push_back(start);
        }
    }
    faceTable_.resize(starts.size());
    for (size_t i = 0; i < starts.size(); ++i) faceTable_[i] = faceData_.data() + starts[i];
    nbFaces = static_cast<int32_t>(faceTable_.size());
    faces = faceTable_.empty() ? nullptr : faceTable_.data();
}

void MESH3D_ENTRY::save(PackWriter& writer) const {
    writer.writeInt(tag);
    writer.writeString(key);
    writer.writeString(name);
    writer.writeInt(nbPts);
    for (int32_t i = 0; i < nbPts; ++i) points[i].save(writer);
    writer.writeInt(nbFaces);
    for (int32_t i = 0; i < nbFaces; ++i) {
        const int32_t* face = faces[i];
        writer.writeInt(face[0]);
        for (int32_t k = 1; k <= face[0]; ++k) writer.writeInt(face[k]);
    }
}

void MESH3D_ENTRY::describe(char* buffer, size_t capacity) const {
    if (!buffer || capacity == 0) return;
    // A long key and name are cut at the buffer's end; that truncation is intended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
    std::snprintf(buffer, capacity, "key:%s name:%s nbPts:%d nbFaces:%d", key, name, nbPts, nbFaces);
#pragma GCC diagnostic pop
}

MeshRegistry::~MeshRegistry() {
    if (log_) {
        std::fclose(log_);
        log_ = nullptr;
    }
    // Removing the head is one step each: a removal resets the cursor to the head.
    byKey_.clear();
    while (entries_.count() > 0) delete entries_.removeAt(0);
}

int MeshRegistry::loadEntries(PackReader& reader) {
    ReadContext context(reader, "the mesh section");
    const int32_t entryCount = std::max(reader.getInt(), 0);  // zero or less: no entries
    if (!reader.checkCount(entryCount, kMeshMaxEntries, "mesh entries")) return 0;
    for (int32_t i = 0; i < entryCount; ++i) {
        auto* entry = new MESH3D_ENTRY();
        entry->load(reader);
        if (reader.failed()) {
            delete entry;
            break;
        }
        char description[kMeshKeyCapacity] = {};
        if (log_) {
            entry->describe(description, sizeof description);
            std::fprintf(log_, "READ MESH3D_ENTRY FROM DISK:%s\n", description);
        }
        if (addEntry(entry) != 0) {
            if (log_) std::fprintf(log_, "WARNING !!!! MESH3D_ENTRY WAS ALREADY IN MEMORY :%s\n", description);
            delete entry;
        }
    }
    return 0;
}

void MeshRegistry::save(PackWriter& writer) {
    writer.writeInt(entries_.count());
    for (int i = 0; i < entries_.count(); ++i) entries_.getAt(i)->save(writer);
}

void MeshRegistry::syncIndex() {
    if (indexed_ > entries_.count()) {
        // Entries were taken out of the list: index it again from the start.
        byKey_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < entries_.count(); ++indexed_)
        if (MESH3D_ENTRY* e = entries_.getAt(indexed_)) byKey_.emplace(e->key, e);
}

int MeshRegistry::addEntry(MESH3D_ENTRY* entry) {
    if (!entry) return 4;
    syncIndex();
    if (byKey_.count(entry->key) != 0) return 4;
    entries_.addLast(entry);
    syncIndex();
    return 0;
}

MESH3D_ENTRY* MeshRegistry::findByKey(const char* key) {
    if (!key) return nullptr;
    syncIndex();
    const auto found = byKey_.find(key);
    return found == byKey_.end() ? nullptr : found->second;
}
