// Summaries of per-frame costs.
#include "tools/demotool/frame_costs.h"

#include <algorithm>
#include <cmath>

namespace {

// The nearest-rank percentile of costs sorted in ascending order.
double nearestRank(const std::vector<double>& sorted, double fraction) {
    const double rank = std::ceil(fraction * static_cast<double>(sorted.size()) - 1e-9);
    const size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

size_t FrameCosts::countOver(double milliseconds) const {
    size_t over = 0;
    for (const FrameCost& c : costs_) over += c.milliseconds > milliseconds ? 1 : 0;
    return over;
}

CostSummary FrameCosts::summary(size_t slowestCount) const {
    CostSummary s;
    s.frames = costs_.size();
    if (costs_.empty()) return s;
    std::vector<double> sorted;
    sorted.reserve(costs_.size());
    double total = 0.0;
    for (const FrameCost& c : costs_) {
        sorted.push_back(c.milliseconds);
        total += c.milliseconds;
    }
    std::sort(sorted.begin(), sorted.end());
    s.mean = total / static_cast<double>(costs_.size());
    s.p50 = nearestRank(sorted, 0.50);
    s.p99 = nearestRank(sorted, 0.99);
    s.max = sorted.back();

    std::vector<FrameCost> byCost = costs_;
    std::stable_sort(byCost.begin(), byCost.end(),
                     [](const FrameCost& a, const FrameCost& b) { return a.milliseconds > b.milliseconds; });
    byCost.resize(std::min(slowestCount, byCost.size()));
    s.slowest = byCost;
    return s;
}
