// Field-by-field descriptions of the show's records in stream order.
#include "tools/show_source/show_records.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "app/cell.h"
#include "fx/pisse3d.h"
#include "scene/node3d.h"
#include "scene/node_factory.h"
#include "scene/node_kind.h"
#include "mesh/scene_physics.h"
#include "tools/show_source/source_codec.h"

namespace {

// The node classes the factory makes, by the name a source gives them, with their kind words.
struct NodeClass {
    const char* name;
    int bit;
    int32_t kinds;
};

const std::vector<NodeClass>& nodeClasses() {
    static const std::vector<NodeClass> classes = [] {
        const std::pair<const char*, int> named[] = {
            {"Group3D", kKindGroup},      {"Camera3D", kKindCamera},       {"Target3D", kKindTarget},
            {"StdMesh3D", kKindMesh},     {"SeaMesh3D_FX", kKindSea},      {"MetaCube_FX", kKindMetaCube},
            {"Taper3D", kKindTaper},      {"Pisse3D", kKindPisse}};
        std::vector<NodeClass> list;
        for (const auto& [name, bit] : named) {
            std::unique_ptr<Node3D> node(createNodeFromKinds(kindMask(bit), nullptr, nullptr));
            list.push_back({name, bit, static_cast<int32_t>(node ? node->getKinds() : kindMask(bit))});
        }
        return list;
    }();
    return classes;
}

// A file name part made of a name's safe characters.
std::string fileSafe(const std::string& name) {
    std::string out;
    for (char ch : name) {
        const bool safe = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                          ch == '-' || ch == '_';
        out += safe ? ch : '_';
        if (out.size() >= 40) break;
    }
    return out.empty() ? "unnamed" : out;
}

std::string numbered(int n, const std::string& name) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%03d-", n);
    return prefix + fileSafe(name);
}

// A whole number written in decimal.
std::optional<int32_t> wholeNumber(const std::string& text) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(v);
}

// The highest id a scene's material library keeps.
constexpr int32_t kMaxMaterialId = 999;

const float kZero3[3] = {0, 0, 0};
const float kOne3[3] = {1, 1, 1};
const float kIdentity4[4] = {0, 0, 0, 1};

void codeNodeRecord(RecordCodec& c, ShowRecordContext& x, bool isMesh);

// One key of a controller track: its time and a value of one of four kinds, the kind given by
// the value's key.
void codeKey(RecordCodec& c) {
    c.i32("time", std::nullopt);
    static const char* const kKinds[] = {"position", "rotation", "vector", "float"};
    if (c.decoding()) {
        const int32_t kind = c.rawI32(0);
        float v[4];
        if (kind == 1) c.floats("rotation", 4, v, nullptr);
        else if (kind == 3) c.f32("float", std::nullopt);
        else c.floats(kKinds[kind == 2 ? 2 : 0], 3, v, nullptr);
        return;
    }
    int kind = -1;
    for (int k = 0; k < 4; ++k)
        if (c.has(kKinds[k])) kind = kind < 0 ? k : 4;
    if (kind < 0 || kind > 3) {
        c.problem(nullptr, "exactly one of 'position', 'rotation', 'vector' or 'float'");
        kind = 0;
    }
    c.rawI32(kind);
    float v[4];
    if (kind == 1) c.floats("rotation", 4, v, nullptr);
    else if (kind == 3) c.f32("float", std::nullopt);
    else c.floats(kKinds[kind], 3, v, nullptr);
}

void codeControllers(RecordCodec& c, ShowRecordContext& x) {
    c.beginMap("controllers");
    c.i32("startTime", 0);
    c.i32("endTime", 0);
    c.i32("reserved", 0);
    const int32_t n = c.beginList("list", false);
    for (int32_t i = 0; i < n && !c.failed(); ++i) {
        c.beginItem(i);
        const int32_t target = c.i32("targetId", std::nullopt);
        if (!c.decoding() && !x.nodeIds.count(target))
            c.problem("targetId", "the id of a node of this scene, not " + std::to_string(target));
        static const char* const kTracks[] = {"position", "rotation", "scale", "visibility"};
        int32_t present[4];
        for (int t = 0; t < 4; ++t) present[t] = c.rawI32(c.has(kTracks[t]) ? 1 : 0);
        for (int t = 0; t < 4; ++t) {
            if (!present[t]) continue;
            const int32_t keys = c.beginList(kTracks[t], false, std::nullopt, true);
            for (int32_t k = 0; k < keys && !c.failed(); ++k) {
                c.beginItem(k);
                codeKey(c);
                c.endItem();
            }
            c.endList();
        }
        c.endItem();
    }
    c.endList();
    c.endMap();
}

void codePhysics(RecordCodec& c, ShowRecordContext& x) {
    c.beginMap("physics");
    const int32_t count = c.listCount("records");
    c.i32("startFrame", 0);
    c.f32("defaultBounce", std::nullopt);
    c.f32("defaultSlide", std::nullopt);
    c.f32("gravityY", std::nullopt);
    c.f32("groundVelocity", 0.0f);
    const int32_t n = c.beginList("records", false, count);
    for (int32_t i = 0; i < n && !c.failed(); ++i) {
        c.beginItem(i);
        const int32_t type = c.i32("type", std::nullopt);
        if (type == kPhysicsMeshBody || type == kPhysicsFreeMeshBody) {
            const int32_t id = c.i32("nodeId", std::nullopt);
            if (!c.decoding() && !x.meshNodeIds.count(id))
                c.problem("nodeId", "the id of a mesh node of this scene, not " + std::to_string(id));
        } else if (type == kPhysicsPlane) {
            c.i32("nodeId", 0);
            float plane[4];
            c.floats("plane", 4, plane, nullptr);
        } else if (!c.decoding()) {
            c.problem("type", "a physics record type of 2 (mesh body), 4 (plane) or 5 (free mesh body)");
        }
        c.endItem();
    }
    c.endList();
    c.endMap();
}

// A flow list of n ints (n known) as the current item.
void codeIntRow(RecordCodec& c, std::optional<int32_t> known) {
    const int32_t m = c.beginList(nullptr, true, known);
    for (int32_t k = 0; k < m && !c.failed(); ++k) {
        c.beginItem(k);
        c.i32(nullptr, std::nullopt);
        c.endItem();
    }
    c.endList();
}

// A list of [x, y, z] points.
void codePoints(RecordCodec& c, const char* key) {
    const int32_t n = c.beginList(key, false);
    for (int32_t i = 0; i < n && !c.failed(); ++i) {
        float p[3];
        c.beginItem(i);
        c.floats(nullptr, 3, p, nullptr);
        c.endItem();
    }
    c.endList();
}

// The soft body: a short flag, then its settings when the flag is not zero.
void codeSoftBody(RecordCodec& c) {
    const int16_t soft = c.rawI16(!c.decoding() && c.has("softBody") ? 1 : 0);
    if (soft != 0) {
        c.beginMap("softBody");
        c.i32("startFrame", std::nullopt);
        c.i32("endFrame", std::nullopt);
        c.f32("directionStiffness", std::nullopt);
        c.f32("lengthStiffness", std::nullopt);
        c.f32("damping", std::nullopt);
        c.f32("reserveParam", 0.0f);
        c.endMap();
    }
}

// Mesh node fields before its node record: points, faces with their materials, soft body.
void codeMeshFields(RecordCodec& c, ShowRecordContext& x) {
    c.i32("frozen", 0);
    char objName[48];
    std::snprintf(objName, sizeof objName, "meshes/scene-%03d-%03d.obj", x.sceneCount, x.sceneMeshCount + 1);
    if (c.inlineObj("obj", objName)) {
        ++x.sceneMeshCount;
        return codeSoftBody(c);
    }
    const int32_t pointsMode = c.rawI32(!c.decoding() && c.has("sharedPoints") ? 1 : 0);
    if (pointsMode == 0) {
        codePoints(c, "points");
    } else {
        const std::string key = c.str("sharedPoints", std::nullopt);
        if (!c.decoding() && !x.meshFaces.count(key))
            c.problem("sharedPoints", "the key of a registry mesh, not '" + key + "'");
    }
    const int32_t facesMode = c.rawI32(!c.decoding() && c.has("sharedFaces") ? 1 : 0);
    int32_t faceCount = 0;
    std::string facesKey;
    if (facesMode == 0) {
        // Inline faces: [corner count 0..3, three point indices].
        faceCount = c.beginList("faces", false);
        for (int32_t i = 0; i < faceCount && !c.failed(); ++i) {
            c.beginItem(i);
            codeIntRow(c, 4);
            c.endItem();
        }
        c.endList();
    } else {
        const std::string key = c.str("sharedFaces", std::nullopt);
        facesKey = key;
        const auto entry = x.meshFaces.find(key);
        if (entry == x.meshFaces.end()) {
            if (!c.decoding()) c.problem("sharedFaces", "the key of a registry mesh, not '" + key + "'");
        } else {
            faceCount = entry->second;
        }
    }
    // The imported mesh's colours as materials from a first id on: 'meshMaterials: ID'.
    if (!c.decoding() && c.has("meshMaterials")) {
        const std::string text = c.peek("meshMaterials");
        const std::optional<int32_t> first = wholeNumber(text);
        const auto found = x.meshColours.find(facesKey);
        if (!first) c.problem("meshMaterials", "a material id, not '" + text + "'");
        if (found == x.meshColours.end() || static_cast<int32_t>(found->second.faceColour.size()) != faceCount) {
            c.problem("meshMaterials", "a mesh whose sharedFaces names an imported registry mesh");
            for (int32_t i = 0; i < faceCount; ++i) c.rawI32(0);
        } else {
            for (int32_t i = 0; i < faceCount; ++i)
                c.rawI32(first.value_or(0) + found->second.faceColour[static_cast<size_t>(i)]);
            // The import's opacity becomes the mesh's own (its param) unless the source gives one.
            x.paramDefault = found->second.opacity;
        }
        return codeSoftBody(c);
    }
    // One material for every face: 'material: ID' instead of the list.
    if (!c.decoding() && c.has("material")) {
        const std::string text = c.peek("material");
        char* end = nullptr;
        const long id = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end || id < INT32_MIN || id > INT32_MAX)
            c.problem("material", "a material id, not '" + text + "'");
        for (int32_t i = 0; i < faceCount; ++i) c.rawI32(static_cast<int32_t>(id));
        return codeSoftBody(c);
    }
    // Faces with none of the three forms: name the forms rather than the list's length alone.
    if (!c.decoding() && faceCount > 0 && !c.has("faceMaterials")) {
        c.problem(nullptr, "the faces' materials: 'material: ID' (every face), 'meshMaterials: ID' (an imported "
                           "mesh's colours) or 'faceMaterials' (a list of " + std::to_string(faceCount) + " ids)");
        for (int32_t i = 0; i < faceCount; ++i) c.rawI32(0);
        return codeSoftBody(c);
    }
    const int32_t m = c.beginList("faceMaterials", true, faceCount);
    for (int32_t i = 0; i < m && !c.failed(); ++i) {
        c.beginItem(i);
        c.i32(nullptr, std::nullopt);
        c.endItem();
    }
    // A short list still gives the stream as many words as there are faces.
    for (int32_t i = m; i < faceCount && !c.decoding(); ++i) c.rawI32(0);
    c.endList();

    codeSoftBody(c);
}

void codeChild(RecordCodec& c, ShowRecordContext& x);

void codeNodeRecord(RecordCodec& c, ShowRecordContext& x, bool isMesh) {
    const int32_t props = c.beginList("properties", false);
    for (int32_t i = 0; i < props && !c.failed(); ++i) {
        c.beginItem(i);
        const int32_t two = c.beginList(nullptr, true, 2);
        for (int32_t k = 0; k < two; ++k) {
            c.beginItem(k);
            c.str(nullptr, std::nullopt);
            c.endItem();
        }
        c.endList();
        c.endItem();
    }
    c.endList();
    const int32_t id = c.i32("id", std::nullopt);
    if (!x.nodeIds.insert(id).second && !c.decoding())
        c.problem("id", "an id that no other node of this scene has, not " + std::to_string(id));
    if (isMesh) x.meshNodeIds.insert(id);
    c.i32("reserved", 0);
    c.i32("targetId", 0);
    c.f32("param", x.paramDefault);
    x.paramDefault = 1.0f;
    c.str("name", std::string());
    float v[4];
    c.floats("position", 3, v, kZero3);
    c.floats("orientation", 4, v, kIdentity4);
    c.floats("scale", 3, v, kOne3);
    const int32_t n = c.beginList("children", false);
    for (int32_t i = 0; i < n && !c.failed(); ++i) {
        c.beginItem(i);
        codeChild(c, x);
        c.endItem();
    }
    c.endList();
}

void codeChild(RecordCodec& c, ShowRecordContext& x) {
    // Kind words: a count, then the words; only the first one is used (and one is written).
    const NodeClass* cls = nullptr;
    if (c.decoding()) {
        const int32_t words = c.rawI32(0);
        const int32_t kinds = c.rawI32(0);
        for (int32_t w = 1; w < words && !c.failed(); ++w) c.rawI32(0);
        for (const NodeClass& k : nodeClasses())
            if (k.kinds == kinds) cls = &k;
        if (cls) {
            c.note("class", cls->name);
        } else {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(kinds));
            c.note("kinds", hex);
            // The factory's choice for other words.
            const int bit = factoryKindBit(static_cast<NodeKind>(kinds));
            for (const NodeClass& k : nodeClasses())
                if (k.bit == bit) cls = &k;
            if (!cls) return;  // no node, no record
        }
    } else {
        c.rawI32(1);
        if (c.has("kinds")) {
            const int32_t kinds = c.i32("kinds", std::nullopt, true);
            const int bit = factoryKindBit(static_cast<NodeKind>(kinds));
            for (const NodeClass& k : nodeClasses())
                if (k.bit == bit) cls = &k;
            if (!cls) return;  // no node, no record
        } else {
            const std::string name = c.peek("class");
            for (const NodeClass& k : nodeClasses())
                if (name == k.name) cls = &k;
            if (!cls) {
                c.problem("class", "a node class (Group3D, Camera3D, Target3D, StdMesh3D, SeaMesh3D_FX, "
                                   "MetaCube_FX, Taper3D, Pisse3D), not '" + name + "'");
                c.rawI32(0);
                return;
            }
            c.rawI32(cls->kinds);
        }
    }
    float v[3];
    switch (cls->bit) {
        case kKindCamera:
            codeNodeRecord(c, x, false);
            c.f32("fieldOfView", std::nullopt);
            break;
        case kKindMesh:
            codeMeshFields(c, x);
            codeNodeRecord(c, x, true);
            break;
        case kKindSea:
            codeNodeRecord(c, x, false);
            c.floats("origin", 3, v, nullptr);
            c.floats("vectorB", 3, v, nullptr);
            c.floats("vectorC", 3, v, nullptr);
            c.f32("sizeX", std::nullopt);
            c.f32("height", std::nullopt);
            c.f32("sizeZ", std::nullopt);
            c.f32("segmentsU", std::nullopt);
            c.f32("segmentsV", std::nullopt);
            c.f32("cells", std::nullopt);
            c.i32("heightFactor", std::nullopt);
            c.i32("colour", std::nullopt, true);
            break;
        case kKindMetaCube:
            c.floats("vectorA", 3, v, nullptr);
            c.floats("vectorB", 3, v, nullptr);
            c.floats("vectorC", 3, v, nullptr);
            c.f32("sizeX", std::nullopt);
            c.f32("sizeY", std::nullopt);
            c.f32("sizeZ", std::nullopt);
            codeNodeRecord(c, x, false);
            break;
        default:
            codeNodeRecord(c, x, false);
            break;
    }
}

// Encoding: {mesh: KEY, firstId: ID} of a scene's materials, one material for each colour of the
// imported registry mesh KEY, with ids from ID on. Returns how many were written.
int32_t codeImportedMaterials(RecordCodec& c, ShowRecordContext& x) {
    const std::string key = c.peek("mesh");
    const std::string first = c.peek("firstId");
    const auto found = x.meshColours.find(key);
    if (found == x.meshColours.end()) {
        c.problem("mesh", "the key of an imported registry mesh, not '" + key + "'");
        return 0;
    }
    const auto& colours = found->second.colours;
    const std::optional<int32_t> id = wholeNumber(first);
    if (!id || *id < 0 || *id > kMaxMaterialId + 1 - static_cast<int32_t>(colours.size())) {
        c.problem("firstId", "a material id from 0 to " + std::to_string(kMaxMaterialId + 1 - static_cast<int32_t>(colours.size())) +
                                 " (the mesh has " + std::to_string(colours.size()) + " colours), not '" + first + "'");
        return 0;
    }
    for (size_t k = 0; k < colours.size(); ++k) {
        c.rawI32(*id + static_cast<int32_t>(k));
        c.rawI32(colours[k]);
    }
    return static_cast<int32_t>(colours.size());
}

// A scene clip's payload: materials, background, the scene's own node record, physics, then the
// clip's controllers.
void codeScene(RecordCodec& c, ShowRecordContext& x) {
    x.nodeIds.clear();
    x.meshNodeIds.clear();
    x.sceneMeshCount = 0;
    const size_t countAt = c.position();
    const int32_t materials = c.beginList("materials", false);
    int32_t written = 0;
    for (int32_t i = 0; i < materials && !c.failed(); ++i) {
        c.beginItem(i);
        if (!c.decoding() && c.has("mesh")) {
            written += codeImportedMaterials(c, x);
        } else {
            c.i32("id", std::nullopt);
            c.i32("colour", std::nullopt, true);
            ++written;
        }
        c.endItem();
    }
    c.endList();
    // Materials of imported meshes make the list longer than the source's.
    if (!c.decoding() && written != materials) c.patchI32(countAt, written);
    float bg[3];
    c.floats("background", 3, bg, kZero3);
    c.beginMap("root");
    codeNodeRecord(c, x, false);
    c.endMap();
    codePhysics(c, x);
    codeControllers(c, x);
}

const char* const kCellKinds[] = {"scene", "picture", "animation"};

void codeCell(RecordCodec& c, ShowRecordContext& x) {
    c.i32("unused0", 0);
    int32_t kind = -1;
    if (c.decoding()) {
        kind = c.rawI32(0);
        if (kind >= 0 && kind <= 2) c.note("kind", kCellKinds[kind]);
    } else {
        const std::string name = c.peek("kind");
        for (int k = 0; k < 3; ++k)
            if (name == kCellKinds[k]) kind = k;
        if (kind < 0) c.problem("kind", "a cell kind (scene, picture or animation), not '" + name + "'");
        c.rawI32(kind < 0 ? 0 : kind);
    }
    c.i32("unused1", 0);
    const std::string name = c.str("name", std::string());
    c.i32("start", std::nullopt);
    c.i32("end", std::nullopt);
    c.i32("inPoint", 0);
    c.i32("length", 0);
    if (kind == kCellScene) {
        c.beginFile("scene", "scenes/" + numbered(++x.sceneCount, name) + ".yaml");
        codeScene(c, x);
        c.endFile();
    } else if (kind == kCellPicture) {
        c.picture("picture", "pictures/" + numbered(++x.pictureCount, name) + ".png");
    } else if (kind == kCellAnimation) {
        c.i32("mode", 0);
        const std::string animation = c.str("animation", std::nullopt);
        if (!c.decoding() && !x.animations.count(animation))
            c.problem("animation", "the name of a library animation, not '" + animation + "'");
    } else {
        return;
    }
    // Key records: read and not used by the player (six words each, eight for animations).
    const int32_t keys = c.beginList("keys", true);
    for (int32_t i = 0; i < keys && !c.failed(); ++i) {
        c.beginItem(i);
        codeIntRow(c, kind == kCellAnimation ? 8 : 6);
        c.endItem();
    }
    c.endList();
}

void codeAnimation(RecordCodec& c, ShowRecordContext& x, int index) {
    const int32_t mode = c.i32("mode", 0);
    const std::string name = c.str("name", std::nullopt);
    x.animations.insert(name);
    if (mode == 1) {
        c.assetName("file");
    } else if (mode == 0) {
        if (!c.decoding() && c.has("import"))
            c.importFrames("import");
        else
            c.frameList("frames", "frames/" + numbered(index, name) + "/");
    }
}

// A registry mesh: tag, key, name, points, faces of any corner count.
void codeMeshEntry(RecordCodec& c, ShowRecordContext& x) {
    c.i32("tag", 0);
    const std::string key = c.str("key", std::nullopt);
    c.str("name", std::string());
    if (!c.decoding() && c.has("import")) {
        const int32_t faces = c.importMesh("import", &x.meshColours[key]);
        if (!x.meshFaces.emplace(key, faces).second)
            c.problem("key", "a key that no other registry mesh has, not '" + key + "'");
        return;
    }
    int32_t objFaces = 0;
    if (c.objMesh("obj", "meshes/" + numbered(x.meshFileCount, "mesh") + ".obj", &objFaces)) {
        if (!x.meshFaces.emplace(key, objFaces).second && !c.decoding())
            c.problem("key", "a key that no other registry mesh has, not '" + key + "'");
        return;
    }
    codePoints(c, "points");
    const int32_t faces = c.beginList("faces", false);
    for (int32_t i = 0; i < faces && !c.failed(); ++i) {
        c.beginItem(i);
        codeIntRow(c, std::nullopt);
        c.endItem();
    }
    c.endList();
    if (!x.meshFaces.emplace(key, faces).second && !c.decoding())
        c.problem("key", "a key that no other registry mesh has, not '" + key + "'");
}

}  // namespace

void codeShow(RecordCodec& c, ShowRecordContext& x) {
    c.music("music");
    const int32_t meshes = c.beginList("meshes", false);
    for (int32_t i = 0; i < meshes && !c.failed(); ++i) {
        c.beginItem(i);
        // The file is named after the key, which comes after the tag in the stream: decoding
        // names it by its position.
        x.meshFileCount = i + 1;
        c.beginFile(nullptr, "meshes/" + numbered(i + 1, "mesh") + ".yaml");
        codeMeshEntry(c, x);
        c.endFile();
        c.endItem();
    }
    c.endList();
    const int32_t animations = c.beginList("animations", false);
    for (int32_t i = 0; i < animations && !c.failed(); ++i) {
        c.beginItem(i);
        codeAnimation(c, x, i + 1);
        c.endItem();
    }
    c.endList();
    c.i32("unused", 0);
    const int32_t tracks = c.beginList("tracks", false);
    for (int32_t t = 0; t < tracks && !c.failed(); ++t) {
        c.beginItem(t);
        const int32_t cells = c.beginList("cells", false);
        for (int32_t i = 0; i < cells && !c.failed(); ++i) {
            c.beginItem(i);
            codeCell(c, x);
            c.endItem();
        }
        c.endList();
        c.endItem();
    }
    c.endList();
}
