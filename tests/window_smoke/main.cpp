// window_smoke: a small live show for checking the window layer on a real display. It opens the
// window like the player does (title "Test", 32 bits, full screen unless --windowed), draws a
// spinning square through the GL render device until Escape or a close, and reports what it saw.
//
//   window_smoke [--size WxH] [--windowed] [--stderr-boxes]
//
// Prints "first frame" once drawing has started and, at the end, the frame count and the
// full-screen states seen while drawing. Exit code 0 when the window opened and drew frames.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "math/vector3.h"
#include "platform/core/clock.h"
#include "platform/core/frame_client.h"
#include "platform/gl/gl_render_device.h"
#include "platform/gl/gl_window.h"
#include "platform/core/live_platform.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

// A square outline of four lines in one material, seen from a camera that circles it.
class SpinningSquare : public FrameClient {
public:
    SpinningSquare(GLRenderDevice& device, GLWindow& window) : device_(device), window_(window), library_(8) {
        library_.add(new Material(1, ColorRGB(0.9f, 0.3f, 0.1f)));
        device_.setMaterialLibrary(&library_);
    }

    int renderFrame(int width, int height, int) override {
        showTime_ = static_cast<int>(showClockMs() - startTime_);
        device_.beginFrame();
        const double a = showTime_ * 0.001;
        device_.setLookAt(Vector3(static_cast<float>(6 * std::sin(a)), 2.0f, static_cast<float>(6 * std::cos(a))),
                          Vector3(0, 0, 0), width, height);
        // Four lines around the origin stand in for geometry: drawLine needs no mesh.
        device_.drawLine(Vector3(-1, -1, 0), Vector3(1, -1, 0));
        device_.drawLine(Vector3(1, -1, 0), Vector3(1, 1, 0));
        device_.drawLine(Vector3(1, 1, 0), Vector3(-1, 1, 0));
        device_.drawLine(Vector3(-1, 1, 0), Vector3(-1, -1, 0));
        device_.endFrame();
        if (frames_++ == 0) {
            std::printf("first frame\n");
            std::fflush(stdout);
        }
        const char state = window_.isFullscreen() ? '1' : '0';
        if (seen_.empty() || seen_.back() != state) seen_ += state;
        return 0;
    }
    void start() override { startTime_ = showClockMs(); }
    int getShowTime() override { return showTime_; }

    int frames() const { return frames_; }
    const std::string& fullscreenStatesSeen() const { return seen_; }

private:
    GLRenderDevice& device_;
    GLWindow& window_;
    MaterialLibrary library_;
    uint32_t startTime_ = 0;
    int showTime_ = 0;
    int frames_ = 0;
    std::string seen_;
};

}  // namespace

int main(int argc, char** argv) {
    int width = 1024, height = 768;
    bool fullscreen = true;
    bool stderrBoxes = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--windowed") == 0) {
            fullscreen = false;
        } else if (std::strcmp(argv[i], "--stderr-boxes") == 0) {
            stderrBoxes = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc &&
                   std::sscanf(argv[++i], "%dx%d", &width, &height) == 2 && width > 0 && height > 0) {
        } else {
            std::fprintf(stderr, "usage: window_smoke [--size WxH] [--windowed] [--stderr-boxes]\n");
            return 2;
        }
    }
    if (!stderrBoxes) setMessageBoxSink(liveMessageBoxSink());

    GLRenderDevice device;
    GLWindow window;
    SpinningSquare show(device, window);
    window.setPlayer(&show);
    const int opened = window.openWindow("Test", width, height, 32, fullscreen);
    std::printf("window_smoke: opened=%d frames=%d fullscreen_seen=%s\n", opened, show.frames(),
                show.fullscreenStatesSeen().c_str());
    return opened == 1 && show.frames() > 0 ? 0 : 1;
}
