// Decoding an audio file into its length and a min/max envelope with libavformat/libavcodec.
#include "platform/audio/posix/music_waveform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// The envelope is gathered in blocks of samples; when the blocks reach this count, neighbours are
// merged and the block doubles, so a file of any length takes bounded memory.
constexpr size_t kMaxBlocks = 1u << 16;
constexpr int64_t kFirstBlockSamples = 64;

std::string avError(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

// Sample i of channel ch of a decoded frame, scaled to -1..1.
float sampleAt(const AVFrame* frame, int channels, int ch, int i) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const uint8_t* base = planar ? frame->extended_data[ch] : frame->extended_data[0];
    const size_t index = planar ? static_cast<size_t>(i) : static_cast<size_t>(i) * channels + ch;
    double v = 0.0;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8: v = (base[index] - 128.0) / 128.0; break;
        case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const int16_t*>(base)[index] / 32768.0; break;
        case AV_SAMPLE_FMT_S32: v = reinterpret_cast<const int32_t*>(base)[index] / 2147483648.0; break;
        case AV_SAMPLE_FMT_S64: v = static_cast<double>(reinterpret_cast<const int64_t*>(base)[index]) / 9.2233720368547758e18; break;
        case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(base)[index]; break;
        case AV_SAMPLE_FMT_DBL: v = reinterpret_cast<const double*>(base)[index]; break;
        default: break;
    }
    if (!std::isfinite(v)) return 0.0f;
    return static_cast<float>(std::clamp(v, -1.0, 1.0));
}

// Min/max per block of blockSamples samples; the last block may be partial.
struct Envelope {
    int64_t blockSamples = kFirstBlockSamples;
    int64_t samples = 0;
    int sampleRate = 0;
    std::vector<float> low, high;

    void add(float lo, float hi) {
        if (samples % blockSamples == 0) {
            if (low.size() == kMaxBlocks) halve();
            low.push_back(lo);
            high.push_back(hi);
        } else {
            low.back() = std::min(low.back(), lo);
            high.back() = std::max(high.back(), hi);
        }
        ++samples;
    }
    // Merges neighbouring blocks (samples is a multiple of blockSamples here).
    void halve() {
        for (size_t i = 0; i < low.size() / 2; ++i) {
            low[i] = std::min(low[2 * i], low[2 * i + 1]);
            high[i] = std::max(high[2 * i], high[2 * i + 1]);
        }
        low.resize(low.size() / 2);
        high.resize(high.size() / 2);
        blockSamples *= 2;
    }
    void addFrame(const AVFrame* frame) {
        const int channels = frame->ch_layout.nb_channels;
        if (channels <= 0 || frame->nb_samples <= 0) return;
        if (sampleRate == 0) sampleRate = frame->sample_rate;
        for (int i = 0; i < frame->nb_samples; ++i) {
            float lo = 1.0f;
            float hi = -1.0f;
            for (int ch = 0; ch < channels; ++ch) {
                const float v = sampleAt(frame, channels, ch, i);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            add(lo, hi);
        }
    }
};

// Owns the demuxer, the decoder and their packet and frame.
struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format) avformat_close_input(&format);
    }
    // Hands every frame the decoder has ready to envelope.
    void drain(Envelope& envelope) {
        while (avcodec_receive_frame(codec, frame) >= 0) {
            envelope.addFrame(frame);
            av_frame_unref(frame);
        }
    }
};

}  // namespace

bool decodeMusicWaveform(const std::string& path, int columns, MusicWaveform* waveform, std::string* error) {
    *waveform = MusicWaveform{};
    Decoder d;
    int r = avformat_open_input(&d.format, path.c_str(), nullptr, nullptr);
    if (r < 0) {
        *error = avError(("cannot open " + path).c_str(), r);
        return false;
    }
    if ((r = avformat_find_stream_info(d.format, nullptr)) < 0) {
        *error = avError(("cannot read " + path).c_str(), r);
        return false;
    }
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream < 0 || !decoder) {
        *error = path + " holds no audio stream that can be decoded";
        return false;
    }
    d.codec = avcodec_alloc_context3(decoder);
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.codec || !d.packet || !d.frame) {
        *error = "out of memory";
        return false;
    }
    if ((r = avcodec_parameters_to_context(d.codec, d.format->streams[stream]->codecpar)) < 0 ||
        (r = avcodec_open2(d.codec, decoder, nullptr)) < 0) {
        *error = avError("cannot start the audio decoder", r);
        return false;
    }

    // Decoders warn about timestamps of skipped samples, which a waveform does not use.
    const int logLevel = av_log_get_level();
    av_log_set_level(std::min(logLevel, AV_LOG_ERROR));
    Envelope envelope;
    while (av_read_frame(d.format, d.packet) >= 0) {
        // A damaged packet is skipped; the rest of the stream still decodes.
        if (d.packet->stream_index == stream && avcodec_send_packet(d.codec, d.packet) >= 0) d.drain(envelope);
        av_packet_unref(d.packet);
    }
    if (avcodec_send_packet(d.codec, nullptr) >= 0) d.drain(envelope);
    av_log_set_level(logLevel);
    if (envelope.samples == 0 || envelope.sampleRate <= 0) {
        *error = "no audio decoded from " + path;
        return false;
    }

    waveform->seconds = static_cast<double>(envelope.samples) / envelope.sampleRate;
    const int64_t n = std::max(columns, 1);
    const int64_t total = envelope.samples;
    const int64_t lastBlock = static_cast<int64_t>(envelope.low.size()) - 1;
    waveform->low.resize(static_cast<size_t>(n));
    waveform->high.resize(static_cast<size_t>(n));
    for (int64_t c = 0; c < n; ++c) {
        // Samples [first, last] of column c; a column narrower than a sample takes the one it starts in.
        const int64_t first = std::min(c * total / n, total - 1);
        const int64_t last = std::max(first, (c + 1) * total / n - 1);
        float lo = 1.0f;
        float hi = -1.0f;
        for (int64_t b = first / envelope.blockSamples; b <= std::min(last / envelope.blockSamples, lastBlock); ++b) {
            lo = std::min(lo, envelope.low[static_cast<size_t>(b)]);
            hi = std::max(hi, envelope.high[static_cast<size_t>(b)]);
        }
        waveform->low[static_cast<size_t>(c)] = lo;
        waveform->high[static_cast<size_t>(c)] = hi;
    }
    return true;
}
