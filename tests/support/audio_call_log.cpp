// The audio backend that records its calls.
#include "support/audio_call_log.h"

#include <algorithm>

AudioCallLog::AudioCallLog(std::string missingName)
    : missingName_(std::move(missingName)), previous_(setAudioBackend(this)) {}

AudioCallLog::~AudioCallLog() { setAudioBackend(previous_); }

bool AudioCallLog::open(int mixRate, int maxChannels) {
    calls_.push_back("open(" + std::to_string(mixRate) + ", " + std::to_string(maxChannels) + ")");
    return true;
}

void AudioCallLog::close() { calls_.push_back("close()"); }

FSOUND_STREAM* AudioCallLog::load(const char* fileName) {
    calls_.push_back(std::string("load(") + fileName + ")");
    if (missingName_ == fileName) return nullptr;
    streams_.push_back(std::make_unique<FSOUND_STREAM>());
    return streams_.back().get();
}

void AudioCallLog::release(FSOUND_STREAM* stream) {
    calls_.push_back("release(stream)");
    std::erase_if(streams_, [stream](const auto& s) { return s.get() == stream; });
}

int AudioCallLog::play(FSOUND_STREAM*, bool paused) {
    calls_.push_back(std::string("play(stream, ") + (paused ? "paused" : "playing") + ")");
    return 0;
}

bool AudioCallLog::seek(FSOUND_STREAM*, int ms) {
    calls_.push_back("seek(stream, " + std::to_string(ms) + ")");
    return true;
}

bool AudioCallLog::setPaused(int channel, bool paused) {
    calls_.push_back("setPaused(" + std::to_string(channel) + ", " + (paused ? "1" : "0") + ")");
    return true;
}

int AudioCallLog::position(FSOUND_STREAM*) { return 0; }
