// The live preview's show: loading and reloading the pack, exact steps and jumps.
#include "tools/demotool/preview_show.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "app/animation.h"
#include "app/cell.h"
#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/scene_clip.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "math/random.h"
#include "mesh/physics_world.h"
#include "platform/gl/gl_window.h"
#include "platform/device/render_device_core.h"
#include "scene/node3d.h"
#include "scene/scene3d.h"
#include "mesh/scene_physics.h"
#include "scene/ticks.h"
#include "tools/demotool/frame_schedule.h"

namespace {

constexpr const char* kPackName = "data.pak";
// Steps simulated between two progress reports of a jump.
constexpr int64_t kProgressInterval = 120;
// The window letterboxes without its scissor for its first frames after a (re)size; from this
// many frames on, every frame is letterboxed alike.
constexpr uint32_t kSteadyLetterbox = 6;

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

PreviewShow::PreviewShow(PlatformSurface* surface, int width, int height)
    : surface_(surface), width_(width), height_(height), clock_(0), nullDevice_(std::make_unique<NullRenderDevice>()) {}

PreviewShow::~PreviewShow() { player_.reset(); }

int64_t PreviewShow::lastStep() const {
    return player_ ? stepNearestSeconds(showEndSeconds(player_->timeline())) : 0;
}

bool PreviewShow::load(std::string* error) {
    // The pack is loaded once on its own first, so that a damaged one never replaces the show.
    uint64_t size = 0;
    {
        // The library of the show being played is set aside while the trial fills its own, and
        // put back once the trial's show is freed.
        std::vector<Animation*> playing;
        if (animationList)
            for (Animation* a : *animationList) playing.push_back(a);
        resetAnimationList();
        MeshRegistry registry;
        Timeline timeline;
        const ShowLoadResult result = loadShow(kPackName, registry, timeline);
        releaseShow(timeline);
        for (Animation* a : playing) animationList->addLast(a);
        if (!result.loaded()) {
            *error = result.error.text();
            // The trial load went through the process-wide state that the show uses: the show
            // is simulated afresh up to where it was.
            needsFresh_ = true;
            return false;
        }
        size = result.bytes;
    }
    // The show is loaded again from these bytes whenever it starts afresh (a jump back), so that
    // it stays the show of this load whatever happens to the file until the next reload.
    std::vector<uint8_t> bytes;
    if (!readStream(kPackName, size, &bytes)) {
        *error = std::string(kPackName) + ": cannot be read";
        needsFresh_ = true;
        return false;
    }
    pack_ = std::move(bytes);
    if (!player_) {
        player_ = std::make_unique<Player>();
        freshShow();
        // Host-window mode: GL set up on the window, the track textures made, no loop. The clock
        // reads 0, so step n is drawn at show time n x 1000 / 60 ms.
        clock_.set(0);
        if (player_->run(width_, height_, surface_, 1) != 1) {
            player_.reset();
            *error = "the show could not be set up on the window";
            return false;
        }
        trackTextures_ = player_->timeline().getTrackCount();
        return true;
    }
    needsFresh_ = true;
    return true;
}

void PreviewShow::freshShow() {
    // The show before is freed first: its cells and library, then the registry its meshes
    // came from.
    releaseShow(player_->timeline());
    registry_.reset();
    seedRandom(1);
    resetMetaSpawnCounter();
    Pisse3D::resetFrameCounter();
    resetAnimationList();
    if (frameBuffer) std::memset(frameBuffer, 0, kFrameBufferBytes);
    registry_ = std::make_unique<MeshRegistry>();
    PackReader reader;
    reader.openMemory(pack_.data(), pack_.size(), kPackName);
    loadShowFrom(reader, *registry_, player_->timeline());
    const int tracks = player_->timeline().getTrackCount();
    if (player_->getWindow() && tracks != trackTextures_) {
        player_->createTrackTextures(tracks);
        trackTextures_ = tracks;
    }
    nullDevice_ = std::make_unique<NullRenderDevice>();
    drawn_ = -1;
    needsFresh_ = false;
}

void PreviewShow::simulate(int64_t step) {
    const uint32_t ms = stepMilliseconds(step);
    clock_.set(ms);
    nullDevice_->beginFrame();
    player_->renderTracks(static_cast<int32_t>(ms), width_, height_, nullDevice_.get());
}

int PreviewShow::drawStep(int64_t step, const std::function<int()>& capture, const Progress& progress) {
    GLWindow* window = player_ ? player_->getWindow() : nullptr;
    auto* device = player_ ? dynamic_cast<RenderDeviceCore*>(player_->getDevice()) : nullptr;
    if (!window || !device || step < 0) return -1;
    if (needsFresh_ || step <= drawn_) freshShow();
    // The window letterboxes as after a long run (its first frames after a resize leave the
    // clear colour black, which the GL state below must not keep).
    while (window->getLetterboxCounter() < kSteadyLetterbox) window->letterbox(width_, height_);
    // A fresh show starts from the GL state that the window sets up.
    if (drawn_ < 0) window->initGL();
    // The device that draws nothing takes every step but the last two; its state after each one
    // is the state the drawing device would have had.
    const int64_t first = drawn_ + 1;
    for (int64_t s = first; s + 1 < step; ++s) {
        if (progress && (s - first) % kProgressInterval == 0) progress(s - first, step - first);
        simulate(s);
    }
    if (step - 1 > drawn_) {
        // The step before is drawn (not shown) through the window's device, badge included, so
        // that the GL state it leaves (clear colour, matrices, blending) is the one this step
        // finds after an unbroken run.
        device->copyViewState(*nullDevice_);
        const uint32_t before = stepMilliseconds(step - 1);
        clock_.set(before);
        player_->renderFrame(width_, height_, 0);
        window->drawBadge(width_, height_, static_cast<int>(before));
    }
    clock_.set(stepMilliseconds(step));
    drawn_ = step;
    const int result = window->drawFrame(capture);
    nullDevice_->copyViewState(*device);
    return result;
}

std::vector<TrackCellInfo> PreviewShow::cellsNow() const {
    std::vector<TrackCellInfo> cells;
    if (!player_ || drawn_ < 0) return cells;
    Timeline& timeline = player_->timeline();
    const int32_t t = showTicks(static_cast<int32_t>(stepMilliseconds(drawn_)));
    for (int i = 0; i < timeline.getTrackCount(); ++i) {
        TrackCellInfo info;
        void* values[2] = {nullptr, nullptr};
        int32_t times[2] = {0, 0};
        // The player's rule: the cell of the bracketing keys, while start <= t <= end + grace.
        if (timeline.getTrack(i)->findAt(t, values, times) == 0) {
            auto* cell = static_cast<Cell*>(values[0]);
            if (cell && t >= cell->getStart() && t <= cell->getEnd() + kTicksPerFrame) {
                info.localTicks = t - times[0] + cell->getInPoint();
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
        }
        cells.push_back(info);
    }
    return cells;
}

void PreviewShow::handleEvent(const SurfaceEvent& event) {
    if (GLWindow* window = player_ ? player_->getWindow() : nullptr) window->handleEvent(event);
}

void PreviewShow::swapAndLetterbox() {
    if (GLWindow* window = player_ ? player_->getWindow() : nullptr) window->swapAndLetterbox(width_, height_);
}
