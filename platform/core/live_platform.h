// The live program's platform: the window, the music output and the message boxes of the system
// the build targets. Each system has one source file that implements these three calls
// (live_platform_sdl.cpp: SDL2 for Linux; live_platform_win32.cpp: the Win32 API); the build
// compiles the one for its system, and nothing else in the program names a system's backend.
#pragma once

#include <memory>

#include "data/message_box.h"
#include "platform/core/audio_backend.h"
#include "platform/core/platform_surface.h"

// A new, not yet initialised surface for the show's own window on the display.
std::unique_ptr<PlatformSurface> createLiveSurface();
// The music output of the live player (one per process).
AudioBackend& liveAudioBackend();
// Real dialogs; where no display can show one, a line on standard error.
MessageBoxSink liveMessageBoxSink();
// Where one-line reports go: null for standard error (Linux), a log file beside the program on
// Windows, whose GUI programs have no standard error.
ReportLineSink liveReportLineSink();
// What a fatal file error (a missing or damaged animation file) does before the program ends:
// null where the terminal shows the line (Linux: the decoder prints it and ends), a box and the
// log on Windows. The function ends the program.
using LiveFatalSink = void (*)(const char* line);
LiveFatalSink liveFatalSink();
