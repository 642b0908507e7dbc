// AudioCallLog: an audio backend that plays nothing and records every call that reaches it, as a
// line such as "play(stream, paused)". It is the FSOUND_* calls' backend while in scope, and
// answers as a working output would: any file but missingName loads, channel 0, success.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/audio_backend.h"

class AudioCallLog : public AudioBackend {
public:
    explicit AudioCallLog(std::string missingName = "");
    // Puts the previous backend back.
    ~AudioCallLog() override;
    AudioCallLog(const AudioCallLog&) = delete;
    AudioCallLog& operator=(const AudioCallLog&) = delete;

    const std::vector<std::string>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    bool open(int mixRate, int maxChannels) override;
    void close() override;
    FSOUND_STREAM* load(const char* fileName) override;
    void release(FSOUND_STREAM* stream) override;
    int play(FSOUND_STREAM* stream, bool paused) override;
    bool seek(FSOUND_STREAM* stream, int ms) override;
    bool setPaused(int channel, bool paused) override;
    int position(FSOUND_STREAM* stream) override;

private:
    std::vector<std::string> calls_;
    std::string missingName_;
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams_;
    AudioBackend* previous_;
};
