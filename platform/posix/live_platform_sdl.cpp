// The live platform on SDL2: an SDL window with its GL context, SDL2_mixer music, SDL dialogs.
#include "platform/core/live_platform.h"

#include "platform/posix/sdl_audio_backend.h"
#include "platform/posix/sdl_message_box.h"
#include "platform/posix/sdl_surface.h"

std::unique_ptr<PlatformSurface> createLiveSurface() { return std::make_unique<SdlSurface>(); }

AudioBackend& liveAudioBackend() {
    static SdlAudioBackend backend;
    return backend;
}

MessageBoxSink liveMessageBoxSink() { return sdlMessageBox; }

ReportLineSink liveReportLineSink() { return nullptr; }

LiveFatalSink liveFatalSink() { return nullptr; }
