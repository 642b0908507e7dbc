// The show played offline on a headless context, one 60 Hz step at a time.
#include "tools/demotool/offline_show.h"

#include <filesystem>
#include <system_error>

#include "app/player.h"
#include "app/show_loader.h"
#include "platform/gl/gl_render_device.h"
#include "platform/gl/gl_window.h"
#include "tools/demotool/frame_schedule.h"

OfflineShow::OfflineShow() : clock_(0) {}

OfflineShow::~OfflineShow() {
    player_.reset();
    context_.close();
}

GLWindow* OfflineShow::window() const { return player_ ? player_->getWindow() : nullptr; }

double OfflineShow::endSeconds() const { return player_ ? showEndSeconds(player_->timeline()) : 0.0; }

bool OfflineShow::open(const std::string& dir, int width, int height) {
    error_.clear();
    width_ = width;
    height_ = height;
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (ec) {
        error_ = "cannot enter the show directory " + dir + ": " + ec.message();
        return false;
    }

    // The start-up of the live program: registry, player, then the show's load.
    player_ = std::make_unique<Player>();
    const ShowLoadResult load = loadShow("data.pak", registry_, player_->timeline());
    if (!load.loaded()) {
        error_ = load.error.text() + (load.status == ShowLoadStatus::NoPack ? " in " + dir : "");
        return false;
    }

    if (!context_.open(width, height)) {
        error_ = "no headless OpenGL context: " + context_.error();
        return false;
    }
    // Host-window mode: GL set up on the headless surface, start() called, no loop. The clock
    // reads 0 here, so the show starts at step 0.
    clock_.set(0);
    if (player_->run(width, height, context_.surface(), 1) != 1) {
        error_ = "the window could not be set up on the headless context";
        return false;
    }
    return true;
}

int OfflineShow::drawStep(int64_t step, const std::function<int()>& capture) {
    GLWindow* w = window();
    if (!w) return -1;
    clock_.set(stepMilliseconds(step));
    return w->drawFrame(capture);
}

void OfflineShow::runStep(int64_t step) {
    auto* device = player_ ? dynamic_cast<GLRenderDevice*>(player_->getDevice()) : nullptr;
    GLWindow* w = window();
    if (!device || !w) {
        drawStep(step);
        return;
    }
    device->setDrawing(false);
    w->setDrawing(false);
    drawStep(step);
    w->setDrawing(true);
    device->setDrawing(true);
}
