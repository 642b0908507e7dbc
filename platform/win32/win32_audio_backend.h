// Win32AudioBackend: the live Windows player's music on the system's own audio: the MP3 file is
// decoded by the Audio Compression Manager's MPEG layer-3 codec when it loads, and played on the
// wave output (waveOut) of the default device, one music channel. A file the codec cannot
// decode, or a machine without a wave output, gives no stream or no channel, and the show runs
// silently on its own clock; each says so in one report line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/audio_backend.h"

class Win32AudioBackend : public AudioBackend {
public:
    Win32AudioBackend() = default;
    ~Win32AudioBackend() override;
    Win32AudioBackend(const Win32AudioBackend&) = delete;
    Win32AudioBackend& operator=(const Win32AudioBackend&) = delete;

    // true when the system has a wave output device.
    bool open(int mixRate, int maxChannels) override;
    void close() override;
    // Reads and decodes the whole MP3 file to 16-bit PCM. Null, with a report line, when it is
    // missing, is not MPEG layer 3, or the codec refuses it (or none is installed).
    FSOUND_STREAM* load(const char* fileName) override;
    void release(FSOUND_STREAM* stream) override;
    // Channel 0: the wave output opened for the stream's PCM format, its blocks queued from the
    // stream's position (paused before the first block when asked). -1 when the output cannot
    // be opened.
    int play(FSOUND_STREAM* stream, bool paused) override;
    // Moves the stream's position; on the channel the queue starts again there. false when the
    // output refused it.
    bool seek(FSOUND_STREAM* stream, int ms) override;
    // Pauses or restarts the wave output; false when it refused (nothing changed then).
    bool setPaused(int channel, bool paused) override;
    // The wave output's position while the stream is on the channel, else the position it holds.
    int position(FSOUND_STREAM* stream) override;

    // The MP3 decoding alone: the PCM samples of a whole MP3 file image (16-bit, interleaved),
    // with its rate and channel count. false when it is not MPEG layer 3 or the codec fails.
    struct Pcm {
        std::vector<uint8_t> bytes;
        int rate = 0;
        int channels = 0;
    };
    static bool decodeMp3(const uint8_t* data, size_t size, Pcm& pcm);

private:
    struct Stream;
    struct Output;
    // Stops and closes the output; false when the device would not let go of it (it is then kept).
    bool stopOutput();
    bool queueFrom(Stream* stream, int ms);

    bool audioOpen_ = false;
    bool reportedNoSound_ = false;
    Stream* channelStream_ = nullptr;  // the stream on channel 0
    Output* output_ = nullptr;         // the wave output of that stream
    // Outputs a device would not let go of, and the streams whose samples they may still read:
    // never freed.
    std::vector<Output*> abandonedOutputs_;
    std::vector<Stream*> abandonedStreams_;
};
