// Scene graph per-frame cost: the update pass, world matrices and controller evaluation over a
// 500-node tree of groups (root -> 10 -> 70 -> 420 nodes).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/track.h"

namespace {

struct Tree {
    Group3D root;
    std::vector<Node3D*> nodes;  // every node below the root, ids 1..500 in creation order

    Tree() {
        int id = 1;
        auto add = [&](Node3D* parent) {
            auto* g = new Group3D();
            g->setId(id++);
            g->setPosition(float(id % 7), float(id % 5), float(id % 3));
            parent->addChild(g, 0);
            nodes.push_back(g);
            return g;
        };
        for (int a = 0; a < 10; ++a) {
            Node3D* level1 = add(&root);
            for (int b = 0; b < 7; ++b) {
                Node3D* level2 = add(level1);
                for (int c = 0; c < 6; ++c) add(level2);
            }
        }
    }

    void worldMatrices() {
        for (Node3D* n : nodes) benchmark::DoNotOptimize(n->getWorldMatrix());
    }
};

// One controller per node: position (3 keys), rotation (3 keys) and scale (2 keys) over 0..3000.
void addControllers(ControllerSet& set, const Tree& tree) {
    set.setStartTime(0);
    set.setEndTime(3000);
    for (Node3D* n : tree.nodes) {
        auto* c = new Controller();
        c->setTargetId(n->getId());
        auto* position = new Track();
        position->insertKeyValue(new PositionValue(Vector3(0, 0, 0)), 0);
        position->insertKeyValue(new PositionValue(Vector3(1, 2, 3)), 1500);
        position->insertKeyValue(new PositionValue(Vector3(0, 0, 0)), 3000);
        c->setPositionTrack(position);
        auto* rotation = new Track();
        rotation->insertKeyValue(new RotationValue(Quaternion(0, 0, 0, 1)), 0);
        rotation->insertKeyValue(new RotationValue(Quaternion(0, 0.6f, 0, 0.8f)), 1500);
        rotation->insertKeyValue(new RotationValue(Quaternion(0, 0, 0.6f, 0.8f)), 3000);
        c->setRotationTrack(rotation);
        auto* scale = new Track();
        scale->insertKeyValue(new VectorValue(Vector3(1, 1, 1)), 0);
        scale->insertKeyValue(new VectorValue(Vector3(2, 2, 2)), 3000);
        c->setScaleTrack(scale);
        set.prepend(c);
    }
}

// The update pass alone: every group passes it on to its children.
void BM_UpdatePass(benchmark::State& state) {
    Tree tree;
    for (auto _ : state) tree.root.update(nullptr, 1024, 768, true);
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_UpdatePass);

// The root moves every frame, so every node's world matrix is rebuilt on demand.
void BM_MoveRootAndRebuildWorldMatrices(benchmark::State& state) {
    Tree tree;
    float x = 0;
    for (auto _ : state) {
        tree.root.setPosition(x += 0.01f, 0, 0);
        tree.root.update(nullptr, 1024, 768, true);
        tree.worldMatrices();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_MoveRootAndRebuildWorldMatrices);

// A frame of a fully animated scene: controllers on all 500 nodes, the update pass, then every
// world matrix (as meshes would ask for them).
void BM_ControllersUpdateAndWorldMatrices(benchmark::State& state) {
    Tree tree;
    ControllerSet set;
    addControllers(set, tree);
    int t = 0;
    for (auto _ : state) {
        set.apply(t, &tree.root);
        tree.root.update(nullptr, 1024, 768, true);
        tree.worldMatrices();
        t = (t + 33) % 3000;
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_ControllersUpdateAndWorldMatrices)->Unit(benchmark::kMicrosecond);

// Controller evaluation alone, split from the id searches it contains.
void BM_ControllerApplyOnly(benchmark::State& state) {
    Tree tree;
    ControllerSet set;
    addControllers(set, tree);
    int t = 0;
    for (auto _ : state) {
        set.apply(t, &tree.root);
        t = (t + 33) % 3000;
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_ControllerApplyOnly)->Unit(benchmark::kMicrosecond);

// The id searches of one frame: one depth-first search from the root per controller.
void BM_FindNodeByIdAll(benchmark::State& state) {
    Tree tree;
    for (auto _ : state)
        for (int id = 1; id <= 500; ++id) benchmark::DoNotOptimize(tree.root.findNodeById(id));
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_FindNodeByIdAll)->Unit(benchmark::kMicrosecond);

}  // namespace
