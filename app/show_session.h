// ShowSession: a show's whole life in one object, for the players and every tool. It opens the
// show of a folder (its "data.pak", the files the pack names, its "music.mp3"), owns the mesh
// registry, the player with its timeline and music, the render device and, for stepped runs, the
// show clock; it steps the show drawn or not drawn, draws and captures frames through the
// player's window (letterbox and badge), seeks by simulating from a fresh start, and says which
// cells are due at a step. Opening resets every piece of process-wide show state, so that each
// session plays its show as a fresh process would.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/due_cell.h"
#include "app/show_loader.h"
#include "platform/core/platform_surface.h"

class AviRecorder;
class GLRenderDevice;
class ManualClock;
class MeshRegistry;
class NullRenderDevice;
class Player;
class RenderDevice;
class Timeline;

// Stepped runs advance the show in steps of a 60 Hz display.
constexpr int kShowStepsPerSecond = 60;
// Show time of step n in whole milliseconds: floor(n x 1000 / 60).
inline uint32_t showStepMilliseconds(int64_t step) { return static_cast<uint32_t>(step * 1000 / kShowStepsPerSecond); }

// Where a show ends (the last key time of all tracks), in seconds.
double timelineEndSeconds(const Timeline& timeline);

// Whether a step leaves a picture.
enum class StepDrawing {
    Drawn,   // the frame as the window's loop draws it, letterbox and badge included
    Hidden,  // every call and GL state change of a drawn step, but no pixel cleared or drawn
    // The frame and its badge as Drawn, without the buffer swap and the letterbox that end it: for
    // a host whose system shows the picture when its frame callback returns (a browser), which
    // calls swapAndLetterbox() before it draws the next one.
    Composed,
};

class ShowSession {
public:
    // The device the show draws through: OpenGL (needs a current context once attached), or
    // one that draws nothing (the engine alone).
    enum class DeviceKind { OpenGL, Null };

    explicit ShowSession(DeviceKind device = DeviceKind::OpenGL);
    // A session whose show draws through a device of the caller's (made anew by makeDevice at
    // every load), stepped like a Null session: the engine alone, without a window.
    using DeviceMaker = std::function<std::unique_ptr<RenderDevice>()>;
    explicit ShowSession(DeviceMaker makeDevice);
    // close().
    ~ShowSession();
    ShowSession(const ShowSession&) = delete;
    ShowSession& operator=(const ShowSession&) = delete;

    // Closes any show, resets the process-wide state, then loads folder's "data.pak" with the
    // files it names from folder, and opens folder's "music.mp3". Errors and notes call the pack
    // "data.pak", as when the folder is the working directory (the players pass ".").
    ShowLoadResult open(const std::string& folder);
    // The same with the pack read from packPath (a file anywhere) instead of folder's, called
    // name in errors and notes (packPath when empty).
    ShowLoadResult openPack(const std::string& packPath, const std::string& folder, const std::string& name = "");
    // The same with the pack's uncompressed stream given in memory (called "data.pak"); the
    // session keeps the bytes, so that a restart plays this very show.
    ShowLoadResult openStream(const std::string& folder, std::vector<uint8_t> stream);
    // True once a show is loaded (even an empty one: a missing pack).
    bool isOpen() const { return player_ != nullptr; }

    // The live program: its own window of width x height (full screen) and frame loop on the
    // system clock, until Escape or a close. Returns the window's result (1, or 0 after a box).
    int play(int width, int height);
    // Stepped runs: the show set up to draw onto surface (a window or headless context with a
    // current GL context, not owned) at width x height, without a loop, on a manual clock at 0.
    // A Null session takes no surface (null). False when the window could not be set up.
    bool attach(PlatformSurface* surface, int width, int height);

    // Plays step n (time showStepMilliseconds(n)). Drawn: the show's frame with badge; capture
    // (when given) runs on the finished picture before the swap and the letterbox; returns its
    // result (0 without one). Composed: the same up to capture, and no swap or letterbox. Hidden:
    // the same calls without a pixel; returns 0. -1 when not attached.
    int step(int64_t n, StepDrawing drawing, const std::function<int()>& capture = {});
    // Steps done and to do, reported every few hundred steps of a seek.
    using Progress = std::function<void(int64_t done, int64_t total)>;
    // Brings the show to where step n is next: from a fresh start (restart) when n is not ahead
    // of the last step played, then every step before n hidden.
    void seek(int64_t n, const Progress& progress = {});
    // Steps that seek(n) simulates from the current state.
    int64_t stepsToReach(int64_t n) const { return n > lastStep_ ? n - lastStep_ - 1 : n; }
    // The last step played; -1 before the first.
    int64_t lastStep() const { return lastStep_; }
    // The same show from the start: process-wide state reset, loaded again from the same source
    // (the kept stream, or the file), attached again as before.
    ShowLoadResult restart();
    // Ends the show: its cells, library animations and FLI file, the player (music, window),
    // the device and the registry.
    void close();

    // The cell each track draws at step n, in track order.
    std::vector<DueCell> dueCellsAt(int64_t n) const;
    // Where the show ends (last key time of all tracks), in seconds; 0 without a show.
    double endSeconds() const;

    // Recording through the window (attached OpenGL sessions): set the recorder's file, rate
    // and codec, then start; each drawn step's capture may call captureFrame.
    AviRecorder* recorder() const;
    void startRecording();
    int captureFrame();
    void stopRecording();

    // The window's own handling of a surface message (letterbox after a resize).
    void handleEvent(const SurfaceEvent& event);
    // The buffer swap and the letterbox that end a frame drawn outside step().
    void swapAndLetterbox();

    // Calls a Null session's device was handed (primitives and pictures); 0 for OpenGL.
    long long nullDrawCalls() const;
    Timeline* timeline() const;
    MeshRegistry* registry() const { return registry_.get(); }
    Player* player() const { return player_.get(); }
    const std::string& folder() const { return folder_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Puts every process-wide value a show reads back where a fresh process has it: the random
    // generator, the metaball spawn counter, the stream frame counter, the FLI decoder's file,
    // the animation library (unlinked) and the shared scratch image. Called by every open.
    static void resetProcessState();

private:
    ShowLoadResult load();

    DeviceKind kind_;
    DeviceMaker makeDevice_;
    std::string folder_;
    std::string packPath_;
    std::string packName_;
    std::vector<uint8_t> stream_;
    bool fromStream_ = false;
    std::unique_ptr<MeshRegistry> registry_;
    std::unique_ptr<RenderDevice> device_;
    GLRenderDevice* glDevice_ = nullptr;     // device_ when it is the OpenGL one
    NullRenderDevice* nullDevice_ = nullptr;  // device_ when it is the one that draws nothing
    std::unique_ptr<Player> player_;      // released before the device and the registry
    std::unique_ptr<ManualClock> clock_;  // stepped runs only
    PlatformSurface* surface_ = nullptr;
    bool attached_ = false;
    int width_ = 0;
    int height_ = 0;
    int64_t lastStep_ = -1;
};
