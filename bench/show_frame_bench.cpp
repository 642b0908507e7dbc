// Heavy frames of the sample show drawn through the GL render device at 1024x768 on the headless
// context: the show is played up to the moment (every step, without drawing, as a recording
// plays the steps between its frames), then that step's frame is drawn again and again up to a
// finished picture. Wall time, and the CPU time of every thread of the process: llvmpipe's
// rasteriser threads do most of the work, and on a busy machine their CPU time is the steadier
// figure. The moments:
// the dawn sea under a picture, the metaballs under a wipe, the dusk sea, the dusk sea under a
// picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/show_session.h"
#include "platform/posix/headless_context.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// The sample show in a session attached to a headless context, played forward only.
class SampleShow {
public:
    SampleShow() {
        if (!context_.open(kWidth, kHeight)) {
            error_ = "no headless OpenGL context: " + context_.error();
            return;
        }
        if (!session_.open(DEMO_BINARY_DIR "/show").loaded()) {
            error_ = "the sample show does not load from " DEMO_BINARY_DIR "/show (build the sample_show target)";
            return;
        }
        if (!session_.attach(context_.surface(), kWidth, kHeight)) error_ = "the session cannot attach to the context";
    }
    ~SampleShow() {
        session_.close();
        context_.close();
    }

    // Plays every step before this one without drawing.
    void playUpTo(int64_t step) { session_.seek(step); }
    // Draws the step's frame (letterbox and badge included) and waits for the finished picture.
    void draw(int64_t step) {
        session_.step(step, StepDrawing::Drawn);
        context_.finish();
    }
    const std::string& error() const { return error_; }

private:
    HeadlessContext context_;
    ShowSession session_;  // closed before the context
    std::string error_;
};

SampleShow& sampleShow() {
    static SampleShow show;
    return show;
}

// Argument: the moment in 60 Hz steps. The moments are registered in show order, so that the
// show is only ever played forward.
void BM_SampleShowFrame(benchmark::State& state) {
    SampleShow& show = sampleShow();
    if (!show.error().empty()) {
        state.SkipWithError(show.error().c_str());
        return;
    }
    const int64_t step = state.range(0);
    show.playUpTo(step);
    for (auto _ : state) show.draw(step);
    char label[32];
    std::snprintf(label, sizeof label, "%.1f s", static_cast<double>(step) / kShowStepsPerSecond);
    state.SetLabel(label);
}
BENCHMARK(BM_SampleShowFrame)
    ->Arg(6 * kShowStepsPerSecond)
    ->Arg(43 * kShowStepsPerSecond)
    ->Arg(55 * kShowStepsPerSecond)
    ->Arg(65 * kShowStepsPerSecond)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
