// Fuzz target: one scene record as a scene cell carries it (materials, background, node tree,
// physics record, then the controllers), after a mesh section that its meshes may name.
#include <cstddef>
#include <cstdint>

#include "app/scene_clip.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    PackReader reader;
    reader.openMemory(data, size, "scene");
    MeshRegistry registry;
    registry.loadEntries(reader);
    if (reader.failed()) return 0;
    SceneClip clip(&registry);
    clip.load(reader);
    return 0;
}
