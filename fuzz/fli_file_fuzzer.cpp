// Fuzz target: a whole FLI/FLC file opened and decoded frame by frame into the frame buffer,
// then rewound and its first frame decoded again.
#include <cstddef>
#include <cstdint>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "fuzz/fuzz_support.h"

namespace {
bool gFatal = false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    setFliFatalSink([](const char*) { gFatal = true; });
    static uint8_t* pixels = allocateFrameBuffer();
    static MemoryFile file;
    gFatal = false;
    fliOpen(file.write(data, size), pixels);
    if (!gFatal) {
        for (int i = 0; i < fliFrameCount(); ++i) fliNextFrame();
        fliRewind();
        fliNextFrame();
    }
    fliClose();
    return 0;
}
