// The live platform in a web browser: the page's canvas, the page's Web Audio context, and boxes
// and reports shown as lines in the page's status area (a page must never stop on a modal dialog).
#include <string>

#include "platform/core/live_platform.h"
#include "platform/web/canvas_surface.h"
#include "platform/web/web_audio_backend.h"
#include "platform/web/web_host.h"

std::unique_ptr<PlatformSurface> createLiveSurface() { return std::make_unique<CanvasSurface>(); }

AudioBackend& liveAudioBackend() {
    static WebAudioBackend backend;
    return backend;
}

MessageBoxSink liveMessageBoxSink() {
    return [](const MessageBoxCall& call) {
        const std::string line = call.caption.empty() ? call.text : call.caption + ": " + call.text;
        showPageStatus(line.c_str());
        return MessageBoxResult::Yes;
    };
}

ReportLineSink liveReportLineSink() { return showPageStatus; }

// The web program keeps a fatal file error as its load's error instead (it sets its own sink).
LiveFatalSink liveFatalSink() { return nullptr; }
