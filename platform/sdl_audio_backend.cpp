// Music on SDL2_mixer.
#include "platform/sdl_audio_backend.h"

#include <SDL.h>
#include <SDL_mixer.h>

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
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audioOpen_ = true;
    return true;
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
