// The sound library calls on SDL2_mixer, and the recorder that replaces them in tests.
#include "app/fsound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

struct FSOUND_STREAM {
    Mix_Music* music = nullptr;
    int positionMs = 0;     // where playback starts when the channel is first released
    bool started = false;   // Mix_PlayMusic has been called
    bool playing = false;   // a channel plays this stream (paused or not)
};

namespace {

bool audioOpen = false;
FSOUND_STREAM* channelStream = nullptr;  // the one channel (0) and the stream on it
FSOUND_STREAM recorderStream;            // the handle the recorder hands out
FSoundRecorder* currentRecorder = nullptr;

const char* handleName(const FSOUND_STREAM* stream) { return stream ? "stream" : "null"; }

void startMusic(FSOUND_STREAM* stream) {
    if (Mix_PlayMusic(stream->music, 1) != 0) return;
    stream->started = true;
    if (stream->positionMs > 0) Mix_SetMusicPosition(stream->positionMs / 1000.0);
}

}  // namespace

FSoundRecorder::FSoundRecorder(std::string missingName) : missingName_(std::move(missingName)), previous_(currentRecorder) {
    currentRecorder = this;
}

FSoundRecorder::~FSoundRecorder() { currentRecorder = previous_; }

FSoundRecorder* FSoundRecorder::active() { return currentRecorder; }

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[96];
        std::snprintf(line, sizeof line, "FSOUND_Init(%d, %d, %u)", mixRate, maxChannels, flags);
        r->record(line);
        return 1;
    }
    if (audioOpen) return 1;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    audioOpen = true;
    return 1;
}

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int mode, int lengthBytes) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[320];
        std::snprintf(line, sizeof line, "FSOUND_Stream_OpenFile(\"%s\", 0x%X, %d)", fileName ? fileName : "", mode,
                      lengthBytes);
        r->record(line);
        if (!fileName || r->missingName() == fileName) return nullptr;
        return &recorderStream;
    }
    if (!audioOpen || !fileName) return nullptr;
    Mix_Music* music = Mix_LoadMUS(fileName);
    if (!music) return nullptr;
    auto* stream = new FSOUND_STREAM;
    stream->music = music;
    return stream;
}

int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, FSOUND_DSPUNIT* dsp, signed char startPaused) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[96];
        std::snprintf(line, sizeof line, "FSOUND_Stream_PlayEx(%d, %s, %d, %d)", channel, handleName(stream),
                      dsp ? 1 : 0, startPaused);
        r->record(line);
        return stream ? 0 : -1;
    }
    if (!audioOpen || !stream) return -1;
    if (channelStream && channelStream != stream) {
        Mix_HaltMusic();
        channelStream->started = channelStream->playing = false;
    }
    channelStream = stream;
    stream->playing = true;
    // A paused start waits for the first unpause, so no sound escapes before it.
    if (!startPaused) startMusic(stream);
    return 0;
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[96];
        std::snprintf(line, sizeof line, "FSOUND_Stream_SetTime(%s, %d)", handleName(stream), ms);
        r->record(line);
        return stream ? 1 : 0;
    }
    if (!audioOpen || !stream) return 0;
    stream->positionMs = ms < 0 ? 0 : ms;
    if (stream->started) return Mix_SetMusicPosition(stream->positionMs / 1000.0) == 0 ? 1 : 0;
    return 1;
}

signed char FSOUND_SetPaused(int channel, signed char paused) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[64];
        std::snprintf(line, sizeof line, "FSOUND_SetPaused(%d, %d)", channel, paused);
        r->record(line);
        return channel == 0 ? 1 : 0;
    }
    if (!audioOpen || channel != 0 || !channelStream) return 0;
    if (paused) {
        if (channelStream->started) Mix_PauseMusic();
    } else if (!channelStream->started) {
        startMusic(channelStream);
    } else {
        Mix_ResumeMusic();
    }
    return 1;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    if (FSoundRecorder* r = currentRecorder) {
        char line[64];
        std::snprintf(line, sizeof line, "FSOUND_Stream_Close(%s)", handleName(stream));
        r->record(line);
        return stream ? 1 : 0;
    }
    if (!stream || stream == &recorderStream) return 0;
    if (channelStream == stream) {
        Mix_HaltMusic();
        channelStream = nullptr;
    }
    if (stream->music) Mix_FreeMusic(stream->music);
    delete stream;
    return 1;
}

void FSOUND_Close() {
    if (FSoundRecorder* r = currentRecorder) {
        r->record("FSOUND_Close()");
        return;
    }
    if (!audioOpen) return;
    Mix_HaltMusic();
    channelStream = nullptr;
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen = false;
}
