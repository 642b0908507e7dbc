// OfflineShow: the show of a folder played exactly as the live program plays it (one
// ShowSession: the same load, player, window logic with letterbox and badge, and GL render
// device), on a headless GL context with the session's manual clock, one 60 Hz step at a time.
// The music is never played: the sound library calls keep time silently on the null audio
// backend.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/show_session.h"
#include "platform/posix/headless_context.h"

class OfflineShow {
public:
    OfflineShow() = default;
    // Closes the session, then the GL context.
    ~OfflineShow();
    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // Loads the show of folder (its "data.pak", the files it names and its music), opens a
    // width x height headless context and attaches the session to it. False with the reason in
    // error(); a damaged pack's reason names the byte offset.
    bool open(const std::string& folder, int width, int height);
    // Draws step n as the window's frame loop draws a frame; capture runs (when given) on the
    // finished picture, before the swap and the letterbox. Returns capture's result (0 without one).
    int drawStep(int64_t step, const std::function<int()>& capture = {}) {
        return session_.step(step, StepDrawing::Drawn, capture);
    }
    // Plays step n as drawStep does, every call included, but without a pixel: for the steps
    // between the frames that are kept.
    void runStep(int64_t step) { session_.step(step, StepDrawing::Hidden); }
    // Waits until the GL work of the frames drawn so far is done.
    void finishFrame() const { context_.finish(); }
    // The whole window, bars included, as RGBA rows bottom row first (meant for capture).
    std::string readRgba() const { return context_.readRgba(); }

    ShowSession& session() { return session_; }
    int width() const { return session_.width(); }
    int height() const { return session_.height(); }
    const std::string& error() const { return error_; }
    // Where the show ends (last key time of all tracks), in seconds.
    double endSeconds() const { return session_.endSeconds(); }

private:
    HeadlessContext context_;
    ShowSession session_;  // closed before the context
    std::string error_;
};
