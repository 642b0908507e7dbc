// The live preview's show: loading and reloading the pack, exact steps and jumps.
#include "tools/demotool/preview_show.h"

#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/scene_clip.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "mesh/physics_world.h"
#include "scene/node3d.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "tools/demotool/frame_schedule.h"

namespace {

constexpr const char* kPackName = "data.pak";

// The first size bytes of the uncompressed stream of a gzip (or plain) file: what loading read.
// Whatever follows is never inflated. False when they cannot be read.
bool readStream(const char* path, uint64_t size, std::vector<uint8_t>* out) {
    gzFile file = gzopen(path, "rb");
    if (!file) return false;
    out->clear();
    uint8_t block[65536];
    while (out->size() < size) {
        const uint64_t want = std::min<uint64_t>(sizeof block, size - out->size());
        const int n = gzread(file, block, static_cast<unsigned>(want));
        if (n <= 0) break;
        out->insert(out->end(), block, block + n);
    }
    gzclose(file);
    return out->size() == size;
}

int countNodes(Node3D* node, int depth) {
    if (!node || depth > 256) return 0;
    int n = 1;
    for (int i = 0; i < node->getChildCount(); ++i) n += countNodes(node->getChild(i), depth + 1);
    return n;
}

}  // namespace

PreviewShow::PreviewShow(PlatformSurface* surface, int width, int height, std::string folder)
    : surface_(surface), width_(width), height_(height), folder_(std::move(folder)) {}

int64_t PreviewShow::lastStep() const { return hasShow() ? stepNearestSeconds(session_.endSeconds()) : 0; }

bool PreviewShow::load(std::string* error) {
    const std::string pack = (std::filesystem::path(folder_) / kPackName).string();
    // The pack is loaded once on its own first, so that a damaged one never replaces the show.
    ShowLoadResult result;
    runBeside([&] {
        MeshRegistry registry;
        Timeline timeline;
        result = loadShow(pack, registry, timeline, folder_, kPackName);
        releaseShow(timeline);
    });
    if (!result.loaded()) {
        *error = result.error.text();
        return false;
    }
    const uint64_t size = result.bytes;
    // The show is loaded again from these bytes whenever it starts afresh (a jump back), so that
    // it stays the show of this load whatever happens to the file until the next reload.
    std::vector<uint8_t> bytes;
    if (!readStream(pack.c_str(), size, &bytes)) {
        *error = std::string(kPackName) + ": cannot be read";
        return false;
    }
    if (hasShow()) {
        pending_ = std::move(bytes);
        return true;
    }
    session_.openStream(folder_, std::move(bytes));
    if (!session_.attach(surface_, width_, height_)) {
        session_.close();
        *error = "the show could not be set up on the window";
        return false;
    }
    needsFresh_ = false;
    return true;
}

void PreviewShow::runBeside(const std::function<void()>& work) {
    // The library of the show being played is set aside while the work fills its own, and put
    // back once the work's show is freed.
    std::vector<Animation*> playing;
    if (animationList)
        for (Animation* a : *animationList) playing.push_back(a);
    resetAnimationList();
    work();
    resetAnimationList();
    for (Animation* a : playing) createAnimationList()->addLast(a);
    // The work went through the process-wide state that the show uses: the show is played
    // afresh up to where it was.
    needsFresh_ = hasShow();
}

int PreviewShow::drawStep(int64_t step, const std::function<int()>& capture, const Progress& progress) {
    if (!hasShow() || step < 0) return -1;
    if (needsFresh_) {
        if (!pending_.empty()) {
            session_.openStream(folder_, std::move(pending_));
            pending_.clear();
            session_.attach(surface_, width_, height_);
        } else {
            session_.restart();
        }
        needsFresh_ = false;
    }
    session_.seek(step, progress);
    return session_.step(step, StepDrawing::Drawn, capture);
}

std::vector<TrackCellInfo> PreviewShow::cellsNow() const {
    std::vector<TrackCellInfo> cells;
    if (!hasShow() || step() < 0) return cells;
    for (const DueCell& due : session_.dueCellsAt(step())) {
        TrackCellInfo info;
        if (Cell* cell = due.cell) {
            info.localTicks = due.localTicks;
            switch (cell->getKind()) {
                case kCellScene: {
                    info.kind = "scene";
                    Scene3D* scene = static_cast<SceneClip*>(cell)->scene();
                    if (scene) {
                        info.name = scene->getName();
                        info.nodes = countNodes(scene, 0);
                        if (ScenePhysics* physics = scene->getPhysics()) info.bodies = physics->getBodyCount();
                    }
                    break;
                }
                case kCellPicture: info.kind = "picture"; break;
                case kCellAnimation:
                    info.kind = "animation";
                    info.name = static_cast<Animation*>(cell)->getName();
                    break;
                default: info.kind = "cell " + std::to_string(cell->getKind()); break;
            }
        }
        cells.push_back(info);
    }
    return cells;
}
