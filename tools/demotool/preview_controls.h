// The pure rules of the interactive preview (demotool play): which key does what, where a jump
// lands, the loop's in and out points, the playback clock and how show times are written.
#pragma once

#include <cstdint>
#include <string>

// What a key asks of the preview.
enum class PreviewAction {
    None,
    TogglePause,    // Space
    Jump,           // Left/Right (5 s, with Shift 1 s), PageUp/PageDown (30 s): by steps
    JumpToStart,    // Home
    StepFrame,      // '.': one step forward while paused
    SetLoopIn,      // I
    SetLoopOut,     // O
    ToggleLoop,     // L
    Snapshot,       // S
    Reload,         // R
    ToggleOverlay,  // H
    Quit,           // Escape
};

struct PreviewCommand {
    PreviewAction action = PreviewAction::None;
    int64_t steps = 0;  // Jump: how far, in 60 Hz steps (negative: back)
};

// The command of a key (the window layer's virtual key number) pressed with or without Shift.
PreviewCommand previewCommandForKey(int key, bool shift);

// Where a jump of delta steps from step lands: never before 0, and never past lastStep (the
// show's end) unless lastStep is negative (no end known).
int64_t jumpTarget(int64_t step, int64_t delta, int64_t lastStep);

// The loop between two steps. It plays from inStep up to and including outStep, then starts
// again at inStep; it acts only while enabled and with an out point after the in point.
struct PreviewLoop {
    int64_t inStep = 0;
    int64_t outStep = -1;  // -1: no out point
    bool enabled = false;

    // Sets the in point; an out point that no longer lies after it is dropped.
    void setIn(int64_t step);
    // Sets the out point; an in point that no longer lies before it goes back to 0.
    void setOut(int64_t step);
    bool active() const { return enabled && outStep > inStep; }
    // The step to show instead of step: inStep once step has passed the out point, else step.
    int64_t wrap(int64_t step) const;
};

// "FROM:TO" in seconds (TO after FROM) as steps. False for anything else.
bool parseLoopRange(const std::string& text, int64_t* inStep, int64_t* outStep);

// The playback clock: which step is due at a given wall-clock time, from the step and time at
// which playback (re)started. Steps advance at 60 per second.
struct PlaybackClock {
    int64_t anchorStep = 0;
    double anchorMs = 0.0;

    void restart(int64_t step, double nowMs) {
        anchorStep = step;
        anchorMs = nowMs;
    }
    int64_t stepAt(double nowMs) const;
};

// A show time in milliseconds as m:ss.mmm (minutes unbounded; negative times as 0:00.000).
std::string formatShowTime(int64_t ms);
