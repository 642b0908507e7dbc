// OfflineShow: the show of one directory played exactly as the live program plays it (the same
// start-up load, player, window logic with letterbox and badge, and GL render device), but on a
// headless GL context in host-window mode, with a manual clock that the caller advances by whole
// 60 Hz steps. The music is never played: the sound library calls keep time silently on the
// null audio backend.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/mesh_registry.h"
#include "platform/core/clock.h"
#include "platform/posix/headless_context.h"

class GLWindow;
class Player;

class OfflineShow {
public:
    OfflineShow();
    // Releases the player (and its window), then the GL context.
    ~OfflineShow();
    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // Makes dir the working directory (files that the pack names are found there, as for the
    // live program), loads its "data.pak" with the show's loaders, opens a width x height headless
    // context and starts the player on it. False with the reason in error(); a damaged pack's
    // reason names the byte offset.
    bool open(const std::string& dir, int width, int height);
    // Draws step n as the window's frame loop draws a frame: the clock is set to n's time, the
    // player renders, the badge is drawn; then capture runs (when given) on the finished
    // picture, before the swap and the letterbox. Returns capture's result (0 without one).
    int drawStep(int64_t step, const std::function<int()>& capture = {});
    // Plays step n as drawStep does, every call included, but the GL device draws no pixel
    // (GLRenderDevice::setDrawing): for the steps between the frames that are kept. The next
    // drawn step finds the GL state and picture an unbroken run gives it, as every frame starts
    // by clearing what it draws on.
    void runStep(int64_t step);
    // Waits until the GL work of the frames drawn so far is done.
    void finishFrame() const { context_.finish(); }
    // The whole window, bars included, as RGBA rows bottom row first (meant for capture).
    std::string readRgba() const { return context_.readRgba(); }

    Player* player() const { return player_.get(); }
    GLWindow* window() const;
    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& error() const { return error_; }
    // Where the show ends (last key time of all tracks), in seconds.
    double endSeconds() const;

private:
    ManualClock clock_;
    MeshRegistry registry_;
    HeadlessContext context_;
    std::unique_ptr<Player> player_;  // released before the context
    int width_ = 0;
    int height_ = 0;
    std::string error_;
};
