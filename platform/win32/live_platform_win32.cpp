// The live platform on Windows: a Win32 window with its WGL context, the music on the wave output
// decoded by the system's MP3 codec, MessageBoxA dialogs, report lines in a log file beside the
// program and fatal file errors in a box.
#include "platform/core/live_platform.h"

#include "platform/win32/win32_audio_backend.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_surface.h"

std::unique_ptr<PlatformSurface> createLiveSurface() { return std::make_unique<Win32Surface>(); }

AudioBackend& liveAudioBackend() {
    static Win32AudioBackend backend;
    return backend;
}

MessageBoxSink liveMessageBoxSink() { return win32MessageBox; }

ReportLineSink liveReportLineSink() { return win32ReportLine; }

LiveFatalSink liveFatalSink() { return win32FatalLine; }
