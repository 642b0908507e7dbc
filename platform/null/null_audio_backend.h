// NullAudioBackend: the silent audio output of offline rendering, the tools and the tests. It
// plays nothing, but keeps time as a real output would: a stream holds the position that seek
// gives and, while it plays unpaused, advances with the show clock (showClockMs), so a caller can
// compare the music position with the show time even without sound.
#pragma once

#include "platform/core/audio_backend.h"

class NullAudioBackend : public AudioBackend {
public:
    // Always opens.
    bool open(int mixRate, int maxChannels) override;
    void close() override;
    // A stream for any file that can be opened for reading; null for a missing one.
    FSOUND_STREAM* load(const char* fileName) override;
    void release(FSOUND_STREAM* stream) override;
    // Channel 0.
    int play(FSOUND_STREAM* stream, bool paused) override;
    bool seek(FSOUND_STREAM* stream, int ms) override;
    bool setPaused(int channel, bool paused) override;
    int position(FSOUND_STREAM* stream) override;

private:
    struct Stream;
    Stream* playing_ = nullptr;  // the stream on channel 0
};
