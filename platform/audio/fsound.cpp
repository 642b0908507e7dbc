// The sound library calls: handle and channel checks, then the chosen audio backend.
#include "platform/audio/fsound.h"

#include "platform/core/audio_backend.h"
#include "platform/null/null_audio_backend.h"

namespace {

AudioBackend*& chosenBackend() {
    static AudioBackend* backend = nullptr;
    return backend;
}

}  // namespace

AudioBackend* setAudioBackend(AudioBackend* backend) {
    AudioBackend* previous = chosenBackend();
    chosenBackend() = backend;
    return previous;
}

AudioBackend& audioBackend() {
    static NullAudioBackend silence;
    AudioBackend* backend = chosenBackend();
    return backend ? *backend : silence;
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int) {
    return audioBackend().open(mixRate, maxChannels) ? 1 : 0;
}

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int, int) {
    return fileName ? audioBackend().load(fileName) : nullptr;
}

int FSOUND_Stream_PlayEx(int, FSOUND_STREAM* stream, FSOUND_DSPUNIT*, signed char startPaused) {
    return stream ? audioBackend().play(stream, startPaused != 0) : -1;
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms) {
    return stream && audioBackend().seek(stream, ms < 0 ? 0 : ms) ? 1 : 0;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream) { return stream ? audioBackend().position(stream) : 0; }

signed char FSOUND_SetPaused(int channel, signed char paused) {
    return channel >= 0 && audioBackend().setPaused(channel, paused != 0) ? 1 : 0;
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
    if (!stream) return 0;
    audioBackend().release(stream);
    return 1;
}

void FSOUND_Close() { audioBackend().close(); }
