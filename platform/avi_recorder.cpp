// AVI writing on libavformat/libavcodec: raw 24-bit bitmaps stored as they come, any other codec
// through its encoder, and an optional MP3 stream copied packet by packet.
#include "platform/avi_recorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

const char* const kDefaultAviCodec = "ffv1";

namespace {

const char* kCompressedStreamFailed = "AVI Compressed Stream creation failed.";
const char* kStreamFailed = "AVI Stream creation failed. Check Bitmap info.";

// Pixel formats the frames convert to without loss, in order of preference.
AVPixelFormat choosePixelFormat(const AVCodec* codec) {
    const AVPixelFormat preferred[] = {AV_PIX_FMT_BGR24, AV_PIX_FMT_BGR0, AV_PIX_FMT_BGRA, AV_PIX_FMT_RGB24,
                                       AV_PIX_FMT_0RGB32, AV_PIX_FMT_RGB0, AV_PIX_FMT_GBRP};
    if (!codec->pix_fmts) return AV_PIX_FMT_BGR24;
    for (AVPixelFormat want : preferred)
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            if (*p == want) return want;
    return codec->pix_fmts[0];
}

}  // namespace

struct AviRecorder::State {
    std::string tempPath;
    std::string finalPath;
    int width = 0;
    int height = 0;
    int fps = 0;
    bool failed = false;

    AVFormatContext* out = nullptr;
    AVStream* video = nullptr;
    // Raw path: frames stored as bottom-up BGR bitmaps, rows padded to 4 bytes.
    bool raw = false;
    int rawStride = 0;
    // Encoder path.
    AVCodecContext* encoder = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;

    // Audio copied from an MP3 file.
    AVFormatContext* audioIn = nullptr;
    int audioIndex = -1;
    AVStream* audio = nullptr;
    AVPacket* audioPacket = nullptr;
    bool audioPending = false;
    bool audioDone = true;
    int64_t audioStartPts = 0;

    ~State() {
        if (scaler) sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        av_packet_free(&audioPacket);
        avcodec_free_context(&encoder);
        if (audioIn) avformat_close_input(&audioIn);
        if (out) {
            if (out->pb) avio_closep(&out->pb);
            avformat_free_context(out);
        }
    }

    // Copies audio packets whose time (from the start position) lies before untilSeconds.
    int pumpAudio(double untilSeconds) {
        if (!audio) return 0;
        AVStream* in = audioIn->streams[audioIndex];
        while (!audioDone) {
            if (!audioPending) {
                if (av_read_frame(audioIn, audioPacket) < 0) {
                    audioDone = true;
                    break;
                }
                if (audioPacket->stream_index != audioIndex) {
                    av_packet_unref(audioPacket);
                    continue;
                }
                if (audioPacket->pts == AV_NOPTS_VALUE) audioPacket->pts = audioPacket->dts;
                if (audioPacket->pts == AV_NOPTS_VALUE || audioPacket->pts < audioStartPts) {
                    av_packet_unref(audioPacket);
                    continue;
                }
                audioPending = true;
            }
            const double t = static_cast<double>(audioPacket->pts - audioStartPts) * av_q2d(in->time_base);
            if (t >= untilSeconds) break;
            audioPacket->pts -= audioStartPts;
            audioPacket->dts = audioPacket->pts;
            av_packet_rescale_ts(audioPacket, in->time_base, audio->time_base);
            audioPacket->stream_index = audio->index;
            audioPacket->pos = -1;
            audioPending = false;
            const int r = av_interleaved_write_frame(out, audioPacket);
            if (r < 0) return r;
        }
        return 0;
    }

    // Writes every packet the encoder has ready.
    int drainEncoder() {
        for (;;) {
            int r = avcodec_receive_packet(encoder, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return 0;
            if (r < 0) return r;
            av_packet_rescale_ts(packet, encoder->time_base, video->time_base);
            packet->stream_index = video->index;
            r = av_interleaved_write_frame(out, packet);
            if (r < 0) return r;
        }
    }
};

AviRecorder::AviRecorder() = default;

AviRecorder::~AviRecorder() { finish(); }

bool AviRecorder::isOpen() const { return state_ != nullptr && !state_->failed; }

void AviRecorder::discard() {
    if (!state_) return;
    const std::string temp = state_->tempPath;
    state_.reset();
    std::remove(temp.c_str());
}

int AviRecorder::fail(int code, const std::string& text) {
    status_ = text;
    discard();
    return code < 0 ? code : AVERROR(EINVAL);
}

int AviRecorder::open(const std::string& path, int width, int height, int fps, const std::string& codecName,
                      const std::string& audioPath, double audioStartSeconds) {
    fileName_ = path;
    framesPerSecond_ = fps;
    codecName_ = codecName;
    audioPath_ = audioPath;
    audioStartSeconds_ = audioStartSeconds;
    return open(width, height);
}

int AviRecorder::open(int width, int height) {
    finish();
    status_ = "Ok";
    frameIndex_ = 0;
    if (width <= 0 || height <= 0 || framesPerSecond_ <= 0 || width > 16384 || height > 16384)
        return fail(AVERROR(EINVAL), kStreamFailed);

    const std::string name = codecName_.empty() ? kDefaultAviCodec : codecName_;
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) return fail(AVERROR_ENCODER_NOT_FOUND, std::string(kCompressedStreamFailed) + " A suitable compressor cannot be found.");
    if (codec->type != AVMEDIA_TYPE_VIDEO)
        return fail(AVERROR(EINVAL), std::string(kCompressedStreamFailed) +
                                         "Compression is not supported for this type of data. This error might be "
                                         "returned if you try to compress data that is not audio or video.");

    state_ = std::make_unique<State>();
    State& s = *state_;
    s.finalPath = fileName_;
    s.tempPath = temporaryNameFor(fileName_);
    s.width = width;
    s.height = height;
    s.fps = framesPerSecond_;
    const std::string engineFailed = "AVI Engine failed to initialize. Check filename " + fileName_ + ".";

    int r = avformat_alloc_output_context2(&s.out, nullptr, "avi", s.tempPath.c_str());
    if (r < 0 || !s.out) return fail(r, engineFailed);

    s.video = avformat_new_stream(s.out, nullptr);
    if (!s.video) return fail(AVERROR(ENOMEM), kStreamFailed);
    s.video->time_base = AVRational{1, s.fps};
    s.video->avg_frame_rate = AVRational{s.fps, 1};

    s.packet = av_packet_alloc();
    if (!s.packet) return fail(AVERROR(ENOMEM), kCompressedStreamFailed);
    s.raw = codec->id == AV_CODEC_ID_RAWVIDEO;
    if (s.raw) {
        // Stored exactly as Windows bitmaps: BGR, bottom row first, rows padded to 4 bytes.
        s.rawStride = (width * 3 + 3) & ~3;
        AVCodecParameters* par = s.video->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->format = AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = 24;
        par->width = width;
        par->height = height;
    } else {
        s.encoder = avcodec_alloc_context3(codec);
        if (!s.encoder) return fail(AVERROR(ENOMEM), kCompressedStreamFailed);
        s.encoder->width = width;
        s.encoder->height = height;
        s.encoder->time_base = AVRational{1, s.fps};
        s.encoder->framerate = AVRational{s.fps, 1};
        s.encoder->pix_fmt = choosePixelFormat(codec);
        if (s.out->oformat->flags & AVFMT_GLOBALHEADER) s.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        r = avcodec_open2(s.encoder, codec, nullptr);
        if (r < 0)
            return fail(r, std::string(kCompressedStreamFailed) +
                               (r == AVERROR(ENOMEM) ? " There is not enough memory to complete the operation." : ""));
        r = avcodec_parameters_from_context(s.video->codecpar, s.encoder);
        if (r < 0) return fail(r, kCompressedStreamFailed);

        s.frame = av_frame_alloc();
        if (!s.frame) return fail(AVERROR(ENOMEM), kCompressedStreamFailed);
        s.frame->format = s.encoder->pix_fmt;
        s.frame->width = width;
        s.frame->height = height;
        r = av_frame_get_buffer(s.frame, 0);
        if (r < 0) return fail(r, kCompressedStreamFailed);
        s.scaler = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, s.encoder->pix_fmt,
                                  SWS_POINT | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
        if (!s.scaler) return fail(AVERROR(EINVAL), kCompressedStreamFailed);
    }

    if (!audioPath_.empty()) {
        const std::string audioFailed = "Audio stream could not be opened: " + audioPath_ + ".";
        r = avformat_open_input(&s.audioIn, audioPath_.c_str(), nullptr, nullptr);
        if (r < 0) return fail(r, audioFailed);
        r = avformat_find_stream_info(s.audioIn, nullptr);
        if (r < 0) return fail(r, audioFailed);
        s.audioIndex = av_find_best_stream(s.audioIn, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (s.audioIndex < 0) return fail(s.audioIndex, audioFailed);
        AVStream* in = s.audioIn->streams[s.audioIndex];
        s.audio = avformat_new_stream(s.out, nullptr);
        if (!s.audio) return fail(AVERROR(ENOMEM), audioFailed);
        r = avcodec_parameters_copy(s.audio->codecpar, in->codecpar);
        if (r < 0) return fail(r, audioFailed);
        s.audio->codecpar->codec_tag = 0;
        s.audio->time_base = in->time_base;
        s.audioPacket = av_packet_alloc();
        if (!s.audioPacket) return fail(AVERROR(ENOMEM), audioFailed);
        const int64_t origin = in->start_time != AV_NOPTS_VALUE ? in->start_time : 0;
        const double start = audioStartSeconds_ > 0.0 ? audioStartSeconds_ : 0.0;
        s.audioStartPts = origin + av_rescale_q(static_cast<int64_t>(start * AV_TIME_BASE), AV_TIME_BASE_Q, in->time_base);
        if (start > 0.0) av_seek_frame(s.audioIn, s.audioIndex, s.audioStartPts, AVSEEK_FLAG_BACKWARD);
        s.audioDone = false;
    }

    r = avio_open(&s.out->pb, s.tempPath.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) {
        std::string reason;
        if (r == AVERROR(ENOMEM)) {
            reason = "The file could not be opened because of insufficient memory.";
        } else {
            reason = "A disk error occurred while opening the file.";
        }
        return fail(r, engineFailed + reason);
    }
    AVDictionary* options = nullptr;
    if (s.raw) av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    r = avformat_write_header(s.out, &options);
    av_dict_free(&options);
    if (r < 0) return fail(r, "AVI Compressed Stream format setting failed.");
    return 0;
}

int AviRecorder::writeFrame(const uint8_t* bgrBottomUp) {
    if (!state_ || state_->failed) return AVERROR(EINVAL);
    if (!bgrBottomUp) return AVERROR(EINVAL);
    State& s = *state_;
    int r = s.pumpAudio(static_cast<double>(frameIndex_ + 1) / s.fps);
    const int tightStride = s.width * 3;
    if (r >= 0 && s.raw) {
        r = av_new_packet(s.packet, s.rawStride * s.height);
        if (r >= 0) {
            for (int y = 0; y < s.height; ++y) {
                uint8_t* row = s.packet->data + static_cast<size_t>(y) * s.rawStride;
                std::memcpy(row, bgrBottomUp + static_cast<size_t>(y) * tightStride, tightStride);
                std::memset(row + tightStride, 0, s.rawStride - tightStride);
            }
            s.packet->pts = s.packet->dts = frameIndex_;
            s.packet->duration = 1;
            s.packet->flags |= AV_PKT_FLAG_KEY;
            s.packet->stream_index = s.video->index;
            av_packet_rescale_ts(s.packet, AVRational{1, s.fps}, s.video->time_base);
            r = av_interleaved_write_frame(s.out, s.packet);
        }
    } else if (r >= 0) {
        r = av_frame_make_writable(s.frame);
        if (r >= 0) {
            // Read the bottom-up rows from the last one upwards: the encoder takes the top row first.
            const uint8_t* source[1] = {bgrBottomUp + static_cast<size_t>(s.height - 1) * tightStride};
            const int strides[1] = {-tightStride};
            sws_scale(s.scaler, source, strides, 0, s.height, s.frame->data, s.frame->linesize);
            s.frame->pts = frameIndex_;
            r = avcodec_send_frame(s.encoder, s.frame);
            if (r >= 0) r = s.drainEncoder();
        }
    }
    if (r < 0) {
        s.failed = true;
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(r, text, sizeof text);
        status_ = std::string("AVI frame write failed: ") + text;
        return r;
    }
    ++frameIndex_;
    return 0;
}

int AviRecorder::finish() {
    if (!state_) return 0;
    State& s = *state_;
    int r = s.failed ? AVERROR(EIO) : 0;
    if (r == 0 && s.encoder) {
        r = avcodec_send_frame(s.encoder, nullptr);
        if (r >= 0) r = s.drainEncoder();
    }
    if (r >= 0) r = s.pumpAudio(static_cast<double>(frameIndex_) / s.fps);
    if (r >= 0) r = av_write_trailer(s.out);
    if (r >= 0 && s.out->pb) {
        avio_flush(s.out->pb);
        if (s.out->pb->error < 0) r = s.out->pb->error;
    }
    if (s.out->pb) {
        const int closed = avio_closep(&s.out->pb);
        if (r >= 0 && closed < 0) r = closed;
    }
    if (r >= 0 && std::rename(s.tempPath.c_str(), s.finalPath.c_str()) != 0) r = AVERROR(errno);
    if (r < 0) {
        if (!s.failed) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(r, text, sizeof text);
            status_ = std::string("AVI file could not be completed: ") + text;
        }
        discard();
        return r;
    }
    state_.reset();
    return 0;
}
