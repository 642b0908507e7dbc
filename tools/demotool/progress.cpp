// Frame timing summary and the terminal progress line.
#include "tools/demotool/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

double FrameTimes::mean() const {
    if (times_.empty()) return 0.0;
    return std::accumulate(times_.begin(), times_.end(), 0.0) / static_cast<double>(times_.size());
}

double FrameTimes::max() const { return times_.empty() ? 0.0 : *std::max_element(times_.begin(), times_.end()); }

double FrameTimes::percentile(double fraction) const {
    if (times_.empty()) return 0.0;
    std::vector<double> sorted = times_;
    std::sort(sorted.begin(), sorted.end());
    const double rank = std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(sorted.size()));
    const size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

std::string formatClock(double seconds) {
    const long total = seconds > 0.0 ? static_cast<long>(std::lround(seconds)) : 0;
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    }
    return text;
}

ProgressBar::ProgressBar(int64_t total, bool enabled)
    : total_(total), enabled_(enabled), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

std::string ProgressBar::line(int64_t done, int64_t total, double elapsedSeconds) {
    constexpr int kWidth = 30;
    const double fraction = total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 1.0;
    const int filled = static_cast<int>(fraction * kWidth);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    const double fps = elapsedSeconds > 0.0 ? static_cast<double>(done) / elapsedSeconds : 0.0;
    const std::string left = fps > 0.0 ? formatClock(static_cast<double>(total - done) / fps) : "?";
    char text[160];
    std::snprintf(text, sizeof text, "[%s] %lld/%lld frames %3d%% %6.1f fps %s left", bar.c_str(),
                  static_cast<long long>(done), static_cast<long long>(total), static_cast<int>(fraction * 100.0), fps,
                  left.c_str());
    return text;
}

void ProgressBar::update(int64_t done) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && done < total_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r%s\033[K", line(done, total_, elapsed).c_str());
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (enabled_ && drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}
