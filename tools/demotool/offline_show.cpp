// The show played offline on a headless context, one 60 Hz step at a time.
#include "tools/demotool/offline_show.h"

OfflineShow::~OfflineShow() {
    session_.close();
    context_.close();
}

bool OfflineShow::open(const std::string& folder, int width, int height) {
    error_.clear();
    const ShowLoadResult load = session_.open(folder);
    if (!load.loaded()) {
        error_ = load.error.text() + (load.status == ShowLoadStatus::NoPack ? " in " + folder : "");
        return false;
    }
    if (!context_.open(width, height)) {
        error_ = "no headless OpenGL context: " + context_.error();
        return false;
    }
    if (!session_.attach(context_.surface(), width, height)) {
        error_ = "the window could not be set up on the headless context";
        return false;
    }
    return true;
}
