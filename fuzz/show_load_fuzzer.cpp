// Fuzz target: a whole show loaded from pack bytes (gzip or plain, as gzread delivers both)
// through the players' own entry point, then released.
#include <cstddef>
#include <cstdint>

#include "app/player.h"
#include "data/mesh_registry.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/show_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    static MemoryFile file;
    const char* path = file.write(data, size);
    MeshRegistry registry;
    Player player;
    fuzzLoadShow(path, registry, player);
    releaseLoadedShow(player);
    return 0;
}
