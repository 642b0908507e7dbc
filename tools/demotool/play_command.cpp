// demotool play: the show in a live window with its music, for authors: pause, exact jumps, a
// loop, pictures of the frame shown, reloading the pack, and an information overlay. A show
// source folder is built into a temporary pack folder and rebuilt whenever it is saved.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "data/printable_text.h"
#include "platform/core/audio_backend.h"
#include "platform/core/live_platform.h"
#include "platform/gl/preview_overlay.h"
#include "tools/demotool/cli.h"
#include "tools/demotool/frame_schedule.h"
#include "tools/demotool/png_writer.h"
#include "tools/demotool/preview_controls.h"
#include "tools/demotool/preview_show.h"
#include "tools/show_source/live_build.h"

namespace {

constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 768;
constexpr const char* kTitle = "demotool play";
// Frame times kept for the overlay's graph.
constexpr size_t kFrameTimeCount = 120;
// Steps a frame may skip (simulating them without drawing) to keep up with the clock; further
// behind, the show slows down instead and the overlay shows the music drifting away.
constexpr int64_t kMaxCatchUp = 30;
// A jump that simulates more steps than this says so on screen while it computes.
constexpr int64_t kLongJump = 60;
// While paused the kept frame is shown again this often (the overlay's values change).
constexpr int kPausedRedrawMs = 250;

double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int64_t stepMs(int64_t step) { return static_cast<int64_t>(stepMilliseconds(step)); }

// The music on the live audio output, placed and paused with the show.
class Music {
public:
    explicit Music(AudioBackend& backend) : backend_(backend) { open_ = backend_.open(44100, 32); }
    ~Music() {
        if (stream_) backend_.release(stream_);
        if (open_) backend_.close();
    }
    // (Re)loads the music file; false (and silence) when it cannot be played.
    bool load(const std::string& file) {
        if (stream_) backend_.release(stream_);
        stream_ = open_ ? backend_.load(file.c_str()) : nullptr;
        channel_ = stream_ ? backend_.play(stream_, true) : -1;
        return channel_ >= 0;
    }
    // Plays from ms, or holds there paused.
    void place(int64_t ms, bool playing) {
        if (channel_ < 0) return;
        backend_.setPaused(channel_, true);
        backend_.seek(stream_, static_cast<int>(ms));
        if (playing) backend_.setPaused(channel_, false);
    }
    bool playing() const { return channel_ >= 0; }
    int position() const { return stream_ ? backend_.position(stream_) : 0; }

private:
    AudioBackend& backend_;
    bool open_ = false;
    FSOUND_STREAM* stream_ = nullptr;
    int channel_ = -1;
};

// Long texts broken into lines of at most width characters.
void wrapInto(const std::string& text, size_t width, std::vector<std::string>* lines) {
    if (width == 0) width = 1;
    for (size_t at = 0; at < text.size(); at += width) lines->push_back(text.substr(at, width));
    if (text.empty()) lines->push_back("");
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A fresh folder under the system's temporary folder, removed with its files with the object.
class TemporaryFolder {
public:
    // False when no folder could be made.
    bool create(const std::string& prefix) {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        if (ec) return false;
        std::random_device seed;
        std::mt19937_64 random(seed() ^ static_cast<uint64_t>(nowMs() * 1000.0));
        // create_directory says whether it made the folder, so that one already there (another
        // program's) is never taken over.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path candidate = base / (prefix + std::to_string(random() % 1000000000));
            if (fs::create_directory(candidate, ec)) {
                path_ = candidate.string();
                return true;
            }
        }
        return false;
    }
    ~TemporaryFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A build's problems on standard error, control bytes escaped.
void reportProblems(const std::string& heading, const std::vector<std::string>& problems) {
    std::fprintf(stderr, "demotool play: %s\n", heading.c_str());
    for (const std::string& line : problems) std::fprintf(stderr, "%s\n", escapeControlBytes(line).c_str());
    std::fflush(stderr);
}

class PlaySession {
public:
    // The show of folder; pictures that S writes go to the working directory. With live (not
    // owned), folder is live's pack folder, and the source is rebuilt and reloaded when it is
    // saved, and by R.
    PlaySession(PlatformSurface& surface, int width, int height, const std::string& folder, LiveBuild* live)
        : surface_(surface), show_(&surface, width, height, folder), music_(liveAudioBackend()),
          musicFile_((std::filesystem::path(folder) / "music.mp3").string()), live_(live) {}

    bool start(int64_t fromStep, const PreviewLoop& loop, std::string* error) {
        if (!show_.load(error)) return false;
        music_.load(musicFile_);
        loop_ = loop;
        goTo(fromStep);
        say("playing from " + formatShowTime(stepMs(show_.step())) + " (step " + std::to_string(show_.step()) + ")");
        return true;
    }

    // The loop of the session until Escape or the window is closed.
    void run() {
        double lastFrame = nowMs();
        double lastPausedDraw = 0.0;
        while (!quit_) {
            SurfaceEvent event;
            while (!quit_ && surface_.pollEvent(event)) handle(event);
            if (quit_) break;
            if (live_ && live_->changeSettled(nowMs())) rebuild();
            if (paused_) {
                if (nowMs() - lastPausedDraw >= kPausedRedrawMs || redraw_) {
                    showKept();
                    lastPausedDraw = nowMs();
                }
                surface_.waitEvent(10);
                continue;
            }
            int64_t due = clock_.stepAt(nowMs());
            if (due <= show_.step()) {
                surface_.waitEvent(1);
                continue;
            }
            if (loop_.active() && due > loop_.outStep) {
                goTo(loop_.inStep);
                continue;
            }
            if (due > show_.step() + 1 + kMaxCatchUp) {
                due = show_.step() + 1;
                clock_.restart(due, nowMs());
            }
            drawStep(due);
            const double t = nowMs();
            frameTimes_.push_back(t - lastFrame);
            if (frameTimes_.size() > kFrameTimeCount) frameTimes_.pop_front();
            lastFrame = t;
        }
    }

private:
    void handle(const SurfaceEvent& event) {
        show_.handleEvent(event);
        if (event.type == SurfaceEvent::Type::Close) quit_ = true;
        if (event.type == SurfaceEvent::Type::KeyUp && event.key == kKeyShift) shift_ = false;
        if (event.type != SurfaceEvent::Type::KeyDown) return;
        if (event.key == kKeyShift) shift_ = true;
        const PreviewCommand command = previewCommandForKey(event.key, shift_);
        const int64_t step = show_.step();
        switch (command.action) {
            case PreviewAction::None: break;
            case PreviewAction::Quit: quit_ = true; break;
            case PreviewAction::TogglePause:
                paused_ = !paused_;
                if (paused_) {
                    music_.place(stepMs(step), false);
                    say("paused at " + formatShowTime(stepMs(step)) + " (step " + std::to_string(step) + ")");
                } else {
                    resume();
                    say("playing from " + formatShowTime(stepMs(step)) + " (step " + std::to_string(step) + ")");
                }
                break;
            case PreviewAction::Jump: goTo(jumpTarget(step, command.steps, show_.lastStep())); break;
            case PreviewAction::JumpToStart: goTo(0); break;
            case PreviewAction::StepFrame:
                if (paused_) goTo(step + 1);
                break;
            case PreviewAction::SetLoopIn: loop_.setIn(step); break;
            case PreviewAction::SetLoopOut: loop_.setOut(step); break;
            case PreviewAction::ToggleLoop: loop_.enabled = !loop_.enabled; break;
            case PreviewAction::Snapshot: writeSnapshot(); break;
            case PreviewAction::Reload:
                if (live_)
                    rebuild();
                else
                    reload();
                break;
            case PreviewAction::ToggleOverlay: overlay_ = !overlay_; break;
        }
        redraw_ = true;
    }

    void resume() {
        clock_.restart(show_.step(), nowMs());
        music_.place(stepMs(show_.step()), true);
    }

    // Shows step exactly (simulating what lies between), with the music placed there.
    void goTo(int64_t step) {
        music_.place(stepMs(step), false);
        const int64_t work = show_.stepsToReach(step);
        jumpTarget_ = step;
        drawStep(step, work > kLongJump);
        say("shown " + formatShowTime(stepMs(step)) + " (step " + std::to_string(step) + ")");
        if (!paused_) resume();
    }

    void drawStep(int64_t step, bool withProgress = false) {
        PreviewShow::Progress progress;
        if (withProgress)
            progress = [this](int64_t done, int64_t total) {
                progress_ = "JUMPING TO " + formatShowTime(stepMs(jumpTarget_)) + ": " +
                            std::to_string(total > 0 ? done * 100 / total : 100) + "%";
                showKept();
            };
        show_.drawStep(step, [this] {
            // The frame as drawn, without the overlay: what S writes and what a pause shows.
            kept_ = PreviewOverlay::readPixels(show_.width(), show_.height());
            drawOverlay();
            return 0;
        }, progress);
        progress_.clear();
        redraw_ = false;
    }

    // The kept frame with the overlay, without drawing the show.
    void showKept() {
        PreviewOverlay::drawPixels(show_.width(), show_.height(), kept_);
        drawOverlay();
        show_.swapAndLetterbox();
        redraw_ = false;
    }

    void drawOverlay() {
        OverlayContent content;
        const size_t columns = static_cast<size_t>(std::max(1, (show_.width() - 28) / kOverlayCharAdvance));
        if (!progress_.empty()) content.alerts.push_back(progress_);
        if (!overlay_) {
            if (!content.alerts.empty()) PreviewOverlay::draw(show_.width(), show_.height(), content);
            return;
        }
        if (!reloadError_.empty()) wrapInto("RELOAD FAILED, STILL PLAYING THE PREVIOUS PACK: " + reloadError_, columns,
                                            &content.alerts);
        if (!buildProblems_.empty()) {
            content.alerts.push_back("BUILD FAILED, STILL PLAYING THE LAST GOOD SHOW:");
            // Escaped before wrapping, so that a line's escapes count toward its width.
            for (const std::string& problem : buildProblems_)
                wrapInto(escapeControlBytes(problem), columns, &content.alerts);
        }
        const int64_t step = show_.step();
        const int64_t ms = stepMs(step);
        std::string status = formatShowTime(ms) + "  FRAME " + std::to_string(step) + (paused_ ? "  PAUSED" : "");
        if (loop_.outStep >= 0 || loop_.inStep > 0)
            status += "  LOOP " + formatShowTime(stepMs(loop_.inStep)) + "-" +
                      (loop_.outStep >= 0 ? formatShowTime(stepMs(loop_.outStep)) : std::string("END")) +
                      (loop_.active() ? " ON" : " OFF");
        content.lines.push_back(status);
        const std::vector<TrackCellInfo> cells = show_.cellsNow();
        for (size_t i = 0; i < cells.size(); ++i) {
            const TrackCellInfo& c = cells[i];
            std::string line = "TRACK " + std::to_string(i) + ": ";
            if (c.kind.empty()) {
                line += "-";
            } else {
                line += c.kind + (c.name.empty() ? "" : " \"" + c.name + "\"") + " FRAME " +
                        std::to_string(c.localTicks / 30);
                if (c.kind == "scene")
                    line += "  NODES " + std::to_string(c.nodes) + " BODIES " + std::to_string(c.bodies);
            }
            wrapInto(line, columns, &content.lines);
        }
        if (music_.playing()) {
            const int64_t drift = music_.position() - ms;
            content.lines.push_back("MUSIC " + formatShowTime(music_.position()) + "  DRIFT " +
                                    (drift >= 0 ? "+" : "") + std::to_string(drift) + " MS");
        } else {
            content.lines.push_back("NO MUSIC");
        }
        content.lines.push_back("FRAME TIMES (LAST 120) AGAINST 16.7 MS");
        content.frameTimesMs.assign(frameTimes_.begin(), frameTimes_.end());
        if (content.frameTimesMs.empty()) content.frameTimesMs.push_back(0.0);
        PreviewOverlay::draw(show_.width(), show_.height(), content);
    }

    void writeSnapshot() {
        // Named as demotool snapshot names the picture of the same step.
        char name[64];
        std::snprintf(name, sizeof name, "%.3f.png", static_cast<double>(show_.step()) / kStepsPerSecond);
        std::string error;
        if (kept_.empty() || !writePng(name, show_.width(),
                                       show_.height(), reinterpret_cast<const uint8_t*>(kept_.data()), &error)) {
            std::fprintf(stderr, "demotool play: %s\n", kept_.empty() ? "no picture yet" : error.c_str());
            return;
        }
        say(std::string("wrote ") + name);
    }

    void reload() {
        const int64_t step = show_.step();
        std::string error;
        if (show_.load(&error)) {
            reloadError_.clear();
            music_.load(musicFile_);
            say("reloaded data.pak at " + formatShowTime(stepMs(step)));
        } else {
            reloadError_ = error;
            std::fprintf(stderr, "demotool play: reload failed, still playing the previous pack: %s\n", error.c_str());
            std::fflush(stderr);
        }
        // Either way the show is rebuilt up to where it was.
        goTo(step);
    }

    // Builds the source as it is now: a good build is reloaded at the same time; a failed one
    // leaves the last good show playing and the overlay shows the problems until a good build.
    void rebuild() {
        const int64_t step = show_.step();
        LiveBuild::Outcome outcome = LiveBuild::Outcome::Unchanged;
        show_.runBeside([&] { outcome = live_->build(); });
        if (outcome == LiveBuild::Outcome::Rebuilt) {
            buildProblems_.clear();
            say("rebuilt the source at " + formatShowTime(stepMs(step)));
            reload();
            return;
        }
        buildProblems_ = live_->problemLines();
        reportProblems("the source has problems, still playing the last good show:", buildProblems_);
        // The build went through the process-wide state: the show is played up to where it was.
        goTo(step);
    }

    PlatformSurface& surface_;
    PreviewShow show_;
    Music music_;
    std::string musicFile_;
    PlaybackClock clock_;
    PreviewLoop loop_;
    std::deque<double> frameTimes_;
    std::string kept_;
    std::string progress_;
    std::string reloadError_;
    LiveBuild* live_;
    std::vector<std::string> buildProblems_;
    int64_t jumpTarget_ = 0;
    bool paused_ = false;
    bool overlay_ = true;
    bool shift_ = false;
    bool quit_ = false;
    bool redraw_ = false;
};

// Tears the window down in the order the window layer releases its own.
void closeWindow(PlatformSurface& surface, bool fullscreen) {
    if (fullscreen) surface.restoreDisplayMode();
    surface.inhibitScreenSaver(false);
    if (surface.hasContext()) {
        surface.releaseCurrent();
        surface.deleteContext();
    }
    if (surface.hasDrawable()) surface.releaseDrawable();
    if (surface.hasWindow()) surface.destroyWindow();
    surface.shutdown();
}

}  // namespace

int playCommand(const std::vector<std::string>& args) {
    ParsedArgs a;
    std::string problem;
    if (!parseArgs(args, {"--dir", "--from", "--size", "--loop"}, {"--window"}, &a, &problem))
        return usageError("play", problem);
    if (a.help) {
        std::fputs(helpText("play").c_str(), stdout);
        return kExitOk;
    }
    if (!a.operands.empty()) return usageError("play", "unexpected argument '" + a.operands[0] + "'");
    if (a.has("--size") && a.flags.count("--window")) return usageError("play", "give either --size WxH or --window");
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    const bool fullscreen = a.has("--size");
    if (fullscreen && !parseSize(a.value("--size"), &width, &height))
        return usageError("play", "bad --size '" + a.value("--size") + "' (expected WxH, e.g. 640x480)");
    double from = 0.0;
    if (a.has("--from") && !parseSeconds(a.value("--from"), &from))
        return usageError("play", "bad --from '" + a.value("--from") + "' (expected seconds, e.g. 42)");
    PreviewLoop loop;
    if (a.has("--loop")) {
        if (!parseLoopRange(a.value("--loop"), &loop.inStep, &loop.outStep))
            return usageError("play", "bad --loop '" + a.value("--loop") + "' (expected FROM:TO in seconds, e.g. 40:48)");
        loop.enabled = true;
    }

    std::string dir = absolutePath(a.has("--dir") ? a.value("--dir") : ".");
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "demotool play: no show directory %s\n", dir.c_str());
        return kExitFailure;
    }
    // A show source is built into a folder of its own, never into the source.
    TemporaryFolder packFolder;
    std::unique_ptr<LiveBuild> live;
    if (LiveBuild::isSource(dir)) {
        if (!packFolder.create("demotool-play-")) {
            std::fprintf(stderr, "demotool play: cannot make a temporary folder for the pack\n");
            return kExitFailure;
        }
        live = std::make_unique<LiveBuild>(dir, packFolder.path());
        if (live->build() != LiveBuild::Outcome::Rebuilt) {
            reportProblems("the source has problems, nothing to play:", live->problemLines());
            return kExitFailure;
        }
        say("built " + dir + " into " + packFolder.path());
        dir = packFolder.path();
    }

    std::unique_ptr<PlatformSurface> surface = createLiveSurface();
    if (!surface->initialize()) {
        std::fprintf(stderr, "demotool play: no display to open a window on\n");
        return kExitFailure;
    }
    bool full = fullscreen && surface->setDisplayMode(width, height, 32);
    if (fullscreen && !full)
        std::fprintf(stderr, "demotool play: the display cannot show %dx%d; playing in a window\n", width, height);
    if (!surface->createWindow(kTitle, width, height, full)) {
        std::fprintf(stderr, "demotool play: cannot open a window of %dx%d\n", width, height);
        surface->shutdown();
        return kExitFailure;
    }
    full = full && surface->isFullscreen();
    if (full) surface->showCursor(false);
    surface->inhibitScreenSaver(true);

    int status = kExitOk;
    {
        PlaySession session(*surface, width, height, dir, live.get());
        std::string error;
        if (!session.start(stepNearestSeconds(from), loop, &error)) {
            std::fprintf(stderr, "demotool play: %s\n", error.c_str());
            status = kExitFailure;
        } else {
            session.run();
        }
    }
    if (full) surface->showCursor(true);
    closeWindow(*surface, full);
    return status;
}
