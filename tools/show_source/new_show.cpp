// The starting show: a camera, a light-coloured imported cube turning under a controller, a
// picture cell and a few seconds of generated music.
#include "tools/show_source/new_show.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tools/make_show/music.h"
#include "tools/show_source/picture_files.h"

namespace fs = std::filesystem;

namespace {

const char* const kShow = R"(# A starting show. Build it into a playable folder and play it:
#   demotool build . -o out/data.pak && demotool play --dir out
# Every key is described in docs/show-source.md.

# Shared meshes, each read from a model file (OBJ, glTF, PLY, 3DS, FBX).
meshes:
  - meshes/cube.yaml

# One track of cells. Times are in frames of 30 ticks (899 ticks make a second).
tracks:
  - cells:
      - kind: scene            # the 3D scene for the first 6 seconds
        start: 0
        end: 180
        length: 180
        scene: scenes/cube.yaml
      - kind: picture          # then a 1024x1024 picture for 3 seconds
        start: 180
        end: 270
        picture: pictures/title.png
)";

const char* const kMesh = R"(# The cube of cube.obj, shared by the scenes under its key.
key: "cube"
import: cube.obj
scale: 1.5
)";

const char* const kScene = R"(# A camera looking at a cube that turns.
background: [0.05, 0.05, 0.12]   # red, green, blue from 0 to 1
materials:
  - {id: 1, colour: 0xFFB040}    # the cube's colour, 0xRRGGBB
root:
  id: 0
  children:
    - class: Camera3D
      id: 1
      position: [0, 0, -8]
      orientation: [-0.7071068, 0, 0, 0.7071068]   # looking along +z
      fieldOfView: 60
    - class: StdMesh3D
      id: 2
      sharedPoints: "cube"
      sharedFaces: "cube"
      material: 1                # every face
physics:
  defaultBounce: 0.5
  defaultSlide: 0.5
  gravityY: -0.001
controllers:
  endTime: 5400                  # ticks
  list:
    - targetId: 2                # a turn about y every 6 seconds
      rotation:
        - {time: 0, rotation: [0, 0, 0, 1]}
        - {time: 1349, rotation: [0, 0.7071068, 0, 0.7071068]}
        - {time: 2697, rotation: [0, 1, 0, 0]}
        - {time: 4046, rotation: [0, 0.7071068, 0, -0.7071068]}
        - {time: 5394, rotation: [0, 0, 0, -1]}
)";

const char* const kCube = R"(# A unit cube.
v -0.5 -0.5 -0.5
v 0.5 -0.5 -0.5
v 0.5 0.5 -0.5
v -0.5 0.5 -0.5
v -0.5 -0.5 0.5
v 0.5 -0.5 0.5
v 0.5 0.5 0.5
v -0.5 0.5 0.5
f 1 4 3 2
f 5 6 7 8
f 1 2 6 5
f 2 3 7 6
f 3 4 8 7
f 4 1 5 8
)";

bool writeText(const fs::path& path, const char* text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// A title card: a dark blue gradient with a light band across the middle.
std::vector<uint8_t> titlePicture() {
    constexpr int kSide = 1024;
    std::vector<uint8_t> rgba(static_cast<size_t>(kSide) * kSide * 4);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * kSide + x) * 4];
            const bool band = y > 448 && y < 576;
            p[0] = static_cast<uint8_t>(band ? 255 : 20 + y / 16);
            p[1] = static_cast<uint8_t>(band ? 176 : 20 + y / 32);
            p[2] = static_cast<uint8_t>(band ? 64 : 60 + y / 8);
            p[3] = 255;
        }
    return rgba;
}

// Nine seconds of a soft arpeggio: each beat a note that fades.
std::vector<int16_t> tune() {
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 329.63, 277.18};
    const int beat = kMusicSampleRate / 2;
    std::vector<int16_t> stereo(static_cast<size_t>(kMusicSampleRate) * 9 * 2);
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        const double f = notes[(i / beat) % 6];
        const double t = static_cast<double>(i % beat) / kMusicSampleRate;
        const double v = 0.25 * std::sin(2 * M_PI * f * t) * std::exp(-3.0 * t);
        stereo[2 * i] = stereo[2 * i + 1] = static_cast<int16_t>(v * 32767);
    }
    return stereo;
}

}  // namespace

bool writeNewShow(const std::string& folder, std::string* error) {
    const fs::path root = folder;
    const std::pair<const char*, const char*> files[] = {{"show.yaml", kShow},
                                                         {"meshes/cube.yaml", kMesh},
                                                         {"scenes/cube.yaml", kScene},
                                                         {"cube.obj", kCube}};
    for (const auto& [name, text] : files) {
        if (!writeText(root / name, text)) {
            *error = "cannot write " + (root / name).string();
            return false;
        }
    }
    if (!writePicturePng((root / "pictures" / "title.png").string(), titlePicture().data())) {
        *error = "cannot write " + (root / "pictures" / "title.png").string();
        return false;
    }
    return writeMp3(tune(), (root / "music.mp3").string(), error);
}
