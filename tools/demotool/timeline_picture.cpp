// The timeline as SVG: where cells draw by the player's key-pair rule, the badge's windows, and
// the drawing of lanes, boxes, ruler, waveform and legend.
#include "tools/demotool/timeline_picture.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <sstream>
#include <utility>

#include "app/due_cell.h"
#include "platform/gl/badge.h"
#include "scene/ticks.h"

namespace {

// Layout, in pixels.
constexpr double kMargin = 16;
constexpr double kLabelWidth = 96;  // lane names left of the plot
constexpr double kTrackLane = 46;
constexpr double kBadgeLane = 26;
constexpr double kMusicLane = 70;
constexpr double kLaneGap = 4;
constexpr double kPixelsPerSecond = 24;
constexpr double kMinPlotWidth = 900;
constexpr double kMaxPlotWidth = 12000;
// Badge windows are searched in this many steps over the picture, each change then pinned down to
// the millisecond.
constexpr int64_t kBadgeSearchSteps = 4096;

struct KindStyle {
    const char* kind;
    const char* fill;
    const char* grace;
    const char* stroke;
};
const KindStyle kKindStyles[] = {
    {"scene", "#7aa6e8", "#d6e4f8", "#2f5fa8"},
    {"picture", "#7cc98f", "#d6efdd", "#2d7d45"},
    {"animation", "#f0a25c", "#fbdfc4", "#a8581a"},
    {"", "#b8b8b8", "#e6e6e6", "#6e6e6e"},  // any other kind
};
constexpr const char* kBadgeFill = "#b58ad8";
constexpr const char* kBadgeStroke = "#6d3f99";
constexpr const char* kMusicFill = "#3f8f9b";
constexpr const char* kMarker = "#c62832";
constexpr const char* kInk = "#1c2733";
constexpr const char* kFaint = "#5d6b78";

const KindStyle& styleOf(const std::string& kind) {
    for (const KindStyle& s : kKindStyles)
        if (kind == s.kind) return s;
    return kKindStyles[std::size(kKindStyles) - 1];
}

double ticksToMs(int64_t ticks) { return static_cast<double>(ticks) / kTicksPerMillisecond; }

// Text for XML character data and attribute values: markup characters escaped, control
// characters and bytes that are not UTF-8 replaced by U+FFFD.
std::string xmlText(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        uint32_t code = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; k < n; ++k) {
            const auto d = i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0;
            if ((d & 0xC0) != 0x80) n = 0;
            code = (code << 6) | (d & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool valid = n != 0 && code >= least[n] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
                           (code >= 0x20 || code == '\t' || code == '\n') && code != 0x7F && code != 0xFFFE &&
                           code != 0xFFFF;
        if (!valid) {
            out += "\xEF\xBF\xBD";
            i += n ? n : 1;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out.append(s, i, n);
        }
        i += n;
    }
    return out;
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

// A show time as m:ss with 0 to 3 decimals (h:mm:ss from an hour on).
std::string clock(double ms, int decimals) {
    const long long scale = decimals <= 0 ? 1 : decimals == 1 ? 10 : decimals == 2 ? 100 : 1000;
    const long long units = std::llround(std::fabs(ms) / 1000.0 * static_cast<double>(scale));
    const long long whole = units / scale;
    char text[64];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    std::string result = std::string(ms < 0 ? "-" : "") + text;
    if (scale > 1) result += "." + std::to_string(scale + units % scale).substr(1);
    return result;
}

// Where things go: the plot's pixels for show time.
struct Layout {
    double plotLeft = kMargin + kLabelWidth;
    double plotWidth = 0;
    double endMs = 1000;  // the right edge of the plot
    double pixelsPerMs = 0;

    double x(double ms) const { return plotLeft + std::clamp(ms, 0.0, endMs) * pixelsPerMs; }
    double xTicks(int64_t ticks) const { return x(ticksToMs(ticks)); }
};

// The ruler's labelled step (ms): the smallest of the usual steps at least 64 pixels wide.
double rulerStep(const Layout& layout) {
    const double steps[] = {100, 200, 500, 1000, 2000, 5000, 10000, 15000, 30000, 60000, 120000, 300000, 600000,
                            900000, 1800000, 3600000, 7200000, 18000000, 36000000, 86400000};
    for (double s : steps)
        if (s * layout.pixelsPerMs >= 64) return s;
    return steps[std::size(steps) - 1] * std::ceil(64 / (steps[std::size(steps) - 1] * layout.pixelsPerMs));
}

class SvgWriter {
public:
    std::ostringstream out;

    void rect(const char* cls, double x, double y, double w, double h, const std::string& style) {
        out << "<rect class=\"" << cls << "\" x=\"" << num(x) << "\" y=\"" << num(y) << "\" width=\"" << num(w)
            << "\" height=\"" << num(h) << "\" " << style << "/>\n";
    }
    void line(double x1, double y1, double x2, double y2, const std::string& style) {
        out << "<line x1=\"" << num(x1) << "\" y1=\"" << num(y1) << "\" x2=\"" << num(x2) << "\" y2=\"" << num(y2)
            << "\" " << style << "/>\n";
    }
    // text is escaped here.
    void text(const char* cls, double x, double y, const std::string& text, const std::string& style = "") {
        out << "<text class=\"" << cls << "\" x=\"" << num(x) << "\" y=\"" << num(y) << "\"" << (style.empty() ? "" : " ")
            << style << ">" << xmlText(text) << "</text>\n";
    }
    // A small triangle with its tip at (x, y), pointing right (+1) or left (-1).
    void arrow(double x, double y, int direction) {
        const double back = x - 7 * direction;
        out << "<polygon points=\"" << num(x) << "," << num(y) << " " << num(back) << "," << num(y - 5) << " "
            << num(back) << "," << num(y + 5) << "\" fill=\"" << kMarker << "\"/>\n";
    }
};

// The legend in one row; returns where it ends on the right.
double drawLegend(SvgWriter& w, double y) {
    double x = kMargin;
    const auto swatch = [&](const char* fill, const char* stroke, const std::string& label) {
        w.rect("swatch", x, y - 10, 22, 12, std::string("fill=\"") + fill + "\" stroke=\"" + stroke + "\"");
        w.text("legend", x + 28, y, label);
        x += 28 + 7.0 * static_cast<double>(label.size()) + 20;
    };
    for (size_t i = 0; i + 1 < std::size(kKindStyles); ++i)
        swatch(kKindStyles[i].fill, kKindStyles[i].stroke, kKindStyles[i].kind);
    swatch(kKindStyles[0].grace, kKindStyles[0].stroke, "grace (drawn up to 30 ticks after the end)");
    w.arrow(x + 8, y - 4, 1);
    w.arrow(x + 16, y - 4, -1);
    w.text("legend", x + 26, y, "scene in / out point");
    x += 26 + 7.0 * 20 + 20;
    swatch(kBadgeFill, kBadgeStroke, "badge shown");
    swatch(kMusicFill, kMusicFill, "music");
    w.line(x, y - 11, x, y + 2, std::string("stroke=\"") + kMarker + "\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"");
    w.text("legend", x + 8, y, "show end (last key)");
    return x + 8 + 7.0 * 19;
}

void drawRuler(SvgWriter& w, const Layout& layout, double y, double bottom) {
    const double step = rulerStep(layout);
    const int decimals = step < 1000 ? 1 : 0;
    const double minor = step / (step == 15000 || step == 900000 ? 3 : 5);
    w.line(layout.plotLeft, y, layout.plotLeft + layout.plotWidth, y, std::string("stroke=\"") + kInk + "\"");
    const long long perStep = std::llround(step / minor);
    for (long long index = 0; static_cast<double>(index) * minor <= layout.endMs; ++index) {
        const double ms = static_cast<double>(index) * minor;
        const double at = layout.x(ms);
        const bool major = index % perStep == 0;
        if (major) {
            w.line(at, y, at, bottom, "stroke=\"#dfe3e8\"");
            w.line(at, y - 7, at, y, std::string("stroke=\"") + kInk + "\"");
            w.text("ruler", at, y - 10, clock(ms, decimals), "text-anchor=\"middle\"");
        } else {
            w.line(at, y - 3, at, y, std::string("stroke=\"") + kInk + "\"");
        }
    }
}

// Where a cell's box begins and ends on the plot.
std::pair<double, double> boxOf(const Layout& layout, const TimelineCell& cell, const std::vector<TickSpan>& spans) {
    const double left = layout.xTicks(spans.empty() ? cell.start : spans.front().from);
    return {left, std::max(left + 1, layout.xTicks(spans.empty() ? std::max(cell.end, cell.start) : spans.back().to))};
}

// One cell: its drawn spans (the grace part lighter), or a dashed outline when it never draws;
// its label, which may run on into the free lane up to labelRight; for a scene, the in and out
// point marks.
void drawCell(SvgWriter& w, const Layout& layout, const TimelineCell& cell, const std::vector<TickSpan>& spans,
              double top, double height, double labelRight, int id) {
    const KindStyle& style = styleOf(cell.kind);
    const std::string name = cell.label.empty() ? cell.kind : cell.kind + " " + cell.label;
    const int64_t graceEnd = cellLastDueTick(cell.end);
    const auto [left, right] = boxOf(layout, cell, spans);
    std::string times = clock(ticksToMs(cell.start), 1) + " \u2013 " + clock(ticksToMs(cell.end), 1);
    if (cell.kind == "scene")
        times = "in " + clock(ticksToMs(cell.inPoint), 1) + " \u00b7 out " + clock(ticksToMs(cell.outPoint), 1);

    w.out << "<g class=\"cell\" data-kind=\"" << xmlText(cell.kind) << "\">\n<title>"
          << xmlText(name + ": start " + clock(ticksToMs(cell.start), 3) + ", end " + clock(ticksToMs(cell.end), 3) +
                     ", grace to " + clock(ticksToMs(graceEnd), 3) + (spans.empty() ? ", never drawn" : "") +
                     (cell.kind == "scene" ? ", in point " + clock(ticksToMs(cell.inPoint), 3) + ", out point " +
                                                 clock(ticksToMs(cell.outPoint), 3)
                                           : ""))
          << "</title>\n";
    w.out << "<clipPath id=\"clip" << id << "\"><rect x=\"" << num(left) << "\" y=\"" << num(top) << "\" width=\""
          << num(std::max(0.0, std::max(right, labelRight) - left - 3)) << "\" height=\"" << num(height) << "\"/></clipPath>\n";
    const std::string stroke = std::string(" stroke=\"") + style.stroke + "\"";
    // Whole ticks up to the end draw in full colour, those of the grace lighter (a span of a
    // single tick still gets a sliver).
    for (const TickSpan& span : spans) {
        if (span.from <= cell.end) {
            const double a = layout.xTicks(span.from);
            w.rect("drawn", a, top, std::max(0.5, layout.xTicks(std::min(span.to, cell.end)) - a), height,
                   std::string("fill=\"") + style.fill + "\"" + stroke);
        }
        if (span.to > cell.end) {
            const double a = layout.xTicks(std::max(span.from, cell.end));
            w.rect("grace", a, top, std::max(0.5, layout.xTicks(span.to) - a), height,
                   std::string("fill=\"") + style.grace + "\"" + stroke);
        }
    }
    if (spans.empty())
        w.rect("never", left, top, right - left, height,
               std::string("fill=\"none\" stroke-dasharray=\"4 3\"") + stroke);
    const std::string clip = "clip-path=\"url(#clip" + std::to_string(id) + ")\"";
    w.text("label", left + 5, top + 17, spans.empty() ? name + " (never drawn)" : name,
           clip + " font-weight=\"bold\" fill=\"" + kInk + "\"");
    w.text("times", left + 5, top + 32, times, clip + " font-size=\"11\" fill=\"" + kInk + "\"");
    if (cell.kind == "scene") {
        const double bottom = top + height;
        w.arrow(layout.xTicks(cell.start) + 8, bottom - 7, 1);
        const double out = layout.xTicks(cell.start + cell.outPoint - cell.inPoint);
        w.line(out, top, out, bottom, std::string("stroke=\"") + kMarker + "\" stroke-width=\"1.5\"");
        w.arrow(out - 1, bottom - 7, -1);
    }
    w.out << "</g>\n";
}

void drawWaveform(SvgWriter& w, const Layout& layout, const MusicWaveform& music, double top, double height) {
    const size_t n = std::min(music.low.size(), music.high.size());
    const double mid = top + height / 2;
    const double amplitude = height / 2 - 3;
    const double width = layout.x(music.seconds * 1000.0) - layout.plotLeft;
    w.line(layout.plotLeft, mid, layout.plotLeft + width, mid, std::string("stroke=\"") + kMusicFill + "\"");
    if (n > 0) {
        w.out << "<path class=\"waveform\" fill=\"" << kMusicFill << "\" d=\"";
        for (size_t i = 0; i < n; ++i)
            w.out << (i == 0 ? "M" : "L") << num(layout.plotLeft + width * (static_cast<double>(i) + 0.5) / n) << ","
                  << num(mid - music.high[i] * amplitude);
        for (size_t i = n; i-- > 0;)
            w.out << "L" << num(layout.plotLeft + width * (static_cast<double>(i) + 0.5) / n) << ","
                  << num(mid - music.low[i] * amplitude);
        w.out << "Z\"/>\n";
    }
    const double end = layout.plotLeft + width;
    w.line(end, top, end, top + height, std::string("stroke=\"") + kInk + "\" stroke-width=\"1.5\"");
    w.text("music-end", end + 4, top + 13, "music ends " + clock(music.seconds * 1000.0, 2), std::string("fill=\"") + kInk + "\"");
}

}  // namespace

std::vector<std::vector<TickSpan>> trackDrawSpans(const std::vector<TimelineCell>& cells) {
    std::vector<std::vector<TickSpan>> spans(cells.size());
    // Ticks already bracketed by an earlier key pair, as disjoint stretches by their first tick:
    // the first bracketing pair wins there.
    std::map<int64_t, int64_t> claimed;
    for (size_t i = 0; i < cells.size(); ++i) {
        const TimelineCell& cell = cells[i];
        const int64_t a = cell.start;
        const int64_t b = i + 1 < cells.size() ? cells[i + 1].start : cell.start + cell.length;
        if (a > b) continue;  // keys out of order: this pair brackets nothing
        // Show time starts at 0; the cell draws only within its own window.
        const int64_t low = std::max<int64_t>(cell.start, 0);
        const int64_t high = std::min(b, cellLastDueTick(cell.end));
        const auto keep = [&](int64_t from, int64_t to) {
            from = std::max(from, low);
            to = std::min(to, high);
            if (from <= to) spans[i].push_back({from, to});
        };
        int64_t next = a;  // the first tick of [a, b] not yet looked at
        auto it = claimed.upper_bound(a);
        if (it != claimed.begin()) --it;
        for (; it != claimed.end() && it->first <= b && next <= b; ++it) {
            if (it->second < next) continue;
            if (it->first > next) keep(next, it->first - 1);
            next = it->second + 1;
        }
        if (next <= b) keep(next, b);

        int64_t from = a;
        int64_t to = b;
        for (it = claimed.upper_bound(b); it != claimed.begin();) {
            const auto previous = std::prev(it);
            if (previous->second < a) break;
            from = std::min(from, previous->first);
            to = std::max(to, previous->second);
            it = claimed.erase(previous);
        }
        claimed[from] = to;
    }
    return spans;
}

std::vector<TickSpan> badgeWindows(int64_t endMs) {
    std::vector<TickSpan> windows;
    endMs = std::min<int64_t>(endMs, INT_MAX);
    if (endMs < 0) return windows;
    const auto due = [](int64_t ms) { return badgeDueAt(static_cast<int>(ms)); };
    const int64_t step = std::max<int64_t>(1, endMs / kBadgeSearchSteps);
    bool shown = due(0);
    int64_t from = 0;
    for (int64_t before = 0, ms = std::min(step, endMs); before < endMs; before = ms, ms = std::min(ms + step, endMs)) {
        if (due(ms) == shown) continue;
        // The last millisecond in the old state, between before and ms.
        int64_t low = before;
        int64_t high = ms;
        while (high - low > 1) {
            const int64_t mid = low + (high - low) / 2;
            (due(mid) == shown ? low : high) = mid;
        }
        if (shown) windows.push_back({from, low});
        from = high;
        shown = !shown;
    }
    if (shown) windows.push_back({from, endMs});
    return windows;
}

namespace {

// The cells of every track in their lanes from lanesTop down.
void drawTrackCells(SvgWriter& w, const Layout& layout, const std::vector<std::vector<TimelineCell>>& tracks,
                    const std::vector<std::vector<std::vector<TickSpan>>>& spans, double lanesTop) {
    int id = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const double top = lanesTop + static_cast<double>(i) * (kTrackLane + kLaneGap) + 2;
        // A label may use the lane up to the next box that begins after its own.
        std::vector<double> lefts;
        for (size_t c = 0; c < tracks[i].size(); ++c) lefts.push_back(boxOf(layout, tracks[i][c], spans[i][c]).first);
        std::vector<double> sorted = lefts;
        std::sort(sorted.begin(), sorted.end());
        for (size_t c = 0; c < tracks[i].size(); ++c) {
            const auto next = std::upper_bound(sorted.begin(), sorted.end(), lefts[c]);
            const double labelRight = next == sorted.end() ? layout.plotLeft + layout.plotWidth : *next;
            drawCell(w, layout, tracks[i][c], spans[i][c], top, kTrackLane - 4, labelRight, id++);
        }
    }
}

// The badge's windows in the badge lane at badgeTop.
void drawBadgeLane(SvgWriter& w, const Layout& layout, double badgeTop) {
    const std::vector<TickSpan> windows = badgeWindows(static_cast<int64_t>(layout.endMs));
    if (windows.empty())
        w.text("badge-none", layout.plotLeft + 8, badgeTop + 17, "not shown up to " + clock(layout.endMs, 1),
               std::string("font-style=\"italic\" fill=\"") + kFaint + "\"");
    for (const TickSpan& window : windows) {
        const double a = layout.x(static_cast<double>(window.from));
        const double b = layout.x(static_cast<double>(window.to));
        w.out << "<g class=\"badge\"><title>" << xmlText("badge shown from " + clock(static_cast<double>(window.from), 3) +
                                                          " to " + clock(static_cast<double>(window.to), 3))
              << "</title>\n";
        w.rect("badge", a, badgeTop + 3, std::max(1.0, b - a), kBadgeLane - 6,
               std::string("fill=\"") + kBadgeFill + "\" stroke=\"" + kBadgeStroke + "\"");
        if (b - a > 150)
            w.text("label", a + 5, badgeTop + 17, "badge from " + clock(static_cast<double>(window.from), 3),
                   "fill=\"#ffffff\"");
        w.out << "</g>\n";
    }
}

}  // namespace

std::string TimelinePicture::svg() const {
    // Where each track's cells draw, and the time the plot must reach.
    std::vector<std::vector<std::vector<TickSpan>>> spans;
    int64_t lastTick = 0;
    int64_t lastKey = 0;
    for (const auto& cells : tracks) {
        spans.push_back(trackDrawSpans(cells));
        for (const auto& cellSpans : spans.back())
            for (const TickSpan& s : cellSpans) lastTick = std::max(lastTick, s.to);
        for (const TimelineCell& c : cells) lastTick = std::max({lastTick, c.start, c.end});
        if (!cells.empty()) lastKey = std::max(lastKey, cells.back().start + cells.back().length);
    }
    lastTick = std::max(lastTick, lastKey);
    Layout layout;
    const double contentMs = std::max(ticksToMs(lastTick), hasMusic ? music.seconds * 1000.0 : 0.0);
    layout.endMs = std::max(1000.0, std::ceil(contentMs * 1.02 / 100) * 100);
    layout.plotWidth = std::clamp(layout.endMs / 1000.0 * kPixelsPerSecond, kMinPlotWidth, kMaxPlotWidth);
    layout.pixelsPerMs = layout.plotWidth / layout.endMs;

    const double rulerY = 112;
    const double lanesTop = rulerY + 8;
    const double trackLanesHeight = static_cast<double>(tracks.size()) * (kTrackLane + kLaneGap);
    const double badgeTop = lanesTop + trackLanesHeight;
    const double musicTop = badgeTop + kBadgeLane + kLaneGap;
    const double lanesBottom = musicTop + kMusicLane;
    SvgWriter w;
    w.text("title", kMargin, 28, "Timeline of " + title, "font-size=\"18\" font-weight=\"bold\"");
    std::string summary = std::to_string(tracks.size()) + (tracks.size() == 1 ? " track" : " tracks") +
                          ", show ends at " + clock(ticksToMs(lastKey), 2) + " (last key), music " +
                          (hasMusic ? clock(music.seconds * 1000.0, 2) : "none") +
                          "; times are show time (899 ticks a second)";
    w.text("summary", kMargin, 50, summary, std::string("fill=\"") + kFaint + "\"");
    const double legendRight = drawLegend(w, 76);

    // Lane backgrounds and names, the ruler and its grid, then the contents.
    for (size_t i = 0; i < tracks.size(); ++i) {
        const double top = lanesTop + static_cast<double>(i) * (kTrackLane + kLaneGap);
        w.rect("lane", layout.plotLeft, top, layout.plotWidth, kTrackLane, i % 2 ? "fill=\"#ffffff\"" : "fill=\"#f3f5f8\"");
        w.text("lane-name", kMargin, top + 19, "track " + std::to_string(i), "font-weight=\"bold\"");
        const size_t n = tracks[i].size();
        w.text("lane-note", kMargin, top + 34, std::to_string(n) + (n == 1 ? " cell" : " cells"),
               std::string("font-size=\"11\" fill=\"") + kFaint + "\"");
    }
    w.rect("lane", layout.plotLeft, badgeTop, layout.plotWidth, kBadgeLane, "fill=\"#f3f5f8\"");
    w.text("lane-name", kMargin, badgeTop + 17, "badge", "font-weight=\"bold\"");
    w.rect("lane", layout.plotLeft, musicTop, layout.plotWidth, kMusicLane, "fill=\"#f3f5f8\"");
    w.text("lane-name", kMargin, musicTop + 19, "music", "font-weight=\"bold\"");
    w.text("lane-note", kMargin, musicTop + 34, hasMusic ? clock(music.seconds * 1000.0, 2) : "none",
           std::string("font-size=\"11\" fill=\"") + kFaint + "\"");
    drawRuler(w, layout, rulerY, lanesBottom);

    drawTrackCells(w, layout, tracks, spans, lanesTop);
    drawBadgeLane(w, layout, badgeTop);
    if (hasMusic)
        drawWaveform(w, layout, music, musicTop, kMusicLane);
    else
        w.text("music-none", layout.plotLeft + 8, musicTop + kMusicLane / 2 + 4, "no music: " + musicNote,
               "font-style=\"italic\"");
    const double endX = layout.xTicks(lastKey);
    w.line(endX, lanesTop, endX, lanesBottom,
           std::string("stroke=\"") + kMarker + "\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"");

    // The page: wide enough for the plot with the music's end note, and for the legend.
    const double width = std::max(layout.plotLeft + layout.plotWidth + 110, legendRight) + kMargin;
    const double height = lanesBottom + kMargin;
    SvgWriter page;
    page.out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
             << num(width) << "\" height=\"" << num(height) << "\" viewBox=\"0 0 " << num(width) << " " << num(height)
             << "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"12\" fill=\"" << kInk << "\">\n";
    page.rect("background", 0, 0, width, height, "fill=\"#ffffff\"");
    page.out << w.out.str() << "</svg>\n";
    return page.out.str();
}
