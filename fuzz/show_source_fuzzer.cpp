// Fuzz target: one file of a show source, built as demotool build builds it (read, checked,
// loaded with the player's loaders, saved). The source is a copy of examples/starter; the first
// byte of the input picks the file that the rest replaces: even, the manifest (show.yaml); odd,
// the scene (scenes/cube.yaml), under a manifest of the starter's scene cell alone (its picture
// costs more to decode and compress than the rest of a build).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/show_source/show_source.h"

#ifndef DEMO_SOURCE_DIR
#error "DEMO_SOURCE_DIR must name the source tree"
#endif

namespace fs = std::filesystem;

namespace {

const char* const kSceneManifest =
    "meshes:\n"
    "  - meshes/cube.yaml\n"
    "tracks:\n"
    "  - cells:\n"
    "      - {kind: scene, start: 0, end: 180, length: 180, scene: scenes/cube.yaml}\n";

struct SourceCopy {
    fs::path folder;
    std::string manifest;
    std::string scene;
};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const char* data, size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
}

// The starter example copied into the process's fuzz folder, once.
const SourceCopy& sourceCopy() {
    static const SourceCopy copy = [] {
        SourceCopy c;
        c.folder = fs::path(fuzzShowFolder()) / "source";
        std::error_code ec;
        fs::copy(fs::path(DEMO_SOURCE_DIR) / "examples" / "starter", c.folder, fs::copy_options::recursive, ec);
        c.manifest = kSceneManifest;
        c.scene = readText(c.folder / "scenes" / "cube.yaml");
        return c;
    }();
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quietFuzzProcess();
    if (size == 0) return 0;
    const SourceCopy& source = sourceCopy();
    const bool manifest = (data[0] & 1) == 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const fs::path manifestPath = source.folder / "show.yaml";
    const fs::path scenePath = source.folder / "scenes" / "cube.yaml";
    if (manifest) {
        writeText(manifestPath, text, size - 1);
        writeText(scenePath, source.scene.data(), source.scene.size());
    } else {
        writeText(manifestPath, source.manifest.data(), source.manifest.size());
        writeText(scenePath, text, size - 1);
    }
    buildShow(source.folder.string(), (source.folder / "out" / "data.pak").string());
    return 0;
}
