// demotool snapshot: pictures of the whole window at given show times.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/demotool/cli.h"
#include "tools/demotool/frame_schedule.h"
#include "tools/demotool/interrupt.h"
#include "tools/demotool/offline_show.h"
#include "tools/demotool/png_writer.h"

int snapshotCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"-o", "--size", "--dir"}, {}, &a, &problem)) return usageError("snapshot", problem);
    if (a.help) {
        std::fputs(helpText("snapshot").c_str(), stdout);
        return kExitOk;
    }
    if (!a.has("-o") || a.value("-o").empty()) return usageError("snapshot", "-o OUTDIR is required");
    if (a.operands.empty()) return usageError("snapshot", "no time given");
    int width = 1024;
    int height = 768;
    if (a.has("--size") && !parseSize(a.value("--size"), &width, &height))
        return usageError("snapshot", "bad --size '" + a.value("--size") + "' (expected WxH, e.g. 640x480)");

    // File names by the step they are taken at; equal names are written once.
    std::map<int64_t, std::vector<std::string>> namesAtStep;
    std::map<std::string, bool> seen;
    for (const std::string& operand : a.operands) {
        double seconds = 0.0;
        if (!parseSeconds(operand, &seconds))
            return usageError("snapshot", "bad time '" + operand + "' (expected seconds, e.g. 12.5)");
        char name[64];
        std::snprintf(name, sizeof name, "%.3f.png", seconds);
        if (seen[name]) continue;
        seen[name] = true;
        namesAtStep[stepNearestSeconds(seconds)].push_back(name);
    }

    namespace fs = std::filesystem;
    const fs::path outDir = fs::path(absolutePath(a.value("-o")));
    const fs::path dir = fs::path(absolutePath(a.has("--dir") ? a.value("--dir") : "."));
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (ec || !fs::is_directory(outDir)) {
        std::fprintf(stderr, "demotool snapshot: cannot make the directory %s%s%s\n", outDir.string().c_str(),
                     ec ? ": " : "", ec ? ec.message().c_str() : "");
        return kExitFailure;
    }

    InterruptGuard interrupt;
    OfflineShow show;
    if (!show.open(dir.string(), width, height)) {
        std::fprintf(stderr, "demotool snapshot: %s\n", show.error().c_str());
        return kExitFailure;
    }
    const int64_t lastStep = namesAtStep.rbegin()->first;
    bool failed = false;
    for (int64_t step = 0; step <= lastStep && !failed; ++step) {
        if (interrupt.signal() != 0) break;
        auto due = namesAtStep.find(step);
        if (due == namesAtStep.end()) {
            show.runStep(step);
            continue;
        }
        show.drawStep(step, [&] {
            const std::string pixels = show.readRgba();
            for (const std::string& name : due->second) {
                const std::string path = (outDir / name).string();
                std::string error;
                if (pixels.empty() ||
                    !writePng(path, width, height, reinterpret_cast<const uint8_t*>(pixels.data()), &error)) {
                    std::fprintf(stderr, "demotool snapshot: %s\n", pixels.empty() ? "no picture" : error.c_str());
                    failed = true;
                    return -1;
                }
                std::printf("%s\n", path.c_str());
            }
            return 0;
        });
    }
    if (failed) return kExitFailure;
    if (interrupt.signal() != 0) {
        std::fprintf(stderr, "demotool snapshot: interrupted\n");
        return 128 + interrupt.signal();
    }
    return kExitOk;
}
