// Entry point of the three player builds; DEMO_WIDTH and DEMO_HEIGHT are the build's size.
// Loads the whole show of the working directory before any window exists, then plays it.
#include "app/fli_reader.h"
#include "app/show_session.h"
#include "data/message_box.h"
#include "platform/audio/fsound.h"
#include "platform/core/live_platform.h"

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

    // The working directory is the show's folder. A missing pack gives an empty show; a damaged
    // one is reported and ends the program.
    ShowSession session;
    const ShowLoadResult load = session.open(".");
    if (load.status == ShowLoadStatus::Damaged) {
        messageBox(load.error.text().c_str(), kLoadErrorCaption, MessageBoxStyle::OkStop);
        return 1;
    }
    session.play(DEMO_WIDTH, DEMO_HEIGHT);
    return 0;
}
