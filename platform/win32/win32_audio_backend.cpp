// Music through the Audio Compression Manager (MP3 to PCM) and the wave output.
#include "platform/win32/win32_audio_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/message_box.h"
#include "platform/win32/win32_api.h"

#include <mmreg.h>
#include <msacm.h>

namespace {

// Decoding stops at this much music: a file cannot make the player allocate without bound.
constexpr int kMaxSeconds = 30 * 60;
// A file larger than this is not the show's music.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;
// The wave output gets the PCM in blocks of about a quarter second.
constexpr int kBlockMs = 250;

struct FrameHeader {
    int version = 0;  // 1: MPEG 1, 2: MPEG 2, 3: MPEG 2.5
    int bitrate = 0;  // bits per second
    int rate = 0;
    int channels = 0;
    int length = 0;   // bytes of the frame
};

// Parses the four bytes of an MPEG audio layer-3 frame header.
bool parseFrameHeader(const uint8_t* p, FrameHeader& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static const int kBitratesV1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kBitratesV2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[] = {44100, 48000, 32000};
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 3;
    h.bitrate = (h.version == 1 ? kBitratesV1 : kBitratesV2)[bitrateIndex] * 1000;
    h.rate = kRates[rateIndex] >> (h.version - 1);
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int padding = (p[2] >> 1) & 1;
    h.length = (h.version == 1 ? 144 : 72) * h.bitrate / h.rate + padding;
    return true;
}

// The offset of the first frame: after an ID3v2 tag, at a header whose successor is a header too.
long findFirstFrame(const uint8_t* data, size_t size, FrameHeader& h) {
    size_t at = 0;
    if (size >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        const size_t tag = (static_cast<size_t>(data[6] & 0x7F) << 21) | ((data[7] & 0x7F) << 14) |
                           ((data[8] & 0x7F) << 7) | (data[9] & 0x7F);
        at = 10 + tag + ((data[5] & 0x10) ? 10 : 0);
    }
    for (; at + 4 <= size; ++at) {
        if (!parseFrameHeader(data + at, h)) continue;
        FrameHeader next;
        const size_t following = at + static_cast<size_t>(h.length);
        if (following + 4 > size || parseFrameHeader(data + following, next)) return static_cast<long>(at);
    }
    return -1;
}

}  // namespace

bool Win32AudioBackend::decodeMp3(const uint8_t* data, size_t size, Pcm& pcm) {
    FrameHeader first;
    const long start = data ? findFirstFrame(data, size, first) : -1;
    if (start < 0) return false;

    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(first.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(first.rate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(first.bitrate / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>(first.length);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;

    WAVEFORMATEX out{};
    out.wFormatTag = WAVE_FORMAT_PCM;
    out.nChannels = static_cast<WORD>(first.channels);
    out.nSamplesPerSec = static_cast<DWORD>(first.rate);
    out.wBitsPerSample = 16;
    out.nBlockAlign = static_cast<WORD>(first.channels * 2);
    out.nAvgBytesPerSec = out.nSamplesPerSec * out.nBlockAlign;

    HACMSTREAM acm = nullptr;
    if (acmStreamOpen(&acm, nullptr, &mp3.wfx, &out, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) return false;

    // Whole frames in, PCM out: a chunk of 64 frames at a time.
    const DWORD inSize = static_cast<DWORD>(std::max(first.length, 1441) * 64);
    DWORD outSize = 0;
    if (acmStreamSize(acm, inSize, &outSize, ACM_STREAMSIZEF_SOURCE) != 0 || outSize == 0) {
        acmStreamClose(acm, 0);
        return false;
    }
    std::vector<uint8_t> in(inSize), decoded(outSize);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = in.data();
    header.cbSrcLength = inSize;
    header.pbDst = decoded.data();
    header.cbDstLength = outSize;
    if (acmStreamPrepareHeader(acm, &header, 0) != 0) {
        acmStreamClose(acm, 0);
        return false;
    }

    const size_t limit = static_cast<size_t>(kMaxSeconds) * out.nAvgBytesPerSec;
    pcm.bytes.clear();
    size_t at = static_cast<size_t>(start);
    bool ok = true;
    for (bool last = false; !last && pcm.bytes.size() < limit;) {
        const size_t n = std::min<size_t>(inSize, size - at);
        std::memcpy(in.data(), data + at, n);
        last = at + n >= size;
        header.cbSrcLength = static_cast<DWORD>(n);
        header.cbDstLengthUsed = 0;
        header.cbSrcLengthUsed = 0;
        const DWORD flags = last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        if (acmStreamConvert(acm, &header, flags) != 0) {
            ok = false;
            break;
        }
        pcm.bytes.insert(pcm.bytes.end(), decoded.data(), decoded.data() + header.cbDstLengthUsed);
        if (header.cbSrcLengthUsed == 0 && header.cbDstLengthUsed == 0) break;  // nothing more to take
        at += header.cbSrcLengthUsed;
    }
    header.cbSrcLength = inSize;
    acmStreamUnprepareHeader(acm, &header, 0);
    acmStreamClose(acm, 0);
    if (pcm.bytes.size() > limit) pcm.bytes.resize(limit);
    pcm.bytes.resize(pcm.bytes.size() - pcm.bytes.size() % out.nBlockAlign);
    pcm.rate = first.rate;
    pcm.channels = first.channels;
    return ok && !pcm.bytes.empty();
}

struct Win32AudioBackend::Stream : FSOUND_STREAM {
    Pcm pcm;
    int positionMs = 0;  // where playback starts (or stands while not on the channel)

    int bytesPerSecond() const { return pcm.rate * pcm.channels * 2; }
    int lengthMs() const { return static_cast<int>(static_cast<int64_t>(pcm.bytes.size()) * 1000 / bytesPerSecond()); }
};

// The open wave output: its device, the queued blocks and where the queue started.
struct Win32AudioBackend::Output {
    HWAVEOUT device = nullptr;
    std::vector<WAVEHDR> blocks;
    int baseMs = 0;  // stream position of the first queued byte
    bool paused = false;

    // Stops the output and takes the blocks back from the device. false when the device still
    // holds one: the blocks (and the samples they point into) must then stay where they are.
    bool unqueue() {
        if (waveOutReset(device) != MMSYSERR_NOERROR) return false;
        for (WAVEHDR& block : blocks) {
            if (!(block.dwFlags & WHDR_PREPARED)) continue;
            // After a reset the device marks its blocks done at once, though a driver may take
            // a moment to let go of them.
            MMRESULT r = waveOutUnprepareHeader(device, &block, sizeof block);
            for (int tries = 0; r == WAVERR_STILLPLAYING && tries < 50; ++tries) {
                Sleep(10);
                r = waveOutUnprepareHeader(device, &block, sizeof block);
            }
            if (r != MMSYSERR_NOERROR) return false;
        }
        blocks.clear();
        return true;
    }
};

Win32AudioBackend::~Win32AudioBackend() { close(); }

bool Win32AudioBackend::open(int, int) {
    if (!audioOpen_) audioOpen_ = waveOutGetNumDevs() > 0;
    if (!audioOpen_ && !reportedNoSound_) {
        reportedNoSound_ = true;
        reportLine("No sound device (no wave output): playing without music.");
    }
    return audioOpen_;
}

bool Win32AudioBackend::stopOutput() {
    if (!output_) return true;
    const bool stopped = output_->unqueue() && waveOutClose(output_->device) == MMSYSERR_NOERROR;
    if (stopped) {
        delete output_;
    } else {
        // A device that would not let go may still read the blocks and the samples: they are
        // kept for the rest of the process rather than freed under it.
        abandonedOutputs_.push_back(output_);
        if (channelStream_) abandonedStreams_.push_back(channelStream_);
    }
    output_ = nullptr;
    return stopped;
}

void Win32AudioBackend::close() {
    stopOutput();
    channelStream_ = nullptr;
    audioOpen_ = false;
}

FSOUND_STREAM* Win32AudioBackend::load(const char* fileName) {
    if (!audioOpen_) return nullptr;
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) return nullptr;
    std::vector<uint8_t> bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
            bytes.resize(static_cast<size_t>(size));
            if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
        }
    }
    std::fclose(file);
    auto stream = std::make_unique<Stream>();
    if (!decodeMp3(bytes.data(), bytes.size(), stream->pcm)) {
        // No MPEG layer-3 codec installed (Windows N editions without their media pack), or a
        // file that is missing or not MP3: the show plays silently on its own clock.
        reportLine(std::string(fileName) + (bytes.empty() ? " cannot be read" : " cannot be decoded (is an MP3 codec installed?)") +
                   ": playing without music.");
        return nullptr;
    }
    return stream.release();
}

void Win32AudioBackend::release(FSOUND_STREAM* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (channelStream_ == stream) {
        stopOutput();
        channelStream_ = nullptr;
    }
    // A stream whose samples a device may still read stays allocated.
    for (const Stream* kept : abandonedStreams_)
        if (kept == stream) return;
    delete stream;
}

bool Win32AudioBackend::queueFrom(Stream* stream, int ms) {
    Output& out = *output_;
    if (!out.unqueue()) return false;
    const int64_t align = stream->pcm.channels * 2;
    const int64_t total = static_cast<int64_t>(stream->pcm.bytes.size());
    int64_t at = std::min<int64_t>(static_cast<int64_t>(ms) * stream->bytesPerSecond() / 1000, total);
    at -= at % align;
    out.baseMs = ms;
    const int64_t blockBytes = std::max<int64_t>(align, stream->bytesPerSecond() * kBlockMs / 1000 / align * align);
    out.blocks.resize(static_cast<size_t>((total - at + blockBytes - 1) / blockBytes));
    // A paused output holds the queue until it is restarted.
    if (out.paused && waveOutPause(out.device) != MMSYSERR_NOERROR) return false;
    for (WAVEHDR& block : out.blocks) {
        const int64_t n = std::min(blockBytes, total - at);
        block = WAVEHDR{};
        block.lpData = reinterpret_cast<LPSTR>(stream->pcm.bytes.data() + at);
        block.dwBufferLength = static_cast<DWORD>(n);
        if (waveOutPrepareHeader(out.device, &block, sizeof block) != MMSYSERR_NOERROR ||
            waveOutWrite(out.device, &block, sizeof block) != MMSYSERR_NOERROR)
            return false;
        at += n;
    }
    return true;
}

int Win32AudioBackend::play(FSOUND_STREAM* handle, bool paused) {
    if (!audioOpen_) return -1;
    auto* stream = static_cast<Stream*>(handle);
    const bool stopped = stopOutput();
    channelStream_ = nullptr;
    if (!stopped) return -1;

    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(stream->pcm.channels);
    format.nSamplesPerSec = static_cast<DWORD>(stream->pcm.rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(stream->pcm.channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return -1;
    output_ = new Output;
    output_->device = device;
    output_->paused = paused;
    channelStream_ = stream;
    if (!queueFrom(stream, stream->positionMs)) {
        stopOutput();
        channelStream_ = nullptr;
        return -1;
    }
    return 0;
}

bool Win32AudioBackend::seek(FSOUND_STREAM* handle, int ms) {
    if (!audioOpen_) return false;
    auto* stream = static_cast<Stream*>(handle);
    stream->positionMs = std::min(ms, stream->lengthMs());
    if (channelStream_ == stream && output_) return queueFrom(stream, stream->positionMs);
    return true;
}

bool Win32AudioBackend::setPaused(int channel, bool paused) {
    if (!audioOpen_ || channel != 0 || !channelStream_ || !output_) return false;
    if (paused != output_->paused) {
        const int at = position(channelStream_);
        if ((paused ? waveOutPause(output_->device) : waveOutRestart(output_->device)) != MMSYSERR_NOERROR) return false;
        if (paused) channelStream_->positionMs = at;
        output_->paused = paused;
    }
    return true;
}

int Win32AudioBackend::position(FSOUND_STREAM* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream != channelStream_ || !output_) return stream->positionMs;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(output_->device, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_BYTES)
        return stream->positionMs;
    const int played = static_cast<int>(static_cast<int64_t>(time.u.cb) * 1000 / stream->bytesPerSecond());
    return std::min(output_->baseMs + played, stream->lengthMs());
}
