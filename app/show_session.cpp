// The show session: opening, stepping, seeking and closing a show, and the reset of the
// process-wide state that every fresh start goes through.
#include "app/show_session.h"

#include <cstring>
#include <utility>

#include "app/animation.h"
#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/player.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "fx/meta_cube_fx.h"
#include "fx/pisse3d.h"
#include "math/random.h"
#include "platform/core/clock.h"
#include "platform/gl/gl_render_device.h"
#include "platform/gl/gl_window.h"
#include "platform/null/null_render_device.h"

namespace {

constexpr const char* kPackName = "data.pak";
constexpr const char* kMusicName = "music.mp3";
// Steps simulated between two progress reports of a seek.
constexpr int64_t kProgressInterval = 120;

// name inside folder; the name alone for the working directory.
std::string inFolder(const std::string& folder, const char* name) {
    if (folder.empty() || folder == ".") return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

void ShowSession::resetProcessState() {
    seedRandom(1);
    resetMetaSpawnCounter();
    Pisse3D::resetFrameCounter();
    fliClose();
    resetAnimationList();
    if (frameBuffer) std::memset(frameBuffer, 0, kFrameBufferBytes);
}

ShowSession::ShowSession(DeviceKind device) : kind_(device) {}

ShowSession::ShowSession(DeviceMaker makeDevice) : kind_(DeviceKind::Null), makeDevice_(std::move(makeDevice)) {}

ShowSession::~ShowSession() { close(); }

ShowLoadResult ShowSession::open(const std::string& folder) {
    return openPack(inFolder(folder, kPackName), folder, kPackName);
}

ShowLoadResult ShowSession::openPack(const std::string& packPath, const std::string& folder, const std::string& name) {
    close();
    folder_ = folder;
    packPath_ = packPath;
    packName_ = name;
    stream_.clear();
    fromStream_ = false;
    return load();
}

ShowLoadResult ShowSession::openStream(const std::string& folder, std::vector<uint8_t> stream) {
    close();
    folder_ = folder;
    packPath_ = inFolder(folder, kPackName);
    packName_ = kPackName;
    stream_ = std::move(stream);
    fromStream_ = true;
    return load();
}

ShowLoadResult ShowSession::load() {
    resetProcessState();
    registry_ = std::make_unique<MeshRegistry>();
    if (makeDevice_) {
        glDevice_ = nullptr;
        nullDevice_ = nullptr;
        device_ = makeDevice_();
    } else if (kind_ == DeviceKind::OpenGL) {
        auto gl = std::make_unique<GLRenderDevice>();
        glDevice_ = gl.get();
        nullDevice_ = nullptr;
        device_ = std::move(gl);
    } else {
        auto null = std::make_unique<NullRenderDevice>();
        glDevice_ = nullptr;
        nullDevice_ = null.get();
        device_ = std::move(null);
    }
    // The player first (sound library, music, scratch image and animation library), then the pack.
    player_ = std::make_unique<Player>(device_.get(), inFolder(folder_, kMusicName));
    lastStep_ = -1;
    if (!fromStream_) return loadShow(packPath_, *registry_, player_->timeline(), folder_, packName_);
    PackReader reader;
    reader.setFolder(folder_);
    reader.openMemory(stream_.data(), stream_.size(), packName_.c_str());
    return loadShowFrom(reader, *registry_, player_->timeline());
}

ShowLoadResult ShowSession::restart() {
    PlatformSurface* surface = surface_;
    const bool attached = attached_;
    const int width = width_;
    const int height = height_;
    std::vector<uint8_t> stream = std::move(stream_);
    const std::string folder = folder_;
    const std::string packPath = packPath_;
    const std::string packName = packName_;
    const bool fromStream = fromStream_;
    close();
    folder_ = folder;
    packPath_ = packPath;
    packName_ = packName;
    stream_ = std::move(stream);
    fromStream_ = fromStream;
    const ShowLoadResult result = load();
    if (attached) attach(surface, width, height);
    return result;
}

void ShowSession::close() {
    if (player_) releaseShow(player_->timeline());
    player_.reset();
    clock_.reset();
    // Attached sessions draw on a context that is still current here: the show's pictures go
    // with it, so that starting afresh on the same window does not pile them up.
    if (attached_ && glDevice_) glDevice_->releaseTextures();
    device_.reset();
    glDevice_ = nullptr;
    nullDevice_ = nullptr;
    registry_.reset();
    surface_ = nullptr;
    attached_ = false;
    lastStep_ = -1;
}

int ShowSession::play(int width, int height) {
    if (!player_) return 0;
    width_ = width;
    height_ = height;
    return player_->run(width, height, nullptr, 1);
}

bool ShowSession::attach(PlatformSurface* surface, int width, int height) {
    if (!player_) return false;
    surface_ = surface;
    width_ = width;
    height_ = height;
    lastStep_ = -1;
    // The clock reads 0 when the player starts, so step n plays at its own time.
    if (!clock_) clock_ = std::make_unique<ManualClock>(0);
    clock_->set(0);
    if (kind_ == DeviceKind::OpenGL) {
        // Host-window mode: GL set up on the surface, the player started, no loop.
        if (!surface || player_->run(width, height, surface, 1) != 1) return false;
    } else {
        player_->prepareStart(1);
        player_->start();
    }
    attached_ = true;
    return true;
}

int ShowSession::step(int64_t n, StepDrawing drawing, const std::function<int()>& capture) {
    if (!attached_ || !player_) return -1;
    clock_->set(showStepMilliseconds(n));
    lastStep_ = n;
    GLWindow* window = player_->getWindow();
    if (!window) {
        // The engine alone: the show's frame on a device that draws nothing.
        player_->renderFrame(width_, height_, 0);
        return capture ? capture() : 0;
    }
    if (drawing == StepDrawing::Composed) {
        // drawFrame without its swap and letterbox: the host's system shows the picture.
        player_->renderFrame(width_, height_, 0);
        window->drawBadge(width_, height_, player_->getShowTime());
        return capture ? capture() : 0;
    }
    if (drawing == StepDrawing::Drawn || !glDevice_) return window->drawFrame(capture);
    glDevice_->setDrawing(false);
    window->setDrawing(false);
    window->drawFrame();
    window->setDrawing(true);
    glDevice_->setDrawing(true);
    return 0;
}

void ShowSession::seek(int64_t n, const Progress& progress) {
    if (!attached_) return;
    if (n <= lastStep_) restart();
    const int64_t first = lastStep_ + 1;
    for (int64_t s = first; s < n; ++s) {
        if (progress && (s - first) % kProgressInterval == 0) progress(s - first, n - first);
        step(s, StepDrawing::Hidden);
    }
}

std::vector<DueCell> ShowSession::dueCellsAt(int64_t n) const {
    if (!player_) return {};
    return ::dueCellsAt(player_->timeline(), showTicks(static_cast<int32_t>(showStepMilliseconds(n))));
}

double timelineEndSeconds(const Timeline& timeline) { return timeline.endTicks() / kTicksPerMillisecond / 1000.0; }

double ShowSession::endSeconds() const { return player_ ? timelineEndSeconds(player_->timeline()) : 0.0; }

long long ShowSession::nullDrawCalls() const { return nullDevice_ ? nullDevice_->drawCallCount() : 0; }

Timeline* ShowSession::timeline() const { return player_ ? &player_->timeline() : nullptr; }

AviRecorder* ShowSession::recorder() const {
    GLWindow* window = player_ ? player_->getWindow() : nullptr;
    return window ? &window->recorder() : nullptr;
}

void ShowSession::startRecording() {
    if (player_) player_->startRecording();
}

int ShowSession::captureFrame() { return player_ ? player_->captureFrame() : -1; }

void ShowSession::stopRecording() {
    if (player_) player_->stopRecording();
}

void ShowSession::handleEvent(const SurfaceEvent& event) {
    if (GLWindow* window = player_ ? player_->getWindow() : nullptr) window->handleEvent(event);
}

void ShowSession::swapAndLetterbox() {
    if (GLWindow* window = player_ ? player_->getWindow() : nullptr) window->swapAndLetterbox(width_, height_);
}
