// Fuzz target: a whole show loaded from pack bytes (gzip or plain, as gzread delivers both)
// through the players' own entry point, then released.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "fuzz/show_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    static MemoryFile file;
    const char* path = file.write(data, size);
    ShowSession session(ShowSession::DeviceKind::Null);
    fuzzLoadShow(path, session);
    return 0;
}
