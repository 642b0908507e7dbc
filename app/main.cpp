// Entry point of the three player builds; DEMO_WIDTH and DEMO_HEIGHT are the build's size.
// Loads the whole show from "data.pak" before any window exists, then plays it.
#include "app/fli_reader.h"
#include "app/player.h"
#include "app/show_loader.h"
#include "data/mesh_registry.h"
#include "platform/fsound.h"
#include "platform/live_platform.h"

#ifndef DEMO_WIDTH
#define DEMO_WIDTH 1024
#endif
#ifndef DEMO_HEIGHT
#define DEMO_HEIGHT 768
#endif

int main() {
    // The live system: reports in dialogs (or on standard error where no display can show one),
    // music on the audio output.
    setMessageBoxSink(liveMessageBoxSink());
    setAudioBackend(&liveAudioBackend());
    // Where the system has no terminal, reports go to its own places (a log, a box) instead.
    setReportLineSink(liveReportLineSink());
    if (const LiveFatalSink fatal = liveFatalSink()) setFliFatalSink(fatal);

    auto* registry = new MeshRegistry();
    auto* player = new Player();

    // A missing pack gives an empty show; a damaged one is reported and ends the program.
    const ShowLoadResult load = loadShow("data.pak", *registry, player->timeline());
    if (load.status == ShowLoadStatus::Damaged) {
        messageBox(load.error.text().c_str(), kLoadErrorCaption, MessageBoxStyle::OkStop);
        delete player;
        delete registry;
        return 1;
    }

    player->run(DEMO_WIDTH, DEMO_HEIGHT, nullptr, 1);
    delete player;
    delete registry;
    return 0;
}
