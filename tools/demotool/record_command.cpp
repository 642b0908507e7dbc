// demotool record: the show rendered offline into a video file, with the music muxed in.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/player.h"
#include "platform/recorder/avi_recorder.h"
#include "platform/gl/gl_window.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/frame_schedule.h"
#include "tools/demotool/interrupt.h"
#include "tools/demotool/offline_show.h"
#include "tools/demotool/progress.h"

namespace {

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 768;

double millisecondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int recordCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"-o", "--size", "--fps", "--from", "--to", "--codec", "--crf", "--dir"},
                   {"--no-audio", "--verbose"}, &a, &problem))
        return usageError("record", problem);
    if (a.help) {
        std::fputs(helpText("record").c_str(), stdout);
        return kExitOk;
    }
    if (!a.operands.empty()) return usageError("record", "unexpected argument '" + a.operands[0] + "'");

    int width = kDefaultWidth;
    int height = kDefaultHeight;
    if (a.has("--size") && !parseSize(a.value("--size"), &width, &height))
        return usageError("record", "bad --size '" + a.value("--size") +
                                        "' (expected WxH, e.g. 640x480, or 720p, 1080p, 1440p, 4k)");
    long fps = kDefaultAviFramesPerSecond;
    if (a.has("--fps") && (!parseInteger(a.value("--fps"), 1, 60, &fps) || !isValidOutputRate(static_cast<int>(fps))))
        return usageError("record", "bad --fps '" + a.value("--fps") +
                                        "' (it must divide 60: 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30 or 60)");
    double from = 0.0;
    if (a.has("--from") && !parseSeconds(a.value("--from"), &from))
        return usageError("record", "bad --from '" + a.value("--from") + "' (expected seconds, e.g. 12.5)");
    double to = 0.0;
    if (a.has("--to") && !parseSeconds(a.value("--to"), &to))
        return usageError("record", "bad --to '" + a.value("--to") + "' (expected seconds, e.g. 60)");
    if (a.has("--to") && to <= from) return usageError("record", "--to must be after --from");
    if (a.has("-o") && a.value("-o").empty()) return usageError("record", "-o needs a file name");
    const std::string outputName = a.has("-o") ? a.value("-o") : kDefaultAviFileName;
    const std::string codec = a.has("--codec") ? a.value("--codec") : AviRecorder::defaultCodecFor(outputName);
    if (codec.empty()) return usageError("record", "--codec needs a name");
    // The file's kind and its codec are settled before anything is drawn.
    const std::string unusable = AviRecorder::checkOutput(outputName, codec);
    if (!unusable.empty()) return usageError("record", unusable);
    long crf = -1;
    if (a.has("--crf")) {
        if (!parseInteger(a.value("--crf"), 0, 51, &crf))
            return usageError("record", "bad --crf '" + a.value("--crf") + "' (expected a whole number, e.g. 18)");
        if (!AviRecorder::codecHasCrf(codec)) return usageError("record", "--crf does not apply to " + codec);
    }
    AviRecorder::setLibraryVerbose(a.flags.count("--verbose") != 0);

    // Paths are taken relative to where the command was started, before entering the show.
    namespace fs = std::filesystem;
    const fs::path output = fs::path(absolutePath(outputName));
    const fs::path dir = fs::path(absolutePath(a.has("--dir") ? a.value("--dir") : "."));
    const fs::path music = dir / "music.mp3";

    InterruptGuard interrupt;
    OfflineShow show;
    if (!show.open(dir.string(), width, height)) {
        std::fprintf(stderr, "demotool record: %s\n", show.error().c_str());
        return kExitFailure;
    }
    if (!a.has("--to")) {
        to = show.endSeconds();
        if (to <= from) {
            std::fprintf(stderr, "demotool record: nothing to record: the show ends at %.3f s%s\n", to,
                         a.has("--from") ? ", before --from" : "; give --to");
            return kExitFailure;
        }
    }
    const FrameSchedule schedule = FrameSchedule::make(from, to, static_cast<int>(fps));
    if (schedule.frameCount() == 0) {
        std::fprintf(stderr, "demotool record: no frame falls between --from and --to at %ld fps\n", fps);
        return kExitFailure;
    }

    std::string audio;
    if (!a.flags.count("--no-audio")) {
        std::error_code ec;
        if (fs::is_regular_file(music, ec)) {
            audio = music.string();
        } else {
            std::fprintf(stderr, "demotool record: no %s: recording without audio\n", music.string().c_str());
        }
    }

    GLWindow* window = show.window();
    AviRecorder& recorder = window->recorder();
    recorder.setFileName(output.string());
    recorder.setFramesPerSecond(static_cast<int>(fps));
    recorder.setCodec(codec);
    recorder.setCrf(static_cast<int>(crf));
    recorder.setAudio(audio, schedule.firstSeconds());
    show.player()->startRecording();
    if (!recorder.isOpen()) {
        std::fprintf(stderr, "demotool record: cannot record to %s: %s\n", output.string().c_str(),
                     recorder.status().c_str());
        show.player()->stopRecording();
        return kExitFailure;
    }

    const int64_t total = schedule.frameCount();
    ProgressBar bar(total, isatty(STDERR_FILENO) != 0);
    // Only the recorded frames are drawn; the steps between them run without drawing a pixel.
    // Render time is measured per recorded frame (its own step and the steps before it since the
    // frame before), without its read-back, which is measured apart. Frames are encoded on the
    // recorder's own thread while the next ones are drawn; the read-back waits when it is a few
    // frames behind.
    FrameTimes renderTimes;
    FrameTimes captureTimes;
    int64_t written = 0;
    bool writeFailed = false;
    double stepsBeforeMs = 0.0;
    const auto started = std::chrono::steady_clock::now();
    for (int64_t step = 0; step < schedule.endStep; ++step) {
        if (interrupt.signal() != 0) break;
        const auto stepStart = std::chrono::steady_clock::now();
        const bool captured = schedule.isCaptured(step);
        if (!captured) {
            show.runStep(step);
            // The steps before --from only bring the show's state up to date.
            if (step >= schedule.firstStep)
                stepsBeforeMs += millisecondsBetween(stepStart, std::chrono::steady_clock::now());
            continue;
        }
        double captureMs = 0.0;
        const int result = show.drawStep(step, [&] {
            const auto captureStart = std::chrono::steady_clock::now();
            const int r = show.player()->captureFrame();
            captureMs = millisecondsBetween(captureStart, std::chrono::steady_clock::now());
            return r;
        });
        renderTimes.add(stepsBeforeMs + millisecondsBetween(stepStart, std::chrono::steady_clock::now()) - captureMs);
        stepsBeforeMs = 0.0;
        if (result != 0) {
            writeFailed = true;
            break;
        }
        captureTimes.add(captureMs);
        ++written;
        bar.update(written);
    }
    bar.finish();

    // The file is completed with the frames written, after a failed frame as well.
    const int finished = recorder.finish();
    const std::string status = recorder.status();
    const int64_t encoded = recorder.getFramesWritten();
    const double encodeMs = encoded > 0 ? recorder.getEncodeSeconds() * 1000.0 / static_cast<double>(encoded) : 0.0;
    const bool kept = recorder.fileKept();
    const bool partial = recorder.partialKept();
    show.player()->stopRecording();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (writeFailed || finished != 0) {
        if (kept || partial) {
            std::fprintf(stderr, "demotool record: %s (%s)\n", status.c_str(), output.string().c_str());
        } else {
            std::fprintf(stderr, "demotool record: %s; nothing written to %s\n", status.c_str(),
                         output.string().c_str());
        }
        return kExitFailure;
    }
    written = encoded;

    const std::string ofTotal = interrupt.signal() ? " of " + std::to_string(total) : "";
    std::printf("recorded %lld%s frames (%dx%d, %ld fps, %s%s) to %s in %.2f s; render time per recorded "
                "frame: mean %.2f ms, p99 %.2f ms, max %.2f ms; read-back mean %.2f ms, "
                "encoding (on its own thread, beside drawing) mean %.2f ms\n",
                static_cast<long long>(written), ofTotal.c_str(), width, height, fps, codec.c_str(),
                audio.empty() ? ", no audio" : ", audio", output.string().c_str(), elapsed, renderTimes.mean(),
                renderTimes.percentile(0.99), renderTimes.max(), captureTimes.mean(), encodeMs);
    if (interrupt.signal() != 0) {
        std::fprintf(stderr, "demotool record: interrupted; the file holds the %lld frames written\n",
                     static_cast<long long>(written));
        return 128 + interrupt.signal();
    }
    return kExitOk;
}
