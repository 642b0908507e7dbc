// Keys, jumps, the loop and the playback clock of demotool play.
#include "tools/demotool/preview_controls.h"

#include <cmath>
#include <cstdio>

#include "platform/core/platform_surface.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/frame_schedule.h"

PreviewCommand previewCommandForKey(int key, bool shift) {
    const int64_t second = kStepsPerSecond;
    switch (key) {
        case kKeySpace: return {PreviewAction::TogglePause};
        case kKeyLeft: return {PreviewAction::Jump, -(shift ? 1 : 5) * second};
        case kKeyRight: return {PreviewAction::Jump, (shift ? 1 : 5) * second};
        case kKeyPageUp: return {PreviewAction::Jump, -30 * second};
        case kKeyPageDown: return {PreviewAction::Jump, 30 * second};
        case kKeyHome: return {PreviewAction::JumpToStart};
        case kKeyPeriod: return {PreviewAction::StepFrame};
        case 'I': return {PreviewAction::SetLoopIn};
        case 'O': return {PreviewAction::SetLoopOut};
        case 'L': return {PreviewAction::ToggleLoop};
        case 'S': return {PreviewAction::Snapshot};
        case 'R': return {PreviewAction::Reload};
        case 'H': return {PreviewAction::ToggleOverlay};
        case kKeyEscape: return {PreviewAction::Quit};
        default: return {};
    }
}

int64_t jumpTarget(int64_t step, int64_t delta, int64_t lastStep) {
    int64_t target = step + delta;
    if (lastStep >= 0 && target > lastStep) target = lastStep;
    return target < 0 ? 0 : target;
}

void PreviewLoop::setIn(int64_t step) {
    inStep = step < 0 ? 0 : step;
    if (outStep >= 0 && outStep <= inStep) outStep = -1;
}

void PreviewLoop::setOut(int64_t step) {
    outStep = step < 0 ? 0 : step;
    if (inStep >= outStep) inStep = 0;
}

int64_t PreviewLoop::wrap(int64_t step) const { return active() && step > outStep ? inStep : step; }

bool parseLoopRange(const std::string& text, int64_t* inStep, int64_t* outStep) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    double from = 0.0;
    double to = 0.0;
    if (!parseSeconds(text.substr(0, colon), &from) || !parseSeconds(text.substr(colon + 1), &to)) return false;
    const int64_t a = stepNearestSeconds(from);
    const int64_t b = stepNearestSeconds(to);
    if (b <= a) return false;
    *inStep = a;
    *outStep = b;
    return true;
}

int64_t PlaybackClock::stepAt(double nowMs) const {
    const double elapsed = nowMs - anchorMs;
    if (elapsed <= 0.0) return anchorStep;
    return anchorStep + static_cast<int64_t>(std::floor(elapsed * kStepsPerSecond / 1000.0));
}

std::string formatShowTime(int64_t ms) {
    if (ms < 0) ms = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}
