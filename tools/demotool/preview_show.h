// PreviewShow: the show of a folder played on a live window for demotool play, one 60 Hz step at
// a time, with exact jumps, through one ShowSession. The show's physics, soft bodies, particle
// stream and metaballs depend on every step since 0, so reaching a step plays the steps before it
// without drawing (from a fresh start when the step lies behind) and then draws it; its picture
// is the picture that demotool snapshot takes at that time on the same kind of GL context. The
// music is not played here: the show keeps time on the silent audio backend.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/show_session.h"
#include "platform/core/platform_surface.h"

// The cell a track plays at some step, for the overlay.
struct TrackCellInfo {
    std::string kind;   // "scene", "picture", "animation"; empty when the track draws nothing
    std::string name;   // the scene's or animation's name
    int32_t localTicks = 0;
    int nodes = 0;      // scenes: nodes of the tree, the scene included
    int bodies = 0;     // scenes: bodies of the physics world
};

class PreviewShow {
public:
    // The show of folder will draw into surface (a window with its GL context, not owned) at
    // width x height.
    PreviewShow(PlatformSurface* surface, int width, int height, std::string folder);
    PreviewShow(const PreviewShow&) = delete;
    PreviewShow& operator=(const PreviewShow&) = delete;

    // Reads the folder's "data.pak". The first call also sets the show up on the window. A pack
    // that cannot be loaded leaves the show as it was (none before the first success) and gives
    // the loader's error (file, offset, cause) in error. After a successful load the next drawn
    // step starts from a fresh show.
    bool load(std::string* error);
    bool hasShow() const { return session_.isOpen(); }
    // Runs work, which may load shows of its own through the process-wide state (a trial load, a
    // build of a show source), with this show's animation library set aside and put back after;
    // the show is then played afresh up to the next step drawn.
    void runBeside(const std::function<void()>& work);

    using Progress = ShowSession::Progress;
    // Brings the show to step (playing the steps before it without drawing, from a fresh show
    // when step is not ahead of the last one drawn) and draws it through the window; capture runs
    // on the finished picture before the swap, as for the offline renderer. Returns capture's
    // result (0 without one), -1 without a show.
    int drawStep(int64_t step, const std::function<int()>& capture = {}, const Progress& progress = {});
    // The last step drawn; -1 before the first.
    int64_t step() const { return session_.lastStep(); }
    // The last step of the show (its end), 0 for an empty show.
    int64_t lastStep() const;
    // Steps that a jump to target would have to simulate from the current state.
    int64_t stepsToReach(int64_t target) const { return needsFresh_ ? target : session_.stepsToReach(target); }

    // The cell each track plays at the last drawn step.
    std::vector<TrackCellInfo> cellsNow() const;
    // The window's own processing of a message (letterbox after a resize).
    void handleEvent(const SurfaceEvent& event) { session_.handleEvent(event); }
    // The buffer swap and the letterbox that end a frame drawn outside drawStep.
    void swapAndLetterbox() { session_.swapAndLetterbox(); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    PlatformSurface* surface_;
    int width_;
    int height_;
    std::string folder_;
    ShowSession session_;
    // The uncompressed stream of a pack loaded since the show last started; empty when none.
    std::vector<uint8_t> pending_;
    // The show must start afresh before the next step (after a reload, or after a trial load
    // that went through the process-wide state).
    bool needsFresh_ = false;
};
