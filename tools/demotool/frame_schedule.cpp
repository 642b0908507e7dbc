// Steps of the offline clock and the choice of output frames.
#include "tools/demotool/frame_schedule.h"

#include <cmath>

#include "app/timeline.h"
#include "scene/ticks.h"

uint32_t stepMilliseconds(int64_t step) { return showStepMilliseconds(step); }

int64_t stepNearestSeconds(double seconds) { return std::llround(seconds * kStepsPerSecond); }

bool isValidOutputRate(int fps) { return fps >= 1 && fps <= kStepsPerSecond && kStepsPerSecond % fps == 0; }

double showEndSeconds(const Timeline& timeline) { return timelineEndSeconds(timeline); }

FrameSchedule FrameSchedule::make(double fromSeconds, double toSeconds, int fps) {
    FrameSchedule s;
    s.stepsPerFrame = isValidOutputRate(fps) ? kStepsPerSecond / fps : 1;
    s.firstStep = stepNearestSeconds(fromSeconds);
    // Frames are taken strictly before toSeconds; the small margin absorbs rounding of x 60.
    const int64_t end = static_cast<int64_t>(std::ceil(toSeconds * kStepsPerSecond - 1e-6));
    const int64_t frames = end > s.firstStep ? (end - s.firstStep + s.stepsPerFrame - 1) / s.stepsPerFrame : 0;
    // Nothing after the last captured step needs drawing.
    s.endStep = frames > 0 ? s.firstStep + (frames - 1) * s.stepsPerFrame + 1 : s.firstStep;
    return s;
}

int64_t FrameSchedule::frameCount() const {
    return endStep > firstStep ? (endStep - firstStep + stepsPerFrame - 1) / stepsPerFrame : 0;
}

bool FrameSchedule::isCaptured(int64_t step) const {
    return step >= firstStep && step < endStep && (step - firstStep) % stepsPerFrame == 0;
}
