// The show's records described once, field by field in stream order, for both directions of a
// RecordCodec: the mesh section and the timeline section with its cells, scenes, node trees,
// controllers and physics records. Field names are the classes' own.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "tools/show_source/source_codec.h"

// What the records met so far, for names of files and for references.
struct ShowRecordContext {
    std::map<std::string, int32_t> meshFaces;  // registry key -> face count
    std::set<std::string> animations;          // library animation names
    std::set<int32_t> nodeIds;                 // node ids of the scene being read
    std::set<int32_t> meshNodeIds;             // those of mesh nodes
    std::map<std::string, ImportedColours> meshColours;  // imported registry key -> its colours
    float paramDefault = 1.0f;                 // the next node's param when the source leaves it out
    int meshFileCount = 0;
    int sceneCount = 0;
    int sceneMeshCount = 0;                    // mesh nodes with their own OBJ file in this scene
    int pictureCount = 0;
};

// The manifest: the mesh section, then the timeline section (scenes in documents of their own).
void codeShow(RecordCodec& c, ShowRecordContext& x);

// The name of the manifest document in a source folder.
constexpr const char* kManifestName = "show.yaml";
