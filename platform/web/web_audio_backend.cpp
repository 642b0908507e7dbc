// The music on Web Audio: one buffer source node per start, placed by its start offset.
#include "platform/web/web_audio_backend.h"

#include <emscripten.h>

// clang-format off
EM_JS(int, demo_audio_available, (), {
    return (Module.demoAudio && Module.demoMusic) ? 1 : 0;
});
EM_JS(void, demo_music_start, (int ms), {
    const ctx = Module.demoAudio;
    if (!ctx || !Module.demoMusic) return;
    if (Module.demoSource) { try { Module.demoSource.stop(); } catch (e) {} }
    const source = ctx.createBufferSource();
    source.buffer = Module.demoMusic;
    source.connect(ctx.destination);
    const offset = Math.max(0, ms / 1000);
    Module.demoSource = source;
    Module.demoMusicStartedAt = ctx.currentTime - offset;
    if (offset < source.buffer.duration) source.start(0, offset);
});
EM_JS(void, demo_music_stop, (), {
    if (Module.demoSource) { try { Module.demoSource.stop(); } catch (e) {} }
    Module.demoSource = null;
});
EM_JS(int, demo_music_position, (), {
    const ctx = Module.demoAudio;
    if (!ctx || !Module.demoSource) return 0;
    return Math.max(0, Math.floor((ctx.currentTime - Module.demoMusicStartedAt) * 1000));
});
// clang-format on

namespace {

struct WebStream final : FSOUND_STREAM {
    int offsetMs = 0;  // where the stream stands while it does not play
    bool playing = false;
    bool paused = true;
};

}  // namespace

bool WebAudioBackend::open(int, int) {
    open_ = demo_audio_available() != 0;
    return open_;
}

void WebAudioBackend::close() {
    demo_music_stop();
    onChannel_ = nullptr;
    open_ = false;
}

FSOUND_STREAM* WebAudioBackend::load(const char*) {
    if (!open_ || !demo_audio_available()) return nullptr;
    return new WebStream();
}

void WebAudioBackend::release(FSOUND_STREAM* stream) {
    if (!stream) return;
    if (stream == onChannel_) {
        demo_music_stop();
        onChannel_ = nullptr;
    }
    delete stream;
}

int WebAudioBackend::play(FSOUND_STREAM* stream, bool paused) {
    auto* s = static_cast<WebStream*>(stream);
    if (!s || !open_) return -1;
    if (onChannel_ && onChannel_ != stream) {
        demo_music_stop();
        static_cast<WebStream*>(onChannel_)->playing = false;
    }
    onChannel_ = stream;
    s->paused = paused;
    s->playing = !paused;
    if (s->playing) demo_music_start(s->offsetMs);
    return 0;
}

bool WebAudioBackend::seek(FSOUND_STREAM* stream, int ms) {
    auto* s = static_cast<WebStream*>(stream);
    if (!s) return false;
    s->offsetMs = ms < 0 ? 0 : ms;
    if (s->playing && stream == onChannel_) demo_music_start(s->offsetMs);
    return true;
}

bool WebAudioBackend::setPaused(int channel, bool paused) {
    auto* s = static_cast<WebStream*>(onChannel_);
    if (channel != 0 || !s) return false;
    if (paused && s->playing) {
        s->offsetMs = demo_music_position();
        demo_music_stop();
        s->playing = false;
    } else if (!paused && !s->playing) {
        demo_music_start(s->offsetMs);
        s->playing = true;
    }
    s->paused = paused;
    return true;
}

int WebAudioBackend::position(FSOUND_STREAM* stream) {
    auto* s = static_cast<WebStream*>(stream);
    if (!s) return 0;
    return s->playing && stream == onChannel_ ? demo_music_position() : s->offsetMs;
}
