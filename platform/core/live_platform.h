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
