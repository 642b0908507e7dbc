// Pisse3D ("Pisse3D"): a particle-stream node that sprays drops from its position towards its
// target node. Every flux frames (a counter shared by all streams) it asks the root scene's body
// spawner for one small tumbling cube; when the physics world reports a drop at rest, the stream
// takes it out of the world and keeps its node. The node itself draws nothing.
#pragma once

#include <cstdint>

#include "data/named_list.h"
#include "mesh/drop_listener.h"
#include "scene/taper3d.h"

class BodySpawner;

// Size handed to the spawner for every drop.
constexpr float kDropSize = 0.011f;

class Pisse3D : public Taper3D, public DropListener {
public:
    // Keeps spawner (not owned; null emits nothing), adds kind bit 11 and reseeds the shared
    // random generator with 1. flux 1.
    explicit Pisse3D(BodySpawner* spawner);
    // Frees the list of settled drops (not the drop nodes, which belong to the scene).
    ~Pisse3D() override = default;

    const char* getTypeName() const override { return "Pisse3D"; }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D* dest) override { return 0; }
    // The emission step (once per frame while visible); the arguments are not used. Returns 0.
    int draw(RenderDevice* device, int width, int height, bool recurse) override;
    // Reads the "flux" property as a decimal integer (no digits: 0).
    void onPropertiesLoaded() override;

    // DropListener: takes a settled drop out of the root scene's physics world and keeps its node.
    void onDropSettled(RigidBody* body) override;

    int32_t getFlux() const { return flux_; }
    void setFlux(int32_t flux) { flux_ = flux; }
    BodySpawner* getSpawner() const { return spawner_; }
    // Nodes of the drops that came to rest, in that order.
    NamedList<Node3D>& settledDrops() { return settledDrops_; }

    // The frame counter shared by every stream of the process.
    static int32_t frameCounter();
    // Back to 0 (program start); for tests.
    static void resetFrameCounter();

private:
    BodySpawner* spawner_;
    NamedList<Node3D> settledDrops_;
    int32_t flux_ = 1;
};
