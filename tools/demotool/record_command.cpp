// demotool record: the show rendered offline into a video file, with the music muxed in.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/recorder/avi_recorder.h"
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

// What the command line asks for.
struct RecordOptions {
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    long fps = kDefaultAviFramesPerSecond;
    double from = 0.0;
    double to = 0.0;  // 0 unless --to is given: the end of the show
    bool hasFrom = false;
    bool hasTo = false;
    std::string codec;
    long crf = -1;
    bool audio = true;
    std::filesystem::path output;
    std::filesystem::path dir;
};

// Reads the options; an empty result means they are usable, otherwise it says what is wrong.
std::string parseRecordOptions(const ParsedArgs& a, RecordOptions* o) {
    if (!a.operands.empty()) return "unexpected argument '" + a.operands[0] + "'";
    if (a.has("--size") && !parseSize(a.value("--size"), &o->width, &o->height))
        return "bad --size '" + a.value("--size") + "' (expected WxH, e.g. 640x480, or 720p, 1080p, 1440p, 4k)";
    if (a.has("--fps") &&
        (!parseInteger(a.value("--fps"), 1, 60, &o->fps) || !isValidOutputRate(static_cast<int>(o->fps))))
        return "bad --fps '" + a.value("--fps") + "' (it must divide 60: 1, 2, 3, 4, 5, 6, 10, 12, 15, 20, 30 or 60)";
    o->hasFrom = a.has("--from");
    if (o->hasFrom && !parseSeconds(a.value("--from"), &o->from))
        return "bad --from '" + a.value("--from") + "' (expected seconds, e.g. 12.5)";
    o->hasTo = a.has("--to");
    if (o->hasTo && !parseSeconds(a.value("--to"), &o->to))
        return "bad --to '" + a.value("--to") + "' (expected seconds, e.g. 60)";
    if (o->hasTo && o->to <= o->from) return "--to must be after --from";
    if (a.has("-o") && a.value("-o").empty()) return "-o needs a file name";
    const std::string outputName = a.has("-o") ? a.value("-o") : kDefaultAviFileName;
    o->codec = a.has("--codec") ? a.value("--codec") : AviRecorder::defaultCodecFor(outputName);
    if (o->codec.empty()) return "--codec needs a name";
    // The file's kind and its codec are settled before anything is drawn.
    const std::string unusable = AviRecorder::checkOutput(outputName, o->codec);
    if (!unusable.empty()) return unusable;
    if (a.has("--crf")) {
        if (!parseInteger(a.value("--crf"), 0, 51, &o->crf))
            return "bad --crf '" + a.value("--crf") + "' (expected a whole number, e.g. 18)";
        if (!AviRecorder::codecHasCrf(o->codec)) return "--crf does not apply to " + o->codec;
    }
    o->audio = a.flags.count("--no-audio") == 0;
    // Paths are taken relative to where the command was started.
    o->output = std::filesystem::path(absolutePath(outputName));
    o->dir = std::filesystem::path(absolutePath(a.has("--dir") ? a.value("--dir") : "."));
    return "";
}

// The music file to mux in: empty without audio, or (with a note) when the show has none.
std::string musicToMux(const RecordOptions& o) {
    if (!o.audio) return "";
    const std::filesystem::path music = o.dir / "music.mp3";
    std::error_code ec;
    if (std::filesystem::is_regular_file(music, ec)) return music.string();
    std::fprintf(stderr, "demotool record: no %s: recording without audio\n", music.string().c_str());
    return "";
}

// What the render loop measured.
struct RecordRun {
    FrameTimes renderTimes;
    FrameTimes captureTimes;
    int64_t written = 0;
    bool writeFailed = false;
};

// Plays the schedule's steps; only the recorded frames are drawn, the steps between them run
// without drawing a pixel. Render time is measured per recorded frame (its own step and the steps
// before it since the frame before), without its read-back, which is measured apart. Frames are
// encoded on the recorder's own thread while the next ones are drawn; the read-back waits when it
// is a few frames behind.
RecordRun renderFrames(OfflineShow& show, const FrameSchedule& schedule, const InterruptGuard& interrupt) {
    using SteadyClock = std::chrono::steady_clock;
    RecordRun run;
    ProgressBar bar(schedule.frameCount(), isatty(STDERR_FILENO) != 0);
    ShowSession& session = show.session();
    double stepsBeforeMs = 0.0;
    for (int64_t step = 0; step < schedule.endStep; ++step) {
        if (interrupt.signal() != 0) break;
        const auto stepStart = SteadyClock::now();
        if (!schedule.isCaptured(step)) {
            show.runStep(step);
            // The steps before --from only bring the show's state up to date.
            if (step >= schedule.firstStep) stepsBeforeMs += millisecondsBetween(stepStart, SteadyClock::now());
            continue;
        }
        double captureMs = 0.0;
        const int result = show.drawStep(step, [&] {
            const auto captureStart = SteadyClock::now();
            const int r = session.captureFrame();
            captureMs = millisecondsBetween(captureStart, SteadyClock::now());
            return r;
        });
        run.renderTimes.add(stepsBeforeMs + millisecondsBetween(stepStart, SteadyClock::now()) - captureMs);
        stepsBeforeMs = 0.0;
        if (result != 0) {
            run.writeFailed = true;
            break;
        }
        run.captureTimes.add(captureMs);
        ++run.written;
        bar.update(run.written);
    }
    bar.finish();
    return run;
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
    RecordOptions o;
    problem = parseRecordOptions(a, &o);
    if (!problem.empty()) return usageError("record", problem);
    AviRecorder::setLibraryVerbose(a.flags.count("--verbose") != 0);

    InterruptGuard interrupt;
    OfflineShow show;
    if (!show.open(o.dir.string(), o.width, o.height)) {
        std::fprintf(stderr, "demotool record: %s\n", show.error().c_str());
        return kExitFailure;
    }
    if (!o.hasTo) {
        o.to = show.endSeconds();
        if (o.to <= o.from) {
            std::fprintf(stderr, "demotool record: nothing to record: the show ends at %.3f s%s\n", o.to,
                         o.hasFrom ? ", before --from" : "; give --to");
            return kExitFailure;
        }
    }
    const FrameSchedule schedule = FrameSchedule::make(o.from, o.to, static_cast<int>(o.fps));
    if (schedule.frameCount() == 0) {
        std::fprintf(stderr, "demotool record: no frame falls between --from and --to at %ld fps\n", o.fps);
        return kExitFailure;
    }
    const std::string audio = musicToMux(o);

    ShowSession& session = show.session();
    AviRecorder& recorder = *session.recorder();
    recorder.setFileName(o.output.string());
    recorder.setFramesPerSecond(static_cast<int>(o.fps));
    recorder.setCodec(o.codec);
    recorder.setCrf(static_cast<int>(o.crf));
    recorder.setAudio(audio, schedule.firstSeconds());
    session.startRecording();
    if (!recorder.isOpen()) {
        std::fprintf(stderr, "demotool record: cannot record to %s: %s\n", o.output.string().c_str(),
                     recorder.status().c_str());
        session.stopRecording();
        return kExitFailure;
    }

    const auto started = std::chrono::steady_clock::now();
    const RecordRun run = renderFrames(show, schedule, interrupt);

    // The file is completed with the frames written, after a failed frame as well.
    const int finished = recorder.finish();
    const std::string status = recorder.status();
    const int64_t encoded = recorder.getFramesWritten();
    const double encodeMs = encoded > 0 ? recorder.getEncodeSeconds() * 1000.0 / static_cast<double>(encoded) : 0.0;
    const bool kept = recorder.fileKept() || recorder.partialKept();
    session.stopRecording();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (run.writeFailed || finished != 0) {
        std::fprintf(stderr, kept ? "demotool record: %s (%s)\n" : "demotool record: %s; nothing written to %s\n",
                     status.c_str(), o.output.string().c_str());
        return kExitFailure;
    }

    const std::string ofTotal = interrupt.signal() ? " of " + std::to_string(schedule.frameCount()) : "";
    std::printf("recorded %lld%s frames (%dx%d, %ld fps, %s%s) to %s in %.2f s; render time per recorded "
                "frame: mean %.2f ms, p99 %.2f ms, max %.2f ms; read-back mean %.2f ms, "
                "encoding (on its own thread, beside drawing) mean %.2f ms\n",
                static_cast<long long>(encoded), ofTotal.c_str(), o.width, o.height, o.fps, o.codec.c_str(),
                audio.empty() ? ", no audio" : ", audio", o.output.string().c_str(), elapsed,
                run.renderTimes.mean(), run.renderTimes.percentile(0.99), run.renderTimes.max(),
                run.captureTimes.mean(), encodeMs);
    if (interrupt.signal() != 0) {
        std::fprintf(stderr, "demotool record: interrupted; the file holds the %lld frames written\n",
                     static_cast<long long>(encoded));
        return 128 + interrupt.signal();
    }
    return kExitOk;
}
