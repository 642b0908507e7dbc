// The passes of demotool bench: engine on the null device, render on headless GL, encoding.
#include "tools/demotool/show_bench.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/animation.h"
#include "app/cell.h"
#include "app/scene_clip.h"
#include "app/show_session.h"
#include "platform/recorder/avi_recorder.h"
#include "app/timeline.h"
#include "platform/core/clock.h"
#include "scene/scene3d.h"
#include "scene/ticks.h"
#include "tools/demotool/offline_show.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

std::vector<DrawnCell> drawnCellsAt(const Timeline& timeline, int64_t step) {
    std::vector<DrawnCell> cells;
    const std::vector<DueCell> due = dueCellsAt(timeline, showTicks(static_cast<int32_t>(stepMilliseconds(step))));
    for (size_t i = 0; i < due.size(); ++i) {
        Cell* cell = due[i].cell;
        if (!cell) continue;
        DrawnCell drawn;
        drawn.track = static_cast<int>(i);
        Track* track = timeline.getTrack(static_cast<int>(i));
        for (int k = 0; k < track->count(); ++k)
            if (track->getKey(k) == due[i].key) drawn.cell = k;
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
    // The live program's start-up on a device that draws nothing: the show loaded afresh, then
    // the start that the window's opening gives at clock 0.
    ShowSession session(ShowSession::DeviceKind::Null);
    const ShowLoadResult load = session.open(settings_.dir);
    if (!load.loaded()) {
        error_ = load.error.text() + (load.status == ShowLoadStatus::NoPack ? " in " + settings_.dir : "");
        return false;
    }
    if (!resolveSchedule(session.endSeconds())) return false;
    session.attach(nullptr, settings_.width, settings_.height);
    engine_ = FrameCosts(static_cast<size_t>(schedule_.endStep - schedule_.firstStep));
    engineCpu_ = FrameCosts(static_cast<size_t>(schedule_.endStep - schedule_.firstStep));
    long long callsBefore = 0;
    for (int64_t step = 0; step < schedule_.endStep; ++step) {
        if (step == schedule_.firstStep) callsBefore = session.nullDrawCalls();
        const double cpuStart = threadCpuMilliseconds();
        const auto start = Clock::now();
        session.step(step, StepDrawing::Drawn);
        const auto end = Clock::now();
        const double cpuEnd = threadCpuMilliseconds();
        // The steps before --from only bring the show's state up to date.
        if (step >= schedule_.firstStep) {
            engine_.add(step, millisecondsBetween(start, end));
            engineCpu_.add(step, cpuEnd - cpuStart);
        }
    }
    engineDrawCalls_ = session.nullDrawCalls() - callsBefore;
    describeSlowest(engine_, *session.timeline());
    describeSlowest(engineCpu_, *session.timeline());
    return true;
}

bool ShowBench::runRender() {
    error_.clear();
    OfflineShow show;
    if (!show.open(settings_.dir, settings_.width, settings_.height)) {
        error_ = show.error();
        return false;
    }
    if (!resolveSchedule(show.endSeconds())) return false;

    ShowSession& session = show.session();
    const bool encoding = !settings_.encodeCodec.empty();
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("demotool-bench-" + std::to_string(static_cast<long>(getpid())) + ".avi");
    if (encoding) {
        AviRecorder& recorder = *session.recorder();
        recorder.setFileName(scratch.string());
        recorder.setFramesPerSecond(settings_.fps);
        recorder.setCodec(settings_.encodeCodec);
        recorder.setAudio("", 0.0);
        session.startRecording();
        if (!recorder.isOpen()) {
            error_ = "cannot encode with " + settings_.encodeCodec + ": " + recorder.status();
            session.stopRecording();
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
                const int r = session.captureFrame();
                // Encoding runs beside drawing when recording; here it is waited for, so that
                // the figure is read-back and encoding of this frame alone.
                session.recorder()->waitForFrames();
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
        AviRecorder& recorder = *session.recorder();
        const int finished = recorder.finish();
        session.stopRecording();
        std::error_code ec;
        fs::remove(scratch, ec);
        fs::remove(AviRecorder::temporaryNameFor(scratch.string()), ec);
        if (failed || finished != 0) {
            error_ = "encoding with " + settings_.encodeCodec + " failed: " + recorder.status();
            return false;
        }
    }
    describeSlowest(render_, *session.timeline());
    describeSlowest(encode_, *session.timeline());
    return true;
}
