// Silent music that keeps time with the show clock.
#include "platform/null/null_audio_backend.h"

#include <cstdint>
#include <cstdio>

#include "platform/core/clock.h"

struct NullAudioBackend::Stream : FSOUND_STREAM {
    int positionMs = 0;      // the position at startedAt (or while not running)
    bool running = false;    // on the channel and unpaused
    uint32_t startedAt = 0;  // show clock when it last started running

    int now() const {
        return running ? positionMs + static_cast<int>(showClockMs() - startedAt) : positionMs;
    }
    void run(bool on) {
        positionMs = now();
        running = on;
        startedAt = showClockMs();
    }
};

bool NullAudioBackend::open(int, int) { return true; }

void NullAudioBackend::close() {
    if (playing_) playing_->run(false);
    playing_ = nullptr;
}

FSOUND_STREAM* NullAudioBackend::load(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) return nullptr;
    std::fclose(file);
    return new Stream;
}

void NullAudioBackend::release(FSOUND_STREAM* stream) {
    if (stream == playing_) playing_ = nullptr;
    delete static_cast<Stream*>(stream);
}

int NullAudioBackend::play(FSOUND_STREAM* stream, bool paused) {
    if (playing_ && playing_ != stream) playing_->run(false);
    playing_ = static_cast<Stream*>(stream);
    playing_->run(!paused);
    return 0;
}

bool NullAudioBackend::seek(FSOUND_STREAM* stream, int ms) {
    auto* s = static_cast<Stream*>(stream);
    s->positionMs = ms;
    s->startedAt = showClockMs();
    return true;
}

bool NullAudioBackend::setPaused(int channel, bool paused) {
    if (channel != 0 || !playing_) return false;
    if (playing_->running == paused) playing_->run(!paused);
    return true;
}

int NullAudioBackend::position(FSOUND_STREAM* stream) { return static_cast<Stream*>(stream)->now(); }
