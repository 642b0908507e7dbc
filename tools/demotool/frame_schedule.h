// The offline frame clock: the show advances in steps of 1000/60 ms, as on a 60 Hz display (the
// show's physics, soft bodies and effects step once per drawn frame, so this keeps their live
// speed), and output frames are the steps that fall on the output rate.
#pragma once

#include <cstdint>

#include "app/show_session.h"

class Timeline;

// Steps of the show per second.
constexpr int kStepsPerSecond = kShowStepsPerSecond;

// Show time of step n in whole milliseconds: floor(n x 1000 / 60).
uint32_t stepMilliseconds(int64_t step);
// The step nearest to a time in seconds (time >= 0).
int64_t stepNearestSeconds(double seconds);
// True for output rates that divide 60 (1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30, 60).
bool isValidOutputRate(int fps);
// Where the show ends, in seconds: the last key time of all tracks converted from ticks
// (ms = ticks / 0.899). 0 for a show without keys.
double showEndSeconds(const Timeline& timeline);

// Which steps are drawn and which of them become output frames.
struct FrameSchedule {
    int64_t firstStep = 0;   // the first captured step; the steps before it are drawn only
    int64_t endStep = 0;     // steps 0 .. endStep - 1 are drawn
    int stepsPerFrame = 2;   // 60 / fps

    // The schedule of output frames at fromSeconds + i / fps for every such time before
    // toSeconds. fps must divide 60.
    static FrameSchedule make(double fromSeconds, double toSeconds, int fps);
    int64_t frameCount() const;
    bool isCaptured(int64_t step) const;
    // Seconds of show time at which the first output frame is taken.
    double firstSeconds() const { return static_cast<double>(firstStep) / kStepsPerSecond; }
};
