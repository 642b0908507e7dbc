// Loading a pack with the show's loaders and describing what it holds, as JSON and as text.
#include "tools/demotool/pack_description.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/scene_clip.h"
#include "app/show_session.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "mesh/rigid_body.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/node3d.h"
#include "scene/node_kind.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/ticks.h"

using Json = nlohmann::ordered_json;

namespace {

const char* kindBitName(int bit) {
    switch (bit) {
        case kKindMeshA: return "MeshA";
        case kKindMesh: return "Mesh";
        case kKindGroup: return "Group";
        case kKindCameraBase: return "CameraBase";
        case kKindCamera: return "Camera";
        case kKindTarget: return "Target";
        case kKindSea: return "Sea";
        case kKindMetaCube: return "MetaCube";
        case kKindTaper: return "Taper";
        case kKindPisse: return "Pisse";
        default: return nullptr;
    }
}

const char* physicsRecordName(int32_t type) {
    switch (type) {
        case kPhysicsMeshBody: return "mesh body";
        case kPhysicsPlane: return "plane";
        case kPhysicsFreeMeshBody: return "free mesh body";
        default: return "unknown";
    }
}

// A time on the timeline: ticks, stored frames (30 ticks each) and seconds (899 ticks each).
Json timeOf(int32_t ticks) {
    Json t;
    t["ticks"] = ticks;
    t["frames"] = static_cast<double>(ticks) / kTicksPerFrame;
    t["seconds"] = static_cast<double>(ticks) / (kTicksPerMillisecond * 1000.0);
    return t;
}

Json describeNode(Node3D* node, int depth) {
    Json n;
    n["type"] = node->getTypeName();
    n["id"] = node->getId();
    n["name"] = node->getName();
    Json kinds = Json::array();
    const NodeKind bits = node->getKinds();
    for (int bit = 0; bit < 32; ++bit) {
        if (!(bits & kindMask(bit))) continue;
        const char* name = kindBitName(bit);
        kinds.push_back(name ? std::string(name) : "bit" + std::to_string(bit));
    }
    n["kinds"] = kinds;
    Json properties = Json::object();
    for (NamedEntry<char>* entry : node->properties())
        if (entry && entry->name) properties[entry->name] = entry->value ? entry->value : "";
    n["properties"] = properties;
    Json children = Json::array();
    // Trees come from files: a depth limit keeps a pathological one from exhausting the stack.
    if (depth < 200) {
        for (Node3D* child : node->children())
            if (child) children.push_back(describeNode(child, depth + 1));
    }
    n["children"] = children;
    return n;
}

Json describeControllers(ControllerSet* set, Scene3D* scene) {
    Json c;
    c["start"] = timeOf(set->getStartTime());
    c["end"] = timeOf(set->getEndTime());
    Json list = Json::array();
    for (Controller* controller : set->controllers()) {
        if (!controller) continue;
        Json one;
        one["target"] = controller->getTargetId();
        Node3D* node = scene ? scene->findNodeById(controller->getTargetId()) : nullptr;
        one["node"] = node ? Json(node->getName()) : Json(nullptr);
        Json tracks = Json::object();
        const std::pair<const char*, Track*> named[] = {{"position", controller->positionTrack()},
                                                        {"rotation", controller->rotationTrack()},
                                                        {"scale", controller->scaleTrack()},
                                                        {"visibility", controller->visibilityTrack()}};
        for (const auto& [name, track] : named)
            if (track) tracks[name] = track->count();
        one["tracks"] = tracks;
        list.push_back(one);
    }
    c["list"] = list;
    return c;
}

Json describePhysics(ScenePhysics* physics, Scene3D* scene) {
    Json p;
    p["startFrame"] = physics->getStartFrame();
    p["bounce"] = physics->getDefaultBounce();
    p["slide"] = physics->getDefaultSlide();
    p["gravityY"] = physics->getGravityY();
    p["groundVelocity"] = physics->getGroundVelocity();
    Json records = Json::array();
    for (const ScenePhysics::Record& r : physics->records()) {
        Json one;
        one["type"] = r.type;
        one["kind"] = physicsRecordName(r.type);
        one["node"] = r.nodeId;
        Node3D* node = scene && r.type != kPhysicsPlane ? scene->findNodeById(r.nodeId) : nullptr;
        one["nodeName"] = node ? Json(node->getName()) : Json(nullptr);
        if (r.type == kPhysicsPlane) one["plane"] = {r.plane.a, r.plane.b, r.plane.c, r.plane.d};
        one["body"] = r.body ? Json(r.body->isFixed() ? "fixed" : "moving") : Json(nullptr);
        records.push_back(one);
    }
    p["records"] = records;
    return p;
}

Json describeCell(Cell* cell) {
    Json c;
    c["kind"] = cellKindName(cell->getKind());
    if (cell->getKind() == kCellAnimation) {
        c["name"] = static_cast<Animation*>(cell)->getName();
        c["frames"] = static_cast<Animation*>(cell)->frames().count();
    }
    c["start"] = timeOf(cell->getStart());
    c["end"] = timeOf(cell->getEnd());
    c["in"] = timeOf(cell->getInPoint());
    c["out"] = timeOf(cell->getLength());
    if (cell->getKind() == kCellScene) {
        auto* clip = static_cast<SceneClip*>(cell);
        Scene3D* scene = clip->scene();
        if (scene) {
            Json s;
            const Vector3& bg = scene->getBackgroundColour();
            s["background"] = {bg.x, bg.y, bg.z};
            s["materials"] = clip->materials() ? clip->materials()->loadedCount() : 0;
            s["tree"] = describeNode(scene, 0);
            if (clip->controllers()) s["controllers"] = describeControllers(clip->controllers(), scene);
            if (scene->getPhysics()) s["physics"] = describePhysics(scene->getPhysics(), scene);
            c["scene"] = s;
        }
    }
    return c;
}

Json describe(const std::string& path, uint64_t bytes, MeshRegistry& registry, Timeline& timeline) {
    Json doc;
    doc["pack"] = path;
    doc["bytes"] = bytes;

    Json meshes = Json::array();
    for (MESH3D_ENTRY* e : registry.entries()) {
        if (!e) continue;
        meshes.push_back({{"key", e->getKey()}, {"name", e->getName()}, {"points", e->getNbPts()},
                          {"faces", e->getNbFaces()}});
    }
    doc["meshes"] = meshes;

    Json animations = Json::array();
    if (animationList) {
        for (Animation* a : *animationList) {
            if (!a) continue;
            Json one;
            one["name"] = a->getName();
            one["mode"] = a->getSaveMode();
            one["source"] = a->getFliReader() ? "FLI/FLC file" : "packed frames";
            one["frames"] = a->frames().count();
            animations.push_back(one);
        }
    }
    doc["animations"] = animations;

    Json tracks = Json::array();
    for (int i = 0; i < timeline.getTrackCount(); ++i) {
        Track* track = timeline.getTrack(i);
        Json t;
        t["index"] = i;
        Json cells = Json::array();
        // Each cell has its start key; the last one also the closing key.
        Cell* previous = nullptr;
        for (int k = 0; track && k < track->count(); ++k) {
            TimedKey* key = track->getKey(k);
            auto* cell = key ? static_cast<Cell*>(key->getValue()) : nullptr;
            if (!cell || cell == previous) continue;
            previous = cell;
            cells.push_back(describeCell(cell));
        }
        t["cells"] = cells;
        tracks.push_back(t);
    }
    doc["tracks"] = tracks;
    return doc;
}

// Text form helpers.
std::string str(const Json& j) {
    if (j.is_string()) return j.get<std::string>();
    return j.dump();
}

// "1 cell", "2 cells".
std::string count(size_t n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string timeText(const Json& t) {
    char text[64];
    std::snprintf(text, sizeof text, "frame %s (%.3f s)", number(t["frames"].get<double>()).c_str(),
                  t["seconds"].get<double>());
    return text;
}

void formatNode(std::ostringstream& out, const Json& n, int indent) {
    out << std::string(static_cast<size_t>(indent), ' ') << str(n["type"]) << " #" << n["id"].get<int>() << " \""
        << str(n["name"]) << "\"";
    out << " [";
    bool first = true;
    for (const Json& k : n["kinds"]) {
        out << (first ? "" : ", ") << str(k);
        first = false;
    }
    out << "]";
    for (const auto& [key, value] : n["properties"].items()) out << "  " << key << "=" << str(value);
    out << "\n";
    for (const Json& child : n["children"]) formatNode(out, child, indent + 2);
}

}  // namespace

bool inspectPack(const std::string& path, nlohmann::ordered_json* description, std::string* error) {
    ShowSession session(ShowSession::DeviceKind::Null);
    // Named by its file name, as in its own folder.
    const std::filesystem::path pack(path);
    const std::string folder = pack.parent_path().string();
    const ShowLoadResult load = session.openPack(path, folder.empty() ? "." : folder, pack.filename().string());
    if (!load.loaded()) {
        *error = load.error.text();
        return false;
    }
    MeshRegistry& registry = *session.registry();
    Timeline& timeline = *session.timeline();
    *description = describe(path, load.bytes, registry, timeline);
    // A fault that loading survived (a face reaching outside its points), once, with a count.
    if (load.noteCount > 0) {
        (*description)["warning"] = load.noteSummary;
        (*description)["warnings"] = load.noteCount;
    }
    return true;
}

std::string formatInspection(const nlohmann::ordered_json& d) {
    std::ostringstream out;
    out << "pack " << str(d["pack"]) << " (" << d["bytes"].get<uint64_t>() << " bytes uncompressed)\n";
    if (d.contains("warning")) out << "warning: " << str(d["warning"]) << "\n";

    out << "meshes: " << d["meshes"].size() << "\n";
    for (const Json& m : d["meshes"])
        out << "  \"" << str(m["key"]) << "\" name \"" << str(m["name"]) << "\": " << m["points"].get<int>()
            << " points, " << m["faces"].get<int>() << " faces\n";

    out << "library animations: " << d["animations"].size() << "\n";
    for (const Json& a : d["animations"])
        out << "  \"" << str(a["name"]) << "\" mode " << a["mode"].get<int>() << ", " << str(a["source"]) << ", "
            << count(a["frames"].get<size_t>(), "frame") << "\n";

    out << "tracks: " << d["tracks"].size() << "\n";
    for (const Json& t : d["tracks"]) {
        out << "  track " << t["index"].get<int>() << ": " << count(t["cells"].size(), "cell") << "\n";
        int index = 0;
        for (const Json& c : t["cells"]) {
            out << "    cell " << index++ << ": " << str(c["kind"]);
            if (c.contains("name")) out << " \"" << str(c["name"]) << "\"";
            out << "  start " << timeText(c["start"]) << ", end " << timeText(c["end"]) << ", in "
                << timeText(c["in"]) << ", out " << timeText(c["out"]) << "\n";
            if (!c.contains("scene")) continue;
            const Json& s = c["scene"];
            out << "      background (" << number(s["background"][0].get<double>()) << ", "
                << number(s["background"][1].get<double>()) << ", " << number(s["background"][2].get<double>())
                << "), " << count(s["materials"].get<size_t>(), "material") << "\n";
            out << "      nodes:\n";
            formatNode(out, s["tree"], 8);
            if (s.contains("controllers")) {
                const Json& cs = s["controllers"];
                out << "      controllers: " << cs["list"].size() << " (ticks " << cs["start"]["ticks"].get<int>()
                    << " to " << cs["end"]["ticks"].get<int>() << ")\n";
                for (const Json& one : cs["list"]) {
                    out << "        node #" << one["target"].get<int>();
                    if (!one["node"].is_null()) out << " \"" << str(one["node"]) << "\"";
                    out << ":";
                    if (one["tracks"].empty()) out << " no tracks";
                    for (const auto& [name, keys] : one["tracks"].items())
                        out << " " << name << " " << keys.get<int>() << " keys";
                    out << "\n";
                }
            }
            if (s.contains("physics")) {
                const Json& p = s["physics"];
                out << "      physics: start frame " << p["startFrame"].get<int>() << ", bounce "
                    << number(p["bounce"].get<double>()) << ", slide " << number(p["slide"].get<double>())
                    << ", gravity " << number(p["gravityY"].get<double>()) << ", ground velocity "
                    << number(p["groundVelocity"].get<double>()) << "; " << count(p["records"].size(), "record") << "\n";
                for (const Json& r : p["records"]) {
                    out << "        " << str(r["kind"]) << " (type " << r["type"].get<int>() << ")";
                    if (r.contains("plane")) {
                        out << " (" << number(r["plane"][0].get<double>()) << ", "
                            << number(r["plane"][1].get<double>()) << ", " << number(r["plane"][2].get<double>())
                            << ", " << number(r["plane"][3].get<double>()) << ")";
                    } else {
                        out << " node #" << r["node"].get<int>();
                        if (!r["nodeName"].is_null()) out << " \"" << str(r["nodeName"]) << "\"";
                    }
                    out << ": " << (r["body"].is_null() ? "no body" : str(r["body"]) + " body") << "\n";
                }
            }
        }
    }
    return out.str();
}
