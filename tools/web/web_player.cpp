// The player in a web page: a ShowSession on the browser's platform (platform/web), driven by the
// page. The page fetches the show's files into the program's file system (the pack already
// inflated), then calls demoLoad; on the visitor's gesture demoPlay starts picture and music
// together and draws every browser frame at the music's time; demoShowAt instead simulates the
// show from its start in hidden 60 Hz steps, as demotool snapshot does, and holds one frame.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/fli_reader.h"
#include "app/show_session.h"
#include "data/message_box.h"
#include "platform/audio/fsound.h"
#include "platform/core/live_platform.h"
#include "platform/web/canvas_surface.h"
#include "platform/web/web_host.h"
#include "tools/demotool/frame_schedule.h"

namespace {

struct WebShow {
    std::unique_ptr<ShowSession> session;
    std::unique_ptr<CanvasSurface> surface;
    std::string error;
    double startMs = 0;          // the page clock when picture and music started
    bool composedPending = false;  // the last frame's swap and letterbox are still to come
    bool stopped = false;
};

WebShow& show() {
    static WebShow s;
    return s;
}

// The FLI/FLC decoder's fatal report (a named file missing or not an animation), which ends the
// native players: here it becomes the load's error, the first one kept.
void keepFliFatal(const char* line) {
    std::string& error = show().error;
    if (!error.empty()) return;
    error = line ? line : "";
    while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) error.pop_back();
}

// Attaches the session to the page's canvas at width x height: the window's GL state, the player
// started (music at 0 when the page has audio), the show clock at 0.
bool attachCanvas(int width, int height, bool keepPicture) {
    WebShow& s = show();
    s.surface = std::make_unique<CanvasSurface>(keepPicture);
    if (!s.session->attach(s.surface.get(), width, height)) {
        s.error = "the canvas has no WebGL context";
        showPageStatus(s.error.c_str());
        return false;
    }
    return true;
}

// One browser frame of the playing show: the swap and letterbox of the frame before (the browser
// showed it when the last callback returned), then the step due at the page clock, composed.
bool playFrame() {
    WebShow& s = show();
    if (s.stopped || !s.session->isOpen()) return false;
    const double elapsed = pageClockMs() - s.startMs;
    const int64_t step = elapsed > 0 ? static_cast<int64_t>(elapsed * kShowStepsPerSecond / 1000.0) : 0;
    // A display faster than the steps shows the same step again: nothing new to draw.
    if (step <= s.session->lastStep()) return true;
    if (s.composedPending) s.session->swapAndLetterbox();
    s.session->step(step, StepDrawing::Composed);
    s.composedPending = true;
    notePageFrame(static_cast<int>(showStepMilliseconds(step)));
    return true;
}

}  // namespace

extern "C" {

// Loads dir's "data.pak" (its stream already inflated by the page; files the pack names are
// found in dir). 0 when loaded; otherwise the reason (file, byte offset, cause) is in demoError().
int demoLoad(const char* dir) {
    WebShow& s = show();
    if (s.session) return 0;
    s.error.clear();
    const std::string folder = dir ? dir : ".";
    std::ifstream file(folder + "/data.pak", std::ios::binary);
    if (!file) {
        s.error = "data.pak: cannot be opened";
        return 1;
    }
    std::vector<uint8_t> stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    s.session = std::make_unique<ShowSession>();
    setFliFatalSink(keepFliFatal);
    const ShowLoadResult load = s.session->openStream(folder, std::move(stream));
    if (!s.error.empty()) return 1;
    if (!load.loaded()) {
        s.error = load.error.text();
        return 1;
    }
    return 0;
}

const char* demoError() { return show().error.c_str(); }

// Starts music and picture at 0 on a width x height canvas and draws every browser frame, the
// show following the page's audio clock. 0 when playing.
int demoPlay(int width, int height) {
    WebShow& s = show();
    if (!s.session || !s.session->isOpen()) return 1;
    if (!attachCanvas(width, height, false)) return 1;
    s.startMs = pageClockMs();
    runBrowserFrames(playFrame);
    return 0;
}

// Draws the frame at seconds on a width x height canvas, the show simulated from its start in
// hidden steps of 1000/60 ms, without sound, and keeps it. 0 when drawn.
int demoShowAt(double seconds, int width, int height) {
    WebShow& s = show();
    if (!s.session || !s.session->isOpen()) return 1;
    if (!attachCanvas(width, height, true)) return 1;
    const int64_t target = stepNearestSeconds(seconds > 0 ? seconds : 0);
    s.session->seek(target);
    s.session->step(target, StepDrawing::Composed);
    notePageFrame(static_cast<int>(showStepMilliseconds(target)));
    return 0;
}

// Stops drawing and closes the show (its music with it), for good: the page is about to play
// another show.
void demoStop() {
    WebShow& s = show();
    s.stopped = true;
    if (s.session) s.session->close();
}

}  // extern "C"

int main() {
    setMessageBoxSink(liveMessageBoxSink());
    setAudioBackend(&liveAudioBackend());
    setReportLineSink(liveReportLineSink());
    return 0;
}
