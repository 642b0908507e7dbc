// The registrations that tie scene/, mesh/ and fx/ together, from above all three.
#include "world/world_classes.h"

#include <memory>

#include "fx/meta_cube_fx.h"
#include "fx/mesh_soft_body.h"
#include "fx/pisse3d.h"
#include "fx/sea_mesh3d_fx.h"
#include "mesh/scene_physics.h"
#include "mesh/std_mesh3d.h"
#include "scene/body_spawner.h"
#include "scene/node_factory.h"
#include "scene/scene3d.h"

namespace {

Node3D* createStdMesh(Node3D*, MaterialLibrary*) { return new StdMesh3D(); }

Node3D* createSea(Node3D*, MaterialLibrary*) { return new SeaMesh3D_FX(); }

Node3D* createMetaCube(Node3D*, MaterialLibrary* materials) { return new MetaCube_FX(materials); }

Node3D* createPisse(Node3D* parent, MaterialLibrary*) {
    // The stream spawns its drops through the scene at the root of the tree being read; a tree
    // without a scene at its root gives a stream that emits nothing.
    return new Pisse3D(parent ? dynamic_cast<BodySpawner*>(parent->getRoot()) : nullptr);
}

std::unique_ptr<ScenePhysicsBase> makePhysics(Scene3D* scene) { return std::make_unique<ScenePhysics>(scene); }

std::unique_ptr<SoftBody> makeMeshSoftBody() { return std::make_unique<MeshSoftBody>(); }

// Registers before main, so that no program can load or build a scene without the classes.
[[maybe_unused]] const bool registered = (registerWorldClasses(), true);

}  // namespace

void registerWorldClasses() {
    registerNodeCreator(kKindMesh, createStdMesh);
    registerNodeCreator(kKindSea, createSea);
    registerNodeCreator(kKindMetaCube, createMetaCube);
    registerNodeCreator(kKindPisse, createPisse);
    setScenePhysicsMaker(makePhysics);
    setSoftBodyMaker(makeMeshSoftBody);
}
