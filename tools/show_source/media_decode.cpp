// Audio and video decoding with libavformat, libavcodec, libswresample and libswscale.
#include "tools/show_source/media_decode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

std::string avError(const std::string& what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return what + ": " + text;
}

// The demuxer, the decoder of one stream and their packet and frame; libav's warnings about the
// stream are kept quiet while it lives.
struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int logLevel = av_log_get_level();

    Decoder() { av_log_set_level(std::min(logLevel, AV_LOG_ERROR)); }
    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        if (format) avformat_close_input(&format);
        av_log_set_level(logLevel);
    }

    // Opens path and the decoder of its best stream of type; false with the reason in error.
    bool open(const std::string& path, AVMediaType type, const char* kind, std::string* error) {
        int r = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
        if (r < 0) {
            *error = avError("cannot open " + path, r);
            return false;
        }
        if ((r = avformat_find_stream_info(format, nullptr)) < 0) {
            *error = avError("cannot read " + path, r);
            return false;
        }
        const AVCodec* decoder = nullptr;
        stream = av_find_best_stream(format, type, -1, -1, &decoder, 0);
        if (stream < 0 || !decoder) {
            *error = std::string("no ") + kind + " stream that can be decoded";
            return false;
        }
        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!codec || !packet || !frame) {
            *error = "out of memory";
            return false;
        }
        if ((r = avcodec_parameters_to_context(codec, format->streams[stream]->codecpar)) < 0 ||
            (r = avcodec_open2(codec, decoder, nullptr)) < 0) {
            *error = avError(std::string("cannot start the ") + kind + " decoder", r);
            return false;
        }
        return true;
    }

    // Hands every decoded frame to use until use returns false; damaged packets are skipped.
    void run(const std::function<bool(AVFrame*)>& use) {
        bool more = true;
        auto drain = [&] {
            while (more && avcodec_receive_frame(codec, frame) >= 0) {
                more = use(frame);
                av_frame_unref(frame);
            }
        };
        while (more && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(codec, packet) >= 0) drain();
            av_packet_unref(packet);
        }
        if (more && avcodec_send_packet(codec, nullptr) >= 0) drain();
    }
};

}  // namespace

bool probeAudioFile(const std::string& path, std::string* error) {
    Decoder d;
    return d.open(path, AVMEDIA_TYPE_AUDIO, "audio", error);
}

bool decodeAudioFile(const std::string& path, int rate, double maxSeconds, std::vector<int16_t>* stereo,
                     std::string* error) {
    stereo->clear();
    Decoder d;
    if (!d.open(path, AVMEDIA_TYPE_AUDIO, "audio", error)) return false;
    SwrContext* resampler = nullptr;
    AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
    const size_t limit = static_cast<size_t>(std::max(maxSeconds, 0.0) * rate) * 2;
    bool tooLong = false;
    bool failed = false;
    std::vector<int16_t> block;
    auto convert = [&](const uint8_t** in, int count) {
        const int room = swr_get_out_samples(resampler, count);
        if (room <= 0) return;
        block.resize(static_cast<size_t>(room) * 2);
        uint8_t* outData[1] = {reinterpret_cast<uint8_t*>(block.data())};
        const int made = swr_convert(resampler, outData, room, in, count);
        if (made > 0) stereo->insert(stereo->end(), block.begin(), block.begin() + 2 * static_cast<ptrdiff_t>(made));
        if (stereo->size() > limit) tooLong = true;
    };
    d.run([&](AVFrame* frame) {
        if (!resampler) {
            AVChannelLayout in{};
            if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
                av_channel_layout_default(&in, std::max(frame->ch_layout.nb_channels, 1));
            else
                av_channel_layout_copy(&in, &frame->ch_layout);
            const int r = swr_alloc_set_opts2(&resampler, &out, AV_SAMPLE_FMT_S16, rate, &in,
                                              static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                              nullptr);
            av_channel_layout_uninit(&in);
            if (r < 0 || swr_init(resampler) < 0) {
                failed = true;
                return false;
            }
        }
        convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        return !tooLong;
    });
    if (resampler && !tooLong && !failed) convert(nullptr, 0);
    swr_free(&resampler);
    if (failed) {
        *error = "cannot convert the audio of " + path;
        return false;
    }
    if (tooLong) {
        stereo->clear();
        char text[64];
        std::snprintf(text, sizeof text, "music of at most %.0f seconds", maxSeconds);
        *error = text;
        return false;
    }
    if (stereo->empty()) {
        *error = "no audio decoded from " + path;
        return false;
    }
    return true;
}

bool decodeVideoFrames(const std::string& path, double framesPerSecond, int maxFrames, int maxSide,
                       std::vector<RgbaImage>* frames, std::string* error) {
    frames->clear();
    Decoder d;
    if (!d.open(path, AVMEDIA_TYPE_VIDEO, "video", error)) return false;
    const AVStream* stream = d.format->streams[d.stream];
    const double timeBase = av_q2d(stream->time_base);
    SwsContext* scaler = nullptr;
    RgbaImage shown;  // the picture on screen since shownAt
    double shownAt = 0.0;
    double firstAt = 0.0;
    double lastStep = 0.0;  // the time between the last two pictures
    bool any = false;
    int next = 0;  // the next stored frame to fill
    auto target = [&](int i) { return i / framesPerSecond; };
    auto convert = [&](AVFrame* frame, RgbaImage* image) {
        int w = frame->width;
        int h = frame->height;
        if (w <= 0 || h <= 0) return false;
        if (w > maxSide || h > maxSide) {
            const double scale = std::min(static_cast<double>(maxSide) / w, static_cast<double>(maxSide) / h);
            w = std::max(1, static_cast<int>(w * scale));
            h = std::max(1, static_cast<int>(h * scale));
        }
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), w,
                                      h, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler) return false;
        image->width = w;
        image->height = h;
        image->pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
        uint8_t* out[1] = {image->pixels.data()};
        const int stride[1] = {w * 4};
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, out, stride);
        return true;
    };
    bool failed = false;
    // Kept pictures are bounded so that a long clip cannot exhaust memory.
    constexpr size_t kMaxKeptBytes = size_t(768) << 20;
    size_t kept = 0;
    auto keep = [&] {
        kept += shown.pixels.size();
        frames->push_back(shown);
        ++next;
        return kept <= kMaxKeptBytes;
    };
    bool tooLong = false;
    d.run([&](AVFrame* frame) {
        const int64_t stamp = frame->best_effort_timestamp;
        double at = stamp == AV_NOPTS_VALUE ? shownAt + lastStep : stamp * timeBase;
        if (!any) firstAt = at;
        at -= firstAt;
        // Frames that were on screen at the stored frames' times before this one came.
        while (any && next < maxFrames && target(next) < at) {
            if (!keep()) {
                tooLong = true;
                return false;
            }
        }
        if (next >= maxFrames) return false;
        if (any) lastStep = at - shownAt;
        if (!convert(frame, &shown)) {
            failed = true;
            return false;
        }
        shownAt = at;
        any = true;
        return true;
    });
    sws_freeContext(scaler);
    if (failed) {
        *error = "cannot convert the pictures of " + path;
        return false;
    }
    if (!any) {
        *error = "no picture decoded from " + path;
        return false;
    }
    if (tooLong) {
        frames->clear();
        *error = "a shorter clip (its pictures take more than 768 MiB)";
        return false;
    }
    // The last picture stays for its own duration.
    double step = lastStep;
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0) step = 1.0 / av_q2d(stream->avg_frame_rate);
    if (step <= 0.0) step = 1.0 / framesPerSecond;
    while (next < maxFrames && (next == 0 || target(next) < shownAt + step)) {
        if (!keep()) {
            frames->clear();
            *error = "a shorter clip (its pictures take more than 768 MiB)";
            return false;
        }
    }
    return true;
}
