// The browser's frame loop, clock and status area.
#include "platform/web/web_host.h"

#include <emscripten.h>

#include <utility>


// clang-format off
EM_JS(double, demo_audio_clock_ms, (), {
    const ctx = Module.demoAudio;
    if (ctx && ctx.state === 'running') {
        const stamp = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : null;
        if (stamp && stamp.contextTime > 0)
            return stamp.contextTime * 1000 + (performance.now() - stamp.performanceTime);
        return ctx.currentTime * 1000;
    }
    return performance.now();
});
EM_JS(void, demo_show_status, (const char* text), {
    const line = UTF8ToString(text);
    if (Module.demoStatus) Module.demoStatus(line); else console.log(line);
});
EM_JS(void, demo_note_frame, (int ms), {
    if (Module.demoFrame) Module.demoFrame(ms);
});
// clang-format on

namespace {

std::function<bool()>& frameFunction() {
    static std::function<bool()> f;
    return f;
}

void runFrame() {
    if (!frameFunction() || !frameFunction()()) {
        frameFunction() = nullptr;
        emscripten_cancel_main_loop();
    }
}

}  // namespace

void runBrowserFrames(std::function<bool()> frame) {
    frameFunction() = std::move(frame);
    emscripten_set_main_loop(runFrame, 0, 0);
}

double pageClockMs() { return demo_audio_clock_ms(); }

void showPageStatus(const char* text) { demo_show_status(text); }

void notePageFrame(int ms) { demo_note_frame(ms); }
