// The five scenes of the sample show. Positions are in scene units with y up and the ground (or
// the mean sea level) at y = 0; keyframes are in stored frames of clip time (16 per beat). Faces
// have no lighting, so shade ramps chosen from each face's normal give the solids their form.
#include "tools/make_show/show_scenes.h"

#include <cmath>
#include <string>

#include "app/scene_clip.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/std_mesh3d.h"
#include "scene/camera3d.h"
#include "scene/group3d.h"
#include "scene/scene3d.h"
#include "scene/target3d.h"
#include "tools/make_show/orientation.h"
#include "tools/make_show/scene_kit.h"
#include "tools/make_show/show_timing.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kBeat = kFramesPerBeat;

const Vector3 kUp(0, 1, 0);

Quaternion yaw(float angle) { return axisAngleQuaternion(kUp, angle); }
Quaternion tilt(const Vector3& axis, float angle) {
    Vector3 a = axis;
    a.normalize();
    return axisAngleQuaternion(a, angle);
}
Quaternion euler(float x, float y, float z) {
    Matrix4 m = Matrix4::identity();
    m.setRotationEuler(Vector3(x, y, z));
    return quaternionFromMatrix(m);
}

double smooth(double t) {
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}

// A point on a circle around the y axis; angle 0 is on the -z side (towards the viewer).
Vector3 orbit(double angle, double radius, double height) {
    return Vector3(static_cast<float>(radius * std::sin(angle)), static_cast<float>(height),
                   static_cast<float>(-radius * std::cos(angle)));
}

// Solid materials (the same colour on every face) for flat things: ids 60 .. 99.
void solid(SceneKit& kit, int id, const ShowColour& c) { kit.material(id, c); }
std::vector<int32_t> allFaces(const MeshData& shape, int id) {
    return std::vector<int32_t>(shape.triangulated().faces.size(), id);
}

// The sea's six tile materials: the file's materials win over the ones the sea would add.
void seaMaterials(SceneKit& kit, const ShowColour& top, const ShowColour& front, const ShowColour& left,
                  const ShowColour& right, const ShowColour& back, const ShowColour& bottom) {
    kit.material(500, front);   // the -z side of a tile
    kit.material(501, back);    // the +z side
    kit.material(502, bottom);  // underneath
    kit.material(503, top);
    kit.material(504, left);   // -x side
    kit.material(505, right);  // +x side
}

// A sea node, made by loading its record (a node record, then the sea's own fields) so that it is
// configured exactly as the player will configure it.
SeaMesh3D_FX* addSea(SceneKit& kit, const char* name, const Vector3& origin, float size, float height, float segments,
                     float cells, int heightFactor, const ShowColour& colour) {
    PackWriter w;
    w.openMemory();
    w.writeInt(0);  // properties
    w.writeInt(kit.newId());
    w.writeInt(0);  // reserved
    w.writeInt(0);  // target id
    w.writeFloat(1.0f);
    w.writeString(name);
    Vector3(0, 0, 0).save(w);
    Quaternion(0, 0, 0, 1).save(w);
    Vector3(1, 1, 1).save(w);
    w.writeInt(0);  // children
    origin.save(w);
    Vector3(0, 0, 0).save(w);
    Vector3(0, 0, 0).save(w);
    w.writeFloat(size);
    w.writeFloat(height);
    w.writeFloat(size);
    w.writeFloat(segments);
    w.writeFloat(segments);
    w.writeFloat(cells);
    w.writeInt(heightFactor);
    w.writeInt(colour.packed());
    PackReader r;
    r.openMemory(w.bytes().data(), w.bytes().size(), name);
    auto* sea = new SeaMesh3D_FX();
    sea->load(r, kit.materials(), nullptr);
    kit.scene()->addChild(sea, 0);
    return sea;
}

MetaCube_FX* addMetaballs(SceneKit& kit, const char* name, const Vector3& position, float size) {
    auto* meta = new MetaCube_FX(kit.materials());
    kit.place(nullptr, meta, name, position);
    meta->configure(size, size, size);
    meta->setVectors(Vector3(0, 0, 0), Vector3(0, 0, 0), Vector3(0, 0, 0));
    return meta;
}

// A sun low over the horizon: a disc with two halo rings around it, all facing -z.
void addSun(SceneKit& kit, const Vector3& centre, float radius, int discId, int haloId, int outerId) {
    MeshData disc = makeFacingDisc(40, radius);
    kit.meshWithMaterials(nullptr, "sun", disc, allFaces(disc, discId), centre);
    // Rings are built flat (facing +y) and turned to face -z; they never overlap the disc.
    const Quaternion face = tilt(Vector3(1, 0, 0), -kPi / 2);
    MeshData halo = makeRing(40, radius * 1.06f, radius * 1.32f);
    kit.meshWithMaterials(nullptr, "sun_halo", halo, allFaces(halo, haloId), centre, face);
    MeshData outer = makeRing(40, radius * 1.4f, radius * 1.62f);
    kit.meshWithMaterials(nullptr, "sun_halo_outer", outer, allFaces(outer, outerId), centre, face);
}

// Flat distant water: bands at y = level out to the far plane, lighter with distance.
void addFarWater(SceneKit& kit, float level, float fromZ, int nearId, int farId) {
    MeshData nearBand = makeGrid(1, 1, 600.0f, 110.0f);
    kit.meshWithMaterials(nullptr, "far_water", nearBand, allFaces(nearBand, nearId),
                          Vector3(0, level, fromZ + 55.0f));
    MeshData farBand = makeGrid(1, 1, 600.0f, 160.0f);
    kit.meshWithMaterials(nullptr, "far_water_haze", farBand, allFaces(farBand, farId),
                          Vector3(0, level, fromZ + 110.0f + 80.0f));
}

// A sky of the background colour round the scene. The clear colour a scene sets takes effect
// only at the next frame's clear, so without it a scene's first frame after a cut would show
// the previous scene's background.
void addSky(SceneKit& kit, const ShowColour& colour, float radius) {
    kit.material(99, colour);
    MeshData dome = makeDome(radius);
    kit.meshWithMaterials(nullptr, "sky", dome, allFaces(dome, 99), Vector3(0, 0, 0));
}

// Concentric flat rings on the ground (adjacent, never overlapping): radii and solid ids.
void addRingFloor(SceneKit& kit, Node3D* parent, const std::vector<float>& radii, const std::vector<int>& ids,
                  float y) {
    for (size_t i = 0; i + 1 < radii.size(); ++i) {
        MeshData shape = radii[i] <= 0.0f ? makeDisc(48, radii[i + 1]) : makeRing(48, radii[i], radii[i + 1]);
        std::string name = "floor_ring_" + std::to_string(i);
        kit.meshWithMaterials(parent, name.c_str(), shape, allFaces(shape, ids[i]), Vector3(0, y, 0));
    }
}

// Scale pulses on every beat from first to last frame: big on the beat, back to 1 half a beat on.
void pulseOnBeats(SceneKit& kit, Node3D* node, int first, int last, float peak) {
    for (int f = first; f <= last; f += kBeat) {
        kit.keyScale(node, f, Vector3(peak, peak, peak));
        kit.keyScale(node, f + kBeat / 2, Vector3(1, 1, 1));
        kit.keyScale(node, f + kBeat - 1, Vector3(1, 1, 1));
    }
}

// A steady turn about y: one rotation key per beat (each slerp covers a small angle).
void spin(SceneKit& kit, Node3D* node, int first, int last, float radiansPerBeat, float start = 0.0f) {
    for (int f = first;; f += kBeat / 2) {
        if (f > last) f = last;
        kit.keyRotation(node, f, yaw(start + radiansPerBeat * (f - first) / kBeat));
        if (f == last) break;
    }
}

}  // namespace

void addSharedMeshes(MeshRegistry& registry) {
    addRegistryMesh(registry, "pillar", "octagonal pillar with a roof", makePillar(8, 0.55f, 3.4f, 0.7f));
    addRegistryMesh(registry, "gem", "octahedral gem", makeGem(0.45f, 0.75f));
    addRegistryMesh(registry, "cloud_bar", "long cloud bar", makeBox(6.0f, 0.35f, 0.6f));
    addRegistryMesh(registry, "pane", "thin glass pane", makeBox(0.05f, 1.8f, 1.2f));
    addRegistryMesh(registry, "crate", "cube crate", makeBox(0.32f, 0.32f, 0.32f));
    addRegistryMesh(registry, "slab", "flat crate", makeBox(0.5f, 0.16f, 0.3f));
}

// ---------------------------------------------------------------------------------------------
// Scene 1: dawn. The camera glides in low over the tiles towards the sun and climbs.
SceneClip* buildDawnScene(MeshRegistry& registry, int startFrame, int endFrame) {
    const int len = endFrame - startFrame;
    SceneKit kit(registry, ShowColour{248, 200, 166});

    seaMaterials(kit, ShowColour{132, 206, 200}, kTeal, ShowColour{88, 172, 178}, ShowColour{70, 156, 168},
                 ShowColour{40, 110, 130}, kNavy);
    solid(kit, 60, ShowColour{255, 236, 190});  // sun
    solid(kit, 61, ShowColour{252, 214, 170});  // halo
    solid(kit, 62, ShowColour{250, 206, 172});  // outer halo
    solid(kit, 63, ShowColour{110, 186, 190});  // far water
    solid(kit, 64, ShowColour{170, 204, 196});  // haze
    kit.shadeRamp(100, kCream, kRose);
    kit.shadeRamp(110, ShowColour{246, 170, 160}, kRose);
    kit.shadeRamp(120, kPeach, kRose);

    Camera3D* camera = kit.camera("camera", 70.0f);
    kit.flyCamera(
        camera, 0, len, 8,
        [&](double f) {
            double s = smooth(f / len);
            return Vector3(static_cast<float>(2.5 * std::sin(f * 0.012)), static_cast<float>(4.2 + 4.8 * s),
                           static_cast<float>(-50.0 + 44.0 * (0.35 * f / len + 0.65 * s)));
        },
        [&](double f) {
            double s = smooth(f / len);
            return Vector3(static_cast<float>(-14.0 + 24.0 * s), static_cast<float>(6.0 + 5.0 * s), 100.0f);
        });

    SeaMesh3D_FX* sea = addSea(kit, "sea", Vector3(-56, 0, -40), 112.0f, 0.6f, 4.0f, 40.0f, 2, kAqua);
    kit.keepTime(sea, len);
    addFarWater(kit, -1.3f, 72.0f, 63, 64);
    addSun(kit, Vector3(0, 17, 150), 15.0f, 60, 61, 62);

    struct Cloud {
        float x, y, z, sx;
        int ramp;
    };
    const Cloud clouds[] = {{-34, 24, 118, 1.3f, 100}, {22, 31, 124, 1.0f, 110}, {46, 19, 112, 0.8f, 120},
                            {-12, 38, 130, 1.6f, 120}, {-58, 14, 106, 0.9f, 110}, {8, 46, 136, 1.2f, 100}};
    int n = 0;
    for (const Cloud& c : clouds) {
        std::string name = "cloud_" + std::to_string(n++);
        StdMesh3D* cloud = kit.sharedMesh(nullptr, name.c_str(), "cloud_bar", c.ramp, Vector3(c.x, c.y, c.z),
                                          noRotation(), Vector3(c.sx, 1, 1));
        kit.keyPosition(cloud, 0, Vector3(c.x, c.y, c.z));
        kit.keyPosition(cloud, len, Vector3(c.x + 7.0f * c.sx, c.y, c.z));
    }
    return kit.finish(startFrame, endFrame);
}

namespace {

// The carousel: one turn over the scene, a pillar and its gem in a group of their own.
void addCarousel(SceneKit& kit, int len) {
    Group3D* carousel = kit.group(nullptr, "carousel", Vector3(0, 0, 0));
    spin(kit, carousel, 0, len, -2.0f * kPi / 32.0f);
    const int pillarRamps[4] = {100, 110, 120, 130};
    const int gemRamps[4] = {140, 120, 110, 160};
    for (int k = 0; k < 8; ++k) {
        float a = 2 * kPi * k / 8;
        std::string g = "pillar_group_" + std::to_string(k);
        Group3D* holder = kit.group(carousel, g.c_str(), Vector3(6.5f * std::cos(a), 0, 6.5f * std::sin(a)));
        std::string p = "pillar_" + std::to_string(k);
        kit.sharedMesh(holder, p.c_str(), "pillar", pillarRamps[k % 4], Vector3(0, 0, 0), yaw(a));
        std::string name = "gem_" + std::to_string(k);
        StdMesh3D* gem = kit.sharedMesh(holder, name.c_str(), "gem", gemRamps[k % 4], Vector3(0, 5.0f, 0));
        kit.keyVisible(gem, 0, false);
        kit.keyVisible(gem, k * kBeat, true);
        kit.keyVisible(gem, len, true);
        spin(kit, gem, 0, len, 0.35f, a);
        pulseOnBeats(kit, gem, 8 * kBeat, len - kBeat, 1.45f);
    }
}

// Three jellies hop in turn, one per beat, a little further round the middle each time.
void addJellies(SceneKit& kit, int len) {
    const int jellyRamps[3] = {100, 110, 120};
    for (int j = 0; j < 3; ++j) {
        std::string name = "jelly_" + std::to_string(j);
        float a0 = 2 * kPi * j / 3 + 0.5f;
        const float radius = 0.85f;
        // Where hop number h starts, at height y above the ground.
        auto spot = [&](double hop, double y) {
            double a = a0 + 0.35 * hop;
            return Vector3(static_cast<float>(2.5 * std::cos(a)), static_cast<float>(y), static_cast<float>(2.5 * std::sin(a)));
        };
        StdMesh3D* jelly = kit.mesh(nullptr, name.c_str(), makeIcosphere(radius, 2), jellyRamps[j], spot(0, radius));
        jelly->setSoftBody(0, 100000, 2.0f, 0.5f, 0.85f, 0.0001f);
        if (j == 2) jelly->setParam(0.7f);  // a glassy one
        int hop = 0;
        kit.keyPosition(jelly, 0, spot(0, radius));
        for (int b = j; b * kBeat + kBeat <= len; b += 3, ++hop) {
            // A parabola in quarter steps, landing on the next beat.
            for (int q = 0; q <= 8; ++q) {
                double u = q / 8.0;
                kit.keyPosition(jelly, b * kBeat + q * kBeat / 8.0, spot(hop + u, radius + 1.8 * 4 * u * (1 - u)));
            }
        }
        kit.keyPosition(jelly, len, spot(hop, radius));
    }
}

// Glass panes on a slower ring turning the other way.
void addGlassRing(SceneKit& kit, int len) {
    Group3D* glass = kit.group(nullptr, "glass_ring", Vector3(0, 0, 0));
    spin(kit, glass, 0, len, 2.0f * kPi / 96.0f);
    for (int k = 0; k < 5; ++k) {
        float a = 2 * kPi * k / 5 + 0.3f;
        std::string name = "pane_" + std::to_string(k);
        StdMesh3D* pane = kit.sharedMesh(glass, name.c_str(), "pane", k % 2 ? 120 : 160,
                                         Vector3(10.5f * std::cos(a), 1.8f, 10.5f * std::sin(a)), yaw(-a));
        pane->setParam(0.45f);
    }
}

// The floor: a chequerboard on a skirt, and the physics plane y = 0.
void addPlaygroundFloor(SceneKit& kit) {
    MeshData grid = makeGrid(12, 12, 12.0f, 12.0f);
    std::vector<int32_t> chequer;
    for (int j = 0; j < 12; ++j)
        for (int i = 0; i < 12; ++i) chequer.push_back((i + j) % 2 ? 60 : 61);
    std::vector<int32_t> chequerTriangles;
    for (int32_t m : chequer) {
        chequerTriangles.push_back(m);
        chequerTriangles.push_back(m);
    }
    StdMesh3D* floor = kit.meshWithMaterials(nullptr, "floor", grid, chequerTriangles, Vector3(0, 0, 0));
    MeshData skirt = makeBox(6.0f, 0.3f, 6.0f);
    skirt.faces.erase(skirt.faces.begin() + 3);  // no top face: the chequerboard is the top
    skirt.translate(Vector3(0, -0.3f, 0));
    kit.meshWithMaterials(nullptr, "floor_skirt", skirt, allFaces(skirt, 62), Vector3(0, 0, 0));
    kit.planeBody(floor, Plane(0, 1, 0, 0));
}

// Falling crates (shared meshes, each with its own colours) from staggered heights.
void dropCrates(SceneKit& kit) {
    struct Drop {
        const char* key;
        int ramp;
        Vector3 at;
        Vector3 angles;
        bool free;
    };
    const Drop crates[] = {
        {"crate", 110, Vector3(-2.9f, 3.6f, 0.7f), Vector3(0.3f, 0.2f, 0.5f), false},
        {"crate", 100, Vector3(0.3f, 5.2f, 0.2f), Vector3(0.6f, 0.1f, 0.2f), true},
        {"slab", 160, Vector3(1.1f, 7.0f, 1.5f), Vector3(0.2f, 0.7f, 0.35f), false},
        {"crate", 120, Vector3(1.4f, 9.2f, -0.3f), Vector3(0.1f, 0.9f, 0.6f), true},
        {"slab", 110, Vector3(-0.7f, 11.0f, 1.9f), Vector3(0.5f, 0.3f, 0.1f), false},
        {"crate", 130, Vector3(-2.2f, 13.5f, 0.9f), Vector3(0.4f, 0.4f, 0.4f), true},
        {"slab", 100, Vector3(2.4f, 15.5f, 0.9f), Vector3(0.8f, 0.2f, 0.5f), false},
        // The late ones land on open floor around the pile.
        {"crate", 150, Vector3(3.4f, 17.0f, 0.3f), Vector3(0.3f, 1.1f, 0.2f), true},
        {"slab", 120, Vector3(-1.6f, 19.0f, 3.0f), Vector3(0.15f, 0.5f, 0.7f), false},
        {"crate", 140, Vector3(0.3f, 21.0f, 3.3f), Vector3(0.7f, 0.3f, 0.9f), true},
        {"crate", 110, Vector3(-2.6f, 23.0f, -1.5f), Vector3(0.2f, 0.6f, 0.3f), false},
        {"slab", 130, Vector3(3.0f, 25.0f, -1.4f), Vector3(0.9f, 0.1f, 0.4f), true},
    };
    int n = 0;
    for (const Drop& d : crates) {
        std::string name = std::string(d.key) + "_" + std::to_string(n++);
        StdMesh3D* body = kit.sharedMesh(nullptr, name.c_str(), d.key, d.ramp, d.at, euler(d.angles.x, d.angles.y, d.angles.z));
        if (d.free)
            kit.freeMeshBody(body);
        else
            kit.meshBody(body, false);
    }
}

// Bottles: bodies whose names contain "bouteille" are reported when they come to rest.
void dropBottles(SceneKit& kit) {
    struct Bottle {
        const char* name;
        int ramp;
        Vector3 at;
        float lean;
    };
    const Bottle bottles[] = {{"bouteille_verte", 170, Vector3(-0.9f, 2.2f, -2.7f), 0.12f},
                              {"bouteille_ambre", 180, Vector3(0.4f, 3.0f, -3.0f), -0.2f},
                              {"bouteille_bleue", 150, Vector3(1.7f, 2.6f, -2.6f), 0.35f}};
    for (const Bottle& b : bottles) {
        StdMesh3D* bottle = kit.mesh(nullptr, b.name, makeBottle(10, 0.16f, 0.46f, 0.16f), b.ramp, b.at,
                                     tilt(Vector3(1, 0, 0.4f), b.lean));
        bottle->setParam(0.8f);
        kit.freeMeshBody(bottle);
    }
}

// The fountain: a particle stream on the pedestal aimed at a target above the middle.
void addFountain(SceneKit& kit, int len) {
    Target3D* aim = kit.target(nullptr, "fountain_target", Vector3(-0.1f, 3.1f, 0.9f));
    auto* fountain = new Pisse3D(kit.scene()->getBodySpawner());
    fountain->addProperty("flux", "2");
    fountain->setFlux(2);
    fountain->setTargetId(aim->getId());
    kit.place(nullptr, fountain, "fountain", Vector3(3.3f, 1.35f, 2.6f));
    kit.keyVisible(fountain, 0, false);
    kit.keyVisible(fountain, 6 * kBeat, true);
    kit.keyVisible(fountain, 28 * kBeat, false);
    kit.keyVisible(fountain, len, false);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Scene 2: the garden. Eight pillars turn on a carousel, gems pop up on the first eight beats and
// pulse on every beat, three soft jellies hop in the middle, glass panes circle outside.
SceneClip* buildGardenScene(MeshRegistry& registry, int startFrame, int endFrame) {
    const int len = endFrame - startFrame;
    const ShowColour sky{34, 30, 64};
    SceneKit kit(registry, sky);
    addSky(kit, sky, 70.0f);

    solid(kit, 60, kNavy);
    solid(kit, 61, kGold);
    solid(kit, 62, ShowColour{62, 44, 88});
    solid(kit, 63, kAqua);
    solid(kit, 64, ShowColour{44, 36, 74});
    solid(kit, 65, kCoral);
    kit.shadeRamp(100, kCoral);
    kit.shadeRamp(110, kGold);
    kit.shadeRamp(120, kAqua);
    kit.shadeRamp(130, kRose);
    kit.shadeRamp(140, kCream);
    kit.shadeRamp(150, kTeal);
    kit.shadeRamp(160, ShowColour{160, 226, 220});

    Camera3D* camera = kit.camera("camera", 66.0f);
    kit.flyCamera(
        camera, 0, len, 8,
        [&](double f) {
            double down = smooth(f / 112.0);
            double in = smooth((f - 320.0) / 160.0);
            double angle = 0.35 - f * 0.0045;
            double radius = 9.0 + 5.5 * down - 3.0 * in;
            double height = 14.0 - 9.0 * down - 1.0 * in + 0.8 * std::sin(f * 0.015);
            return orbit(angle, radius, height);
        },
        [&](double f) {
            double in = smooth((f - 320.0) / 160.0);
            return Vector3(0.0f, static_cast<float>(1.8 - 0.5 * in), 0.0f);
        });

    addRingFloor(kit, nullptr, {0.0f, 2.6f, 3.0f, 8.0f, 8.3f, 13.0f, 13.25f, 30.0f}, {60, 61, 62, 63, 64, 65, 62},
                 0.0f);

    addCarousel(kit, len);
    addJellies(kit, len);
    addGlassRing(kit, len);
    return kit.finish(startFrame, endFrame);
}

// ---------------------------------------------------------------------------------------------
// Scene 3: the playground. Crates and slabs rain onto a chequered floor and a fixed ramp, three
// bottles drop in front, and from bar 14 a fountain on a pedestal sprays golden drops that pile up.
SceneClip* buildPlaygroundScene(MeshRegistry& registry, int startFrame, int endFrame) {
    const int len = endFrame - startFrame;
    const ShowColour sky{244, 233, 212};
    SceneKit kit(registry, sky);
    addSky(kit, sky, 60.0f);

    solid(kit, 60, kSand);
    solid(kit, 61, ShowColour{96, 176, 178});
    solid(kit, 62, ShowColour{38, 104, 118});
    kit.shadeRamp(100, kCoral);
    kit.shadeRamp(110, kGold);
    kit.shadeRamp(120, kTeal);
    kit.shadeRamp(130, kRose);
    kit.shadeRamp(140, kNavy, kInk);
    kit.shadeRamp(150, kAqua);
    kit.shadeRamp(160, kPlum, kInk);
    kit.shadeRamp(170, ShowColour{150, 210, 150});
    kit.shadeRamp(180, ShowColour{230, 150, 90});
    // Drops: warm gold instead of the default red display colours.
    const ShowColour drops[6] = {{255, 214, 102}, {246, 196, 84}, {236, 178, 70}, {226, 164, 60}, {214, 150, 52},
                                 {200, 136, 46}};
    for (int i = 0; i < 6; ++i) kit.material(kFirstDisplayMaterial + i, drops[i]);

    Camera3D* camera = kit.camera("camera", 64.0f);
    kit.flyCamera(
        camera, 0, len, 8,
        [&](double f) {
            double s = smooth(f / 320.0);
            double late = smooth((f - 320.0) / 192.0);
            double angle = -0.35 + 0.8 * s + 0.45 * late;
            double radius = 9.5 - 1.0 * s - 3.0 * late;
            double height = 4.4 - 0.6 * s - 1.2 * late;
            return orbit(angle, radius, height);
        },
        [&](double f) {
            double late = smooth((f - 320.0) / 192.0);
            return Vector3(static_cast<float>(-0.6 * late), static_cast<float>(1.3 - 0.6 * late),
                           static_cast<float>(0.1 * late));
        });

    addPlaygroundFloor(kit);

    // Fixed bodies: a tilted ramp and the fountain's pedestal.
    StdMesh3D* ramp = kit.mesh(nullptr, "ramp", makeBox(1.6f, 0.12f, 0.9f), 140, Vector3(-2.6f, 1.05f, 0.7f),
                               tilt(Vector3(0, 0, 1), 0.5f));
    kit.meshBody(ramp, true);
    StdMesh3D* pedestal = kit.mesh(nullptr, "pedestal", makeBox(0.45f, 0.6f, 0.45f), 160, Vector3(3.3f, 0.6f, 2.6f));
    kit.meshBody(pedestal, true);
    kit.mesh(nullptr, "nozzle", makePrism(8, 0.14f, 0.0f, 0.22f), 110, Vector3(3.3f, 1.2f, 2.6f));

    dropCrates(kit);
    dropBottles(kit);
    addFountain(kit, len);
    kit.physicsSettings(0, 0.2f, 0.45f, -0.001f, 0.0f);
    return kit.finish(startFrame, endFrame);
}

// ---------------------------------------------------------------------------------------------
// Scene 4: metaballs rise in the middle of a ring of orbiting gems and circling glass.
SceneClip* buildMetaballScene(MeshRegistry& registry, int startFrame, int endFrame) {
    const int len = endFrame - startFrame;
    SceneKit kit(registry, ShowColour{22, 28, 58});

    // Metaball cube colours (the file's materials win over the defaults the node adds).
    kit.material(510, kCoral);
    kit.material(511, kRose);
    kit.material(512, ShowColour{250, 200, 150});
    kit.material(513, kGold);
    kit.material(514, ShowColour{226, 118, 104});
    kit.material(515, ShowColour{236, 150, 160});
    solid(kit, 60, kCoral);
    solid(kit, 61, kGold);
    solid(kit, 62, ShowColour{40, 40, 80});
    solid(kit, 63, ShowColour{30, 34, 66});
    kit.shadeRamp(100, kGold);
    kit.shadeRamp(110, kAqua);
    kit.shadeRamp(120, kRose);
    kit.shadeRamp(130, ShowColour{170, 220, 230});

    Camera3D* camera = kit.camera("camera", 68.0f);
    kit.flyCamera(
        camera, 0, len, 8,
        [&](double f) {
            double s = smooth(f / len);
            return orbit(0.4 - 1.0 * s, 19.0 - 6.0 * s, 3.0 + 4.0 * s);
        },
        [&](double) { return Vector3(0.0f, 5.0f, 0.0f); });

    addRingFloor(kit, nullptr, {0.0f, 3.0f, 3.3f, 9.0f, 30.0f}, {60, 61, 62, 63}, 0.0f);
    addMetaballs(kit, "metaballs", Vector3(-4.0f, -1.5f, 1.0f), 10.0f);

    Group3D* orbitGroup = kit.group(nullptr, "gem_orbit", Vector3(0, 0, 0));
    spin(kit, orbitGroup, 0, len, 2.0f * kPi / 16.0f);
    for (int k = 0; k < 12; ++k) {
        float a = 2 * kPi * k / 12;
        std::string name = "orbit_gem_" + std::to_string(k);
        float h = 2.0f + 6.0f * (0.5f + 0.5f * std::sin(a * 2.0f));
        StdMesh3D* gem = kit.sharedMesh(orbitGroup, name.c_str(), "gem", 100 + 10 * (k % 3),
                                        Vector3(8.0f * std::cos(a), h, 8.0f * std::sin(a)), noRotation(),
                                        Vector3(1.3f, 1.3f, 1.3f));
        spin(kit, gem, 0, len, 0.5f, a);
    }
    Group3D* glass = kit.group(nullptr, "glass_ring", Vector3(0, 0, 0));
    spin(kit, glass, 0, len, -2.0f * kPi / 48.0f);
    for (int k = 0; k < 6; ++k) {
        float a = 2 * kPi * k / 6;
        std::string name = "pane_" + std::to_string(k);
        StdMesh3D* pane = kit.sharedMesh(glass, name.c_str(), "pane", 130,
                                         Vector3(11.5f * std::cos(a), 2.2f, 11.5f * std::sin(a)), yaw(-a),
                                         Vector3(1, 1.3f, 1.3f));
        pane->setParam(0.35f);
    }
    return kit.finish(startFrame, endFrame);
}

// ---------------------------------------------------------------------------------------------
// Scene 5: dusk. The sea again in evening colours, pillars standing in the water with gems that
// pulse on the beat, metaballs rising from the middle; the camera circles and draws back for the
// end card.
SceneClip* buildDuskScene(MeshRegistry& registry, int startFrame, int endFrame) {
    const int len = endFrame - startFrame;
    SceneKit kit(registry, ShowColour{236, 148, 128});

    seaMaterials(kit, ShowColour{120, 84, 132}, ShowColour{62, 50, 98}, ShowColour{92, 64, 116},
                 ShowColour{80, 58, 108}, ShowColour{44, 38, 80}, kInk);
    kit.material(510, kGold);
    kit.material(511, ShowColour{250, 214, 120});
    kit.material(512, ShowColour{255, 236, 170});
    kit.material(513, ShowColour{255, 226, 140});
    kit.material(514, ShowColour{232, 170, 70});
    kit.material(515, ShowColour{244, 190, 96});
    solid(kit, 60, ShowColour{255, 224, 150});
    solid(kit, 61, ShowColour{246, 184, 140});
    solid(kit, 62, ShowColour{240, 164, 136});
    solid(kit, 63, ShowColour{104, 70, 120});
    solid(kit, 64, ShowColour{170, 110, 130});
    kit.shadeRamp(100, kNavy, kInk);
    kit.shadeRamp(110, kPlum, kInk);
    kit.shadeRamp(120, kGold, kRose);
    kit.shadeRamp(130, ShowColour{250, 170, 150}, kPlum);
    kit.shadeRamp(140, kRose, kPlum);

    Camera3D* camera = kit.camera("camera", 70.0f);
    kit.flyCamera(
        camera, 0, len, 8,
        [&](double f) {
            double s = smooth(f / 384.0);
            double back = smooth((f - 384.0) / 192.0);
            double angle = 0.05 - 0.75 * s - 0.3 * back;
            return orbit(angle, 25.0 - 5.0 * s + 12.0 * back, 5.5 + 3.5 * s + 6.0 * back);
        },
        [&](double f) {
            double back = smooth((f - 384.0) / 192.0);
            return Vector3(0.0f, static_cast<float>(3.5 + 2.0 * back), static_cast<float>(10.0 * back));
        });

    SeaMesh3D_FX* sea = addSea(kit, "sea", Vector3(-56, 0, -56), 112.0f, 0.6f, 4.0f, 40.0f, 2, kPlum);
    kit.keepTime(sea, len);
    addFarWater(kit, -1.3f, 56.0f, 63, 64);
    addSun(kit, Vector3(0, 9, 160), 20.0f, 60, 61, 62);

    int n = 0;
    const float cloudSpots[][4] = {{-40, 26, 126, 1.4f}, {30, 34, 132, 1.1f}, {-6, 44, 142, 1.6f}, {52, 20, 120, 0.9f}};
    for (const auto& c : cloudSpots) {
        std::string name = "cloud_" + std::to_string(n);
        StdMesh3D* cloud = kit.sharedMesh(nullptr, name.c_str(), "cloud_bar", n % 2 ? 130 : 140,
                                          Vector3(c[0], c[1], c[2]), noRotation(), Vector3(c[3], 1, 1));
        kit.keyPosition(cloud, 0, Vector3(c[0], c[1], c[2]));
        kit.keyPosition(cloud, len, Vector3(c[0] - 9.0f * c[3], c[1], c[2]));
        ++n;
    }

    Group3D* ring = kit.group(nullptr, "pillar_ring", Vector3(0, 0, 0));
    spin(kit, ring, 0, len, 2.0f * kPi / 72.0f);
    for (int k = 0; k < 8; ++k) {
        float a = 2 * kPi * k / 8 + kPi / 8;
        std::string g = "standing_" + std::to_string(k);
        Group3D* holder = kit.group(ring, g.c_str(), Vector3(10.0f * std::cos(a), -2.0f, 10.0f * std::sin(a)));
        std::string p = "pillar_" + std::to_string(k);
        kit.sharedMesh(holder, p.c_str(), "pillar", k % 2 ? 100 : 110, Vector3(0, 0, 0), yaw(a),
                       Vector3(1.5f, 1.6f, 1.5f));
        std::string name = "gem_" + std::to_string(k);
        StdMesh3D* gem = kit.sharedMesh(holder, name.c_str(), "gem", 120, Vector3(0, 8.2f, 0));
        spin(kit, gem, 0, len, -0.4f, a);
        pulseOnBeats(kit, gem, 0, len - kBeat, 1.5f);
    }
    addMetaballs(kit, "metaballs", Vector3(-4.0f, -3.0f, 1.0f), 10.0f);
    return kit.finish(startFrame, endFrame);
}
