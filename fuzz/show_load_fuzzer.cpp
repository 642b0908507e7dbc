// Fuzz target: a whole show loaded from pack bytes (gzip or plain, as gzread delivers both)
// through the players' own entry point, then released.
#include <cstddef>
#include <cstdint>

#include "app/fsound.h"
#include "app/player.h"
#include "data/mesh_registry.h"
#include "data/pack_reader.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/show_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    static MemoryFile file;
    static FSoundRecorder* silentSound = new FSoundRecorder();  // no audio device, ever
    silentSound->clear();
    const char* path = file.write(data, size);
    MeshRegistry registry;
    Player player;
    PackReader reader;
    fuzzLoadShow(path, reader, registry, player);
    releaseLoadedShow(player);
    return 0;
}
