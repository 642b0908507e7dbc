// The live platform on Windows: a Win32 window with its WGL context, the music on the wave output
// decoded by the system's MP3 codec, MessageBoxA dialogs.
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
