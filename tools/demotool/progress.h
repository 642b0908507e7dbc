// Progress and timing of an offline render: per-frame durations with their summary, and a
// one-line progress bar on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Durations of the frames of a render, in milliseconds.
class FrameTimes {
public:
    void add(double milliseconds) { times_.push_back(milliseconds); }
    size_t count() const { return times_.size(); }
    // 0 for no frames.
    double mean() const;
    double max() const;
    // The smallest duration that at least fraction (0..1] of the frames do not exceed.
    double percentile(double fraction) const;

private:
    std::vector<double> times_;
};

// "m:ss" (or "h:mm:ss") for a count of seconds.
std::string formatClock(double seconds);

// A progress line "[####....]  12/300 frames  4%  58.1 fps  0:05 left", redrawn in place at
// most ten times a second. Draws nothing unless enabled (the caller enables it when standard
// error is a terminal).
class ProgressBar {
public:
    ProgressBar(int64_t total, bool enabled);
    // Reports done frames out of total; redraws when due (always for the last frame).
    void update(int64_t done);
    // Ends the line so that later output starts on a fresh one.
    void finish();
    // The line for done frames after elapsedSeconds (no carriage return or padding).
    static std::string line(int64_t done, int64_t total, double elapsedSeconds);

private:
    int64_t total_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};
