// SdlAudioBackend: the live Linux player's music on SDL2_mixer (44.1 kHz stereo, one music
// channel). A machine without an audio device opens nothing, says so in one line on standard
// error, and every call is then silent.
#pragma once

#include "platform/core/audio_backend.h"

class SdlAudioBackend : public AudioBackend {
public:
    ~SdlAudioBackend() override;

    // Starts SDL's audio subsystem and opens the mixer at mixRate. Without a sound device: false,
    // after one line on standard error (the first time only) instead of the audio library's
    // own reports.
    bool open(int mixRate, int maxChannels) override;
    void close() override;
    FSOUND_STREAM* load(const char* fileName) override;
    void release(FSOUND_STREAM* stream) override;
    // Channel 0. A paused start does not start the mixer's music, so no sound escapes before the
    // first unpause.
    int play(FSOUND_STREAM* stream, bool paused) override;
    bool seek(FSOUND_STREAM* stream, int ms) override;
    bool setPaused(int channel, bool paused) override;
    // The mixer's position while the music runs, else the position the stream holds.
    int position(FSOUND_STREAM* stream) override;

private:
    struct Stream;
    void start(Stream* stream);
    void reportNoSound();

    bool audioOpen_ = false;
    bool reportedNoSound_ = false;
    Stream* channelStream_ = nullptr;  // the one channel (0) and the stream on it
};
