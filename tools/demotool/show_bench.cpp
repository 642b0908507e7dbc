// The passes of demotool bench: engine on the null device, render on headless GL, encoding.
#include "tools/demotool/show_bench.h"

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/animation.h"
#include "app/cell.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/scene_clip.h"
#include "app/show_loader.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "math/random.h"
#include "platform/core/clock.h"
#include "platform/gl/gl_window.h"
#include "platform/null/null_render_device.h"
#include "scene/scene3d.h"
#include "scene/ticks.h"
#include "scene/track.h"
#include "tools/demotool/offline_show.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Puts the process-wide state that a show reads back where a fresh process has it, so that each
// pass plays the show exactly as a run of its own would: the random generator, the two effect
// counters, the animation library and the FLI decoder that the previous load filled, and the
// shared scratch image.
void resetShowState() {
    seedRandom(1);
    resetMetaSpawnCounter();
    Pisse3D::resetFrameCounter();
    fliClose();
    resetAnimationList();
    if (frameBuffer) std::memset(frameBuffer, 0, kFrameBufferBytes);
}

}  // namespace

std::vector<DrawnCell> drawnCellsAt(const Timeline& timeline, int64_t step) {
    std::vector<DrawnCell> cells;
    const int32_t t = showTicks(static_cast<int32_t>(stepMilliseconds(step)));
    for (int i = 0; i < timeline.getTrackCount(); ++i) {
        Track* track = timeline.getTrack(i);
        TimedKey* keys[2] = {nullptr, nullptr};
        if (track->findKeysAt(t, keys) != 0 || !keys[0]) continue;
        auto* cell = static_cast<Cell*>(keys[0]->getValue());
        if (!cell || t < cell->getStart() || t > cell->getEnd() + kTicksPerFrame) continue;
        DrawnCell drawn;
        drawn.track = i;
        for (int k = 0; k < track->count(); ++k)
            if (track->getKey(k) == keys[0]) drawn.cell = k;
        const int kind = cell->getKind();
        drawn.kind = cellKindName(kind);
        if (kind == kCellScene) {
            Scene3D* scene = static_cast<SceneClip*>(cell)->scene();
            if (scene) drawn.name = scene->getName();
        } else if (kind == kCellAnimation) {
            drawn.name = static_cast<Animation*>(cell)->getName();
        }
        cells.push_back(drawn);
    }
    return cells;
}

ShowBench::ShowBench(const BenchSettings& settings) : settings_(settings) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(settings_.dir, ec);
    if (!ec) settings_.dir = absolute.lexically_normal().string();
}

const std::vector<DrawnCell>& ShowBench::cellsAt(int64_t step) const {
    static const std::vector<DrawnCell> kNone;
    const auto found = moments_.find(step);
    return found == moments_.end() ? kNone : found->second;
}

bool ShowBench::resolveSchedule(double showEnd) {
    toSeconds_ = settings_.toSeconds > 0.0 ? settings_.toSeconds : showEnd;
    if (toSeconds_ <= settings_.fromSeconds) {
        char text[128];
        std::snprintf(text, sizeof text, "nothing to play: the show ends at %.3f s", showEnd);
        error_ = text;
        return false;
    }
    schedule_ = FrameSchedule::make(settings_.fromSeconds, toSeconds_, settings_.fps);
    if (schedule_.frameCount() == 0) {
        error_ = "no frame falls between --from and --to";
        return false;
    }
    return true;
}

void ShowBench::describeSlowest(const FrameCosts& costs, const Timeline& timeline, int slowestCount) {
    for (const FrameCost& c : costs.summary(static_cast<size_t>(slowestCount)).slowest)
        moments_[c.step] = drawnCellsAt(timeline, c.step);
}

bool ShowBench::runEngine() {
    error_.clear();
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(settings_.dir, ec);
    if (ec) {
        error_ = "cannot enter the show directory " + settings_.dir + ": " + ec.message();
        return false;
    }
    resetShowState();
    // The live program's start-up, on a device that draws nothing: registry, player, load, then
    // the start that the window's opening gives at clock 0.
    ManualClock clock(0);
    NullRenderDevice device;
    MeshRegistry registry;
    auto player = std::make_unique<Player>(&device);
    const ShowLoadResult load = loadShow("data.pak", registry, player->timeline());
    if (!load.loaded()) {
        error_ = load.error.text() + (load.status == ShowLoadStatus::NoPack ? " in " + settings_.dir : "");
        return false;
    }
    if (!resolveSchedule(showEndSeconds(player->timeline()))) return false;
    player->prepareStart(1);
    player->start();

    engine_ = FrameCosts(static_cast<size_t>(schedule_.endStep - schedule_.firstStep));
    engineCpu_ = FrameCosts(static_cast<size_t>(schedule_.endStep - schedule_.firstStep));
    long long callsBefore = 0;
    for (int64_t step = 0; step < schedule_.endStep; ++step) {
        if (step == schedule_.firstStep) callsBefore = device.drawCallCount();
        clock.set(stepMilliseconds(step));
        const double cpuStart = threadCpuMilliseconds();
        const auto start = Clock::now();
        player->renderFrame(settings_.width, settings_.height, 0);
        const auto end = Clock::now();
        const double cpuEnd = threadCpuMilliseconds();
        // The steps before --from only bring the show's state up to date.
        if (step >= schedule_.firstStep) {
            engine_.add(step, millisecondsBetween(start, end));
            engineCpu_.add(step, cpuEnd - cpuStart);
        }
    }
    engineDrawCalls_ = device.drawCallCount() - callsBefore;
    describeSlowest(engine_, player->timeline());
    describeSlowest(engineCpu_, player->timeline());
    return true;
}

bool ShowBench::runRender() {
    error_.clear();
    resetShowState();
    OfflineShow show;
    if (!show.open(settings_.dir, settings_.width, settings_.height)) {
        error_ = show.error();
        return false;
    }
    if (!resolveSchedule(show.endSeconds())) return false;

    const bool encoding = !settings_.encodeCodec.empty();
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("demotool-bench-" + std::to_string(static_cast<long>(getpid())) + ".avi");
    if (encoding) {
        AviRecorder& recorder = show.window()->recorder();
        recorder.setFileName(scratch.string());
        recorder.setFramesPerSecond(settings_.fps);
        recorder.setCodec(settings_.encodeCodec);
        recorder.setAudio("", 0.0);
        show.player()->startRecording();
        if (!recorder.isOpen()) {
            error_ = "cannot encode with " + settings_.encodeCodec + ": " + recorder.status();
            show.player()->stopRecording();
            return false;
        }
    }

    // As 'record': only output frames are drawn, the steps between them run without drawing, and
    // each output frame's render time includes the steps since the frame before.
    render_ = FrameCosts(static_cast<size_t>(schedule_.frameCount()));
    encode_ = FrameCosts(static_cast<size_t>(schedule_.frameCount()));
    bool failed = false;
    double stepsBeforeMs = 0.0;
    for (int64_t step = 0; step < schedule_.endStep && !failed; ++step) {
        const auto start = Clock::now();
        if (!schedule_.isCaptured(step)) {
            show.runStep(step);
            show.finishFrame();
            if (step >= schedule_.firstStep) stepsBeforeMs += millisecondsBetween(start, Clock::now());
            continue;
        }
        double encodeMs = 0.0;
        if (encoding) {
            // The picture is finished first, so that the read-back times only itself.
            const int result = show.drawStep(step, [&] {
                show.finishFrame();
                const auto captureStart = Clock::now();
                const int r = show.player()->captureFrame();
                // Encoding runs beside drawing when recording; here it is waited for, so that
                // the figure is read-back and encoding of this frame alone.
                show.window()->recorder().waitForFrames();
                encodeMs = millisecondsBetween(captureStart, Clock::now());
                return r;
            });
            if (result != 0) failed = true;
            encode_.add(step, encodeMs);
        } else {
            show.drawStep(step);
        }
        show.finishFrame();
        render_.add(step, stepsBeforeMs + millisecondsBetween(start, Clock::now()) - encodeMs);
        stepsBeforeMs = 0.0;
    }
    if (encoding) {
        AviRecorder& recorder = show.window()->recorder();
        const int finished = recorder.finish();
        show.player()->stopRecording();
        std::error_code ec;
        fs::remove(scratch, ec);
        fs::remove(AviRecorder::temporaryNameFor(scratch.string()), ec);
        if (failed || finished != 0) {
            error_ = "encoding with " + settings_.encodeCodec + " failed: " + recorder.status();
            return false;
        }
    }
    describeSlowest(render_, show.player()->timeline());
    describeSlowest(encode_, show.player()->timeline());
    return true;
}
