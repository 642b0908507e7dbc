// Music on SDL2_mixer.
#include "platform/posix/sdl_audio_backend.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <cstdio>

namespace {

// ALSA's error handler type; a null handler puts ALSA's own (which prints) back.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);

void quietAlsaError(const char*, int, const char*, int, const char*, ...) {}

// While in scope, the ALSA library that SDL probes reports nothing: on a machine without a sound
// card it would otherwise print a page of configuration errors before SDL says, in one line,
// that it has no device. The library is held open meanwhile so that SDL finds the same instance,
// with the quiet handler; nothing happens where it is not installed.
class QuietAlsa {
public:
    QuietAlsa() : library_(dlopen("libasound.so.2", RTLD_LAZY)) { set(quietAlsaError); }
    ~QuietAlsa() {
        set(nullptr);
        if (library_) dlclose(library_);
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    void set(AlsaErrorHandler handler) {
        if (!library_) return;
        if (auto setHandler = reinterpret_cast<AlsaSetErrorHandler>(dlsym(library_, "snd_lib_error_set_handler")))
            setHandler(handler);
    }

    void* library_;
};

}  // namespace

struct SdlAudioBackend::Stream : FSOUND_STREAM {
    Mix_Music* music = nullptr;
    int positionMs = 0;    // where playback starts when the channel is first released
    bool started = false;  // Mix_PlayMusic has been called
};

SdlAudioBackend::~SdlAudioBackend() { close(); }

void SdlAudioBackend::start(Stream* stream) {
    if (Mix_PlayMusic(stream->music, 1) != 0) return;
    stream->started = true;
    if (stream->positionMs > 0) Mix_SetMusicPosition(stream->positionMs / 1000.0);
}

bool SdlAudioBackend::open(int mixRate, int) {
    if (audioOpen_) return true;
    QuietAlsa quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reportNoSound();
        return false;
    }
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        reportNoSound();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audioOpen_ = true;
    return true;
}

void SdlAudioBackend::reportNoSound() {
    if (reportedNoSound_) return;
    reportedNoSound_ = true;
    std::fprintf(stderr, "No sound device (%s): playing without music.\n", SDL_GetError());
}

void SdlAudioBackend::close() {
    if (!audioOpen_) return;
    Mix_HaltMusic();
    channelStream_ = nullptr;
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen_ = false;
}

FSOUND_STREAM* SdlAudioBackend::load(const char* fileName) {
    if (!audioOpen_) return nullptr;
    Mix_Music* music = Mix_LoadMUS(fileName);
    if (!music) return nullptr;
    auto* stream = new Stream;
    stream->music = music;
    return stream;
}

void SdlAudioBackend::release(FSOUND_STREAM* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (channelStream_ == stream) {
        Mix_HaltMusic();
        channelStream_ = nullptr;
    }
    if (stream->music) Mix_FreeMusic(stream->music);
    delete stream;
}

int SdlAudioBackend::play(FSOUND_STREAM* handle, bool paused) {
    if (!audioOpen_) return -1;
    auto* stream = static_cast<Stream*>(handle);
    if (channelStream_ && channelStream_ != stream) {
        Mix_HaltMusic();
        channelStream_->started = false;
    }
    channelStream_ = stream;
    if (!paused) start(stream);
    return 0;
}

bool SdlAudioBackend::seek(FSOUND_STREAM* handle, int ms) {
    if (!audioOpen_) return false;
    auto* stream = static_cast<Stream*>(handle);
    stream->positionMs = ms;
    if (stream->started) return Mix_SetMusicPosition(ms / 1000.0) == 0;
    return true;
}

bool SdlAudioBackend::setPaused(int channel, bool paused) {
    if (!audioOpen_ || channel != 0 || !channelStream_) return false;
    if (paused) {
        if (channelStream_->started) Mix_PauseMusic();
    } else if (!channelStream_->started) {
        start(channelStream_);
    } else {
        Mix_ResumeMusic();
    }
    return true;
}

int SdlAudioBackend::position(FSOUND_STREAM* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream->started && stream == channelStream_) {
        const double seconds = Mix_GetMusicPosition(stream->music);
        if (seconds >= 0.0) return static_cast<int>(seconds * 1000.0);
    }
    return stream->positionMs;
}
