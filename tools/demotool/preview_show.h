// PreviewShow: the show of the working directory played on a live window for demotool play, one
// 60 Hz step at a time, with exact jumps. The show's physics, soft bodies, particle stream and
// metaballs depend on every step since 0, so reaching a step simulates the steps before it
// through a device that draws nothing (from a fresh load of the pack when the step lies behind),
// the last of them through the window's device without showing it (it leaves the GL state the
// step finds), and then draws the step; its picture is the picture that demotool snapshot takes
// at that time on the same kind of GL context. The music is not played here: the show keeps time
// on the silent audio backend.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/null/null_render_device.h"
#include "platform/core/platform_surface.h"

class MeshRegistry;
class Player;

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
    // The show will draw into surface (a window with its GL context, not owned) at width x height.
    PreviewShow(PlatformSurface* surface, int width, int height);
    ~PreviewShow();
    PreviewShow(const PreviewShow&) = delete;
    PreviewShow& operator=(const PreviewShow&) = delete;

    // Reads "data.pak" of the working directory. The first call also sets up the player on the
    // window. A pack that cannot be loaded leaves the show as it was (none before the first
    // success) and gives the loader's error (file, offset, cause) in error. After a successful
    // load the next drawn step starts from a fresh show.
    bool load(std::string* error);
    bool hasShow() const { return player_ != nullptr; }

    // Called every few hundred simulated steps of a jump with the steps done and to do.
    using Progress = std::function<void(int64_t done, int64_t total)>;
    // Brings the show to step (simulating the steps before it without drawing, from a fresh
    // show when step is not ahead of the last one drawn) and draws it through the window;
    // capture runs on the finished picture before the swap, as for the offline renderer.
    // Returns capture's result (0 without one), -1 without a show.
    int drawStep(int64_t step, const std::function<int()>& capture = {}, const Progress& progress = {});
    // The last step drawn; -1 before the first.
    int64_t step() const { return drawn_; }
    // The last step of the show (its end), 0 for an empty show.
    int64_t lastStep() const;
    // Steps that a jump to target would have to simulate from the current state.
    int64_t stepsToReach(int64_t target) const {
        return !needsFresh_ && target > drawn_ ? target - drawn_ - 1 : target;
    }

    // The cell each track plays at the last drawn step.
    std::vector<TrackCellInfo> cellsNow() const;
    // The window's own processing of a message (letterbox after a resize).
    void handleEvent(const SurfaceEvent& event);
    // The buffer swap and the letterbox that end a frame drawn outside drawStep.
    void swapAndLetterbox();
    int width() const { return width_; }
    int height() const { return height_; }

private:
    // Process-wide state back to program start, then the kept pack into the player's timeline.
    void freshShow();
    void simulate(int64_t step);

    PlatformSurface* surface_;
    int width_;
    int height_;
    ManualClock clock_;
    std::unique_ptr<NullRenderDevice> nullDevice_;  // fresh with every fresh show
    std::unique_ptr<Player> player_;
    std::unique_ptr<MeshRegistry> registry_;  // the meshes of the show being played
    std::vector<uint8_t> pack_;  // the uncompressed stream of the pack being played
    int64_t drawn_ = -1;
    // The show's state must be rebuilt from a fresh load before the next step (after a reload,
    // or after a trial load that went through the process-wide state).
    bool needsFresh_ = false;
    int trackTextures_ = 0;  // the track count the player's textures were made for
};
