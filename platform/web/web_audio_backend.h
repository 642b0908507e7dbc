// WebAudioBackend: the music through the page's Web Audio context. The page decodes "music.mp3"
// itself (the browser's MP3 decoder) into Module.demoMusic and creates Module.demoAudio on the
// visitor's gesture; this backend starts, stops and places that buffer. Without a context or a
// decoded buffer it opens nothing and the show runs silently.
#pragma once

#include "platform/core/audio_backend.h"

class WebAudioBackend final : public AudioBackend {
public:
    bool open(int mixRate, int maxChannels) override;
    void close() override;
    FSOUND_STREAM* load(const char* fileName) override;
    void release(FSOUND_STREAM* stream) override;
    int play(FSOUND_STREAM* stream, bool paused) override;
    bool seek(FSOUND_STREAM* stream, int ms) override;
    bool setPaused(int channel, bool paused) override;
    int position(FSOUND_STREAM* stream) override;

private:
    bool open_ = false;
    FSOUND_STREAM* onChannel_ = nullptr;
};
