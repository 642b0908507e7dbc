// FrameCosts: the time one kind of work took on each frame of an offline run, with its summary
// (mean, median, 99th percentile, maximum) and the frames that cost the most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The time a 60 Hz display gives each frame: a frame that costs more is a frame a live viewer
// misses.
constexpr double kLiveFrameBudgetMs = 1000.0 / 60.0;

// One frame's cost: the 60 Hz step it was drawn at and how long the work took.
struct FrameCost {
    int64_t step = 0;
    double milliseconds = 0.0;
};

// The summary of a run's frame costs (all 0 for no frames).
struct CostSummary {
    size_t frames = 0;
    double mean = 0.0;
    double p50 = 0.0;
    double p99 = 0.0;
    double max = 0.0;
    std::vector<FrameCost> slowest;  // most expensive first; equal costs by earlier step
};

class FrameCosts {
public:
    // Room for expectedFrames costs, so that adding them does not allocate while timing.
    explicit FrameCosts(size_t expectedFrames = 0) { costs_.reserve(expectedFrames); }
    void add(int64_t step, double milliseconds) { costs_.push_back({step, milliseconds}); }
    size_t count() const { return costs_.size(); }
    const std::vector<FrameCost>& costs() const { return costs_; }
    // Mean, p50 and p99 (each the smallest cost that at least that fraction of the frames do not
    // exceed), maximum, and the slowestCount most expensive frames.
    CostSummary summary(size_t slowestCount = 5) const;
    // How many frames cost more than milliseconds.
    size_t countOver(double milliseconds) const;

private:
    std::vector<FrameCost> costs_;
};
