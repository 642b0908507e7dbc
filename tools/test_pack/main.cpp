// test_pack: writes a small show for the player's end-to-end test, using the clips' own save
// operations: a scene under everything, and above it a picture followed by an animation.
//
//   test_pack OUTPUT.pak
//
// Timeline (frames of 30 ticks, about 33.4 ms): track 0 is a scene (frames 0-600: a camera and a
// group that a controller moves); track 1 is a picture (frames 0-15) then an animation cell of
// 150 frames (frames 15-600) taken from the library animation "bands".
#include <cstdio>
#include <vector>

#include "app/animation.h"
#include "app/frame_buffer.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "data/message_box.h"
#include "data/pack_writer.h"
#include "scene/camera3d.h"
#include "scene/controller.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/key_value.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"

namespace {

constexpr int kSide = 1024;

// A packed frame of horizontal bands whose colours move with the frame number.
std::vector<uint8_t> bandFrame(int frame) {
    std::vector<uint8_t> out;
    out.push_back(0);
    for (int i = 0; i < 256; ++i) {
        const uint8_t rgba[4] = {static_cast<uint8_t>(40 + (i * 53) % 200), static_cast<uint8_t>(60 + (i * 97) % 180),
                                 static_cast<uint8_t>(80 + (i * 31) % 160), 255};
        out.insert(out.end(), rgba, rgba + 4);
    }
    // Each row of 1024 pixels is four runs of 255 and one of 4; the first run completes the
    // palette record.
    for (int row = 0; row < kSide; ++row) {
        const uint8_t colour = static_cast<uint8_t>(1 + ((row / 64 + frame) % 8) * 30);
        for (int run = 0; run < 4; ++run) {
            out.push_back(255);
            out.push_back(colour);
        }
        out.push_back(4);
        out.push_back(colour);
    }
    return out;
}

// A diagonal gradient, fully opaque.
std::vector<uint8_t> gradient() {
    std::vector<uint8_t> pixels(kFrameBufferBytes);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * kSide + x) * 4];
            p[0] = static_cast<uint8_t>(x / 4);
            p[1] = static_cast<uint8_t>(y / 4);
            p[2] = 160;
            p[3] = 255;
        }
    }
    return pixels;
}

SceneClip* makeScene(MeshRegistry& registry) {
    auto* scene = new Scene3D();
    scene->setBackgroundColour(Vector3{0.2f, 0.3f, 0.5f});
    auto* camera = new Camera3D();
    camera->setId(1);
    camera->setPosition(0, 0, -300);
    scene->addChild(camera, 0);
    auto* group = new Group3D();
    group->setId(2);
    scene->addChild(group, 0);
    auto* track = new Track();
    track->insertKeyValue(new PositionValue(Vector3{-100, 0, 0}), 0);
    track->insertKeyValue(new PositionValue(Vector3{100, 0, 0}), 600 * 30);
    auto* controller = new Controller();
    controller->setTargetId(2);
    controller->setPositionTrack(track);
    auto* controllers = new ControllerSet();
    controllers->prepend(controller);
    auto* clip = new SceneClip(&registry);
    clip->setContent(scene, new MaterialLibrary(kSceneMaterialCapacity), controllers);
    clip->setStart(0);
    clip->setEnd(600 * 30);
    clip->setInPoint(0);
    clip->setLength(600 * 30);
    return clip;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: test_pack OUTPUT.pak\n");
        return 2;
    }
    // Saving pictures reports "Z_OK" in a box; keep the tool quiet unless something fails.
    setMessageBoxSink([](const MessageBoxCall& call) {
        if (call.text != "Z_OK") stderrMessageBox(call);
        return MessageBoxResult::Ok;
    });
    MeshRegistry registry;
    Timeline timeline;

    auto* library = new Animation();
    library->setName("bands");
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 150; ++i) frames.push_back(bandFrame(i));
    for (auto& f : frames) library->addFrame(f.data(), static_cast<int32_t>(f.size()));
    animationList->addLast(library);

    timeline.setTrackCount(2);
    timeline.addCell(0, makeScene(registry), true);

    const std::vector<uint8_t> pixels = gradient();
    auto* picture = new PictureClip();
    picture->setPixels(pixels.data());
    picture->setStart(0);
    picture->setEnd(15 * 30);
    timeline.addCell(1, picture, false);
    auto* cell = new Animation();
    cell->setIsCell(1);
    cell->setName("bands");
    cell->setStart(15 * 30);
    cell->setEnd(600 * 30);
    cell->setLength(600 * 30);
    timeline.addCell(1, cell, true);

    PackWriter writer;
    if (writer.open(argv[1]) != 0) {
        std::fprintf(stderr, "test_pack: cannot write %s\n", argv[1]);
        return 1;
    }
    registry.save(writer);
    const TimelineWriteResult saved = writeTimeline(writer, timeline.content());
    if (!saved.ok()) {
        std::fprintf(stderr, "test_pack: %s\n", saved.error.c_str());
        writer.abort();
        return 1;
    }
    if (!writer.close()) {
        std::fprintf(stderr, "test_pack: writing %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
