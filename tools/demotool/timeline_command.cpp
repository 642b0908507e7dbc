// demotool timeline: a picture (SVG) of a show's tracks and cells, badge windows and music.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/demotool/cli.h"
#include "tools/demotool/pack_description.h"
#include "tools/demotool/timeline_picture.h"

namespace {

// Columns of the music's envelope; the picture spreads them over the music's length.
constexpr int kWaveformColumns = 3000;

int64_t ticksOf(const nlohmann::ordered_json& time) { return time.value("ticks", 0); }

// The cells of each track from a pack description, with the labels the boxes carry.
std::vector<std::vector<TimelineCell>> cellsOf(const nlohmann::ordered_json& description) {
    std::vector<std::vector<TimelineCell>> tracks;
    for (const auto& track : description["tracks"]) {
        std::vector<TimelineCell>& cells = tracks.emplace_back();
        for (const auto& c : track["cells"]) {
            TimelineCell cell;
            cell.kind = c.value("kind", "unknown");
            cell.start = ticksOf(c["start"]);
            cell.end = ticksOf(c["end"]);
            cell.inPoint = ticksOf(c["in"]);
            cell.length = ticksOf(c["out"]);
            cell.outPoint = cell.length;
            if (c.contains("scene")) cell.label = "\"" + c["scene"]["tree"].value("name", "") + "\"";
            if (cell.kind == "animation") {
                const int frames = c.value("frames", 0);
                cell.label = "\"" + c.value("name", "") + "\" (" + std::to_string(frames) +
                             (frames == 1 ? " frame)" : " frames)");
            }
            cells.push_back(cell);
        }
    }
    return tracks;
}

}  // namespace

int timelineCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"-o", "--dir"}, {}, &a, &problem)) return usageError("timeline", problem);
    if (a.help) {
        std::fputs(helpText("timeline").c_str(), stdout);
        return kExitOk;
    }
    if (!a.has("-o") || a.value("-o").empty()) return usageError("timeline", "-o FILE.svg is required");
    if (a.operands.size() > 1) return usageError("timeline", "only one pack can be drawn at a time");
    if (a.has("--dir") && !a.operands.empty()) return usageError("timeline", "give either --dir SHOWDIR or PACK");

    // The pack and the music beside it; files that the pack names lie there too.
    namespace fs = std::filesystem;
    const std::string given =
        a.operands.empty() ? (fs::path(a.has("--dir") ? a.value("--dir") : ".") / "data.pak").string() : a.operands[0];
    const fs::path pack = fs::path(absolutePath(given));
    const fs::path music = pack.parent_path() / "music.mp3";
    const std::string output = absolutePath(a.value("-o"));
    std::error_code ec;
    if (!fs::is_regular_file(pack, ec)) {
        std::fprintf(stderr, "demotool timeline: cannot open %s\n", given.c_str());
        return kExitFailure;
    }

    nlohmann::ordered_json description;
    std::string error;
    if (!inspectPack(pack.string(), &description, &error)) {
        std::fprintf(stderr, "demotool timeline: %s\n", error.c_str());
        return kExitFailure;
    }
    TimelinePicture picture;
    picture.title = given;
    picture.tracks = cellsOf(description);
    if (!fs::exists(music, ec)) {
        picture.musicNote = music.string() + " not found";
    } else if (!decodeMusicWaveform(music.string(), kWaveformColumns, &picture.music, &error)) {
        picture.musicNote = error;
    } else {
        picture.hasMusic = true;
    }

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << picture.svg();
    out.close();
    if (!out) {
        std::fprintf(stderr, "demotool timeline: cannot write %s\n", output.c_str());
        return kExitFailure;
    }
    std::printf("%s\n", output.c_str());
    return kExitOk;
}
