// ShowBench: where the time of an offline run goes. A show is played as 'record' plays it (the
// same 60 Hz steps, start-up load and window size) in separate passes, each from a fresh start:
// the engine pass on a render device that draws nothing (controllers, update and draw passes,
// physics, effects, down to the device's calls), the render pass on the headless GL device up to
// a finished picture (output frames only, as 'record' draws them), and optionally the read-back
// and encoding of each output frame.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/demotool/frame_costs.h"
#include "tools/demotool/frame_schedule.h"

// What a bench run plays and measures.
struct BenchSettings {
    std::string dir = ".";  // the show's directory (absolute, or relative to the working directory)
    int width = 1024;
    int height = 768;
    double fromSeconds = 0.0;
    double toSeconds = 0.0;  // 0: the end of the show
    int fps = 30;            // output rate: which steps are output frames (for the encoding)
    std::string encodeCodec;  // empty: no encoding pass
};

// One cell that a track draws at a moment of the show.
struct DrawnCell {
    int track = 0;
    int cell = 0;        // the cell's position on its track, from 0
    std::string kind;    // "scene", "picture", "animation" or "unknown"
    std::string name;    // the scene's root name, the animation's name; empty for a picture
};

class ShowBench {
public:
    // The show directory is taken relative to the working directory at construction.
    explicit ShowBench(const BenchSettings& settings);

    // The engine pass: the show loaded afresh on a render device that draws nothing, every step
    // timed around the player's frame. False with the reason in error().
    bool runEngine();
    // The render pass: the show on the headless GL device, each output frame timed up to a
    // finished picture together with the steps since the frame before, which are played without
    // drawing; with an encoding codec, every output frame is also read back and encoded into a
    // scratch file (removed afterwards), timed apart. False with the reason in error().
    bool runRender();

    const FrameCosts& engine() const { return engine_; }
    // The engine pass's steps in CPU time of the thread that played them: what the show itself
    // cost, without the time other programs held the processor.
    const FrameCosts& engineCpu() const { return engineCpu_; }
    const FrameCosts& render() const { return render_; }
    const FrameCosts& encode() const { return encode_; }
    // Calls the engine pass handed to its device (primitives and pictures), over its timed steps.
    long long engineDrawCalls() const { return engineDrawCalls_; }
    // The steps drawn and the output frames, once a pass has resolved the show's end.
    const FrameSchedule& schedule() const { return schedule_; }
    double toSeconds() const { return toSeconds_; }
    // The cells drawn at the steps listed among the slowest of a pass (and at any step a pass
    // described); empty for a step where nothing draws.
    const std::vector<DrawnCell>& cellsAt(int64_t step) const;
    const std::string& error() const { return error_; }

private:
    bool resolveSchedule(double showEnd);
    void describeSlowest(const FrameCosts& costs, const class Timeline& timeline, int slowestCount = 5);

    BenchSettings settings_;
    FrameSchedule schedule_;
    double toSeconds_ = 0.0;
    FrameCosts engine_;
    FrameCosts engineCpu_;
    FrameCosts render_;
    FrameCosts encode_;
    long long engineDrawCalls_ = 0;
    std::map<int64_t, std::vector<DrawnCell>> moments_;
    std::string error_;
};

// The cells each track draws at a step of the show, by the player's rule.
std::vector<DrawnCell> drawnCellsAt(const class Timeline& timeline, int64_t step);
