// Video files on libavformat/libavcodec: raw 24-bit bitmaps stored as they come in AVI, any other
// codec through its encoder, and an optional MP3 stream copied packet by packet.
#include "platform/recorder/avi_recorder.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
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

// Frames waiting for the encoder at most: enough to keep drawing while a slow frame is encoded,
// few enough that memory stays flat whatever the length of the recording.
constexpr int kQueueDepth = 3;

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

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

struct Container {
    const char* extension;
    const char* muxer;
    const char* defaultCodec;
};
const Container kContainers[] = {
    {".avi", "avi", kDefaultAviCodec},
    {".mkv", "matroska", kDefaultAviCodec},
    {".mp4", "mp4", kDefaultShareCodec},
    {".mov", "mov", kDefaultShareCodec},
};

const Container* findContainer(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Container& c : kContainers)
        if (extension == c.extension) return &c;
    return nullptr;
}

// Whether the muxer has a way to store the codec, its compatibility modes included (Matroska keeps
// codecs without a native identifier the way AVI does).
bool canHold(const AVOutputFormat* format, AVCodecID codec) {
    return avformat_query_codec(format, codec, FF_COMPLIANCE_EXPERIMENTAL) == 1;
}

bool isYuv(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
}

bool isFullRangeYuv(AVPixelFormat format) {
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

// Sets why to text and returns code, for the set-up steps whose caller reports the failure.
int failure(std::string& why, int code, const std::string& text) {
    why = text;
    return code < 0 ? code : AVERROR(EINVAL);
}

}  // namespace

struct AviRecorder::State {
    std::string tempPath;
    std::string finalPath;
    int width = 0;
    int height = 0;
    int fps = 0;
    bool playsUnfinished = false;  // the container is read front to back, without its index
    bool failed = false;  // a frame failed and the caller has been told; no more frames are taken

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

    // Frames handed over by writeFrame wait in a ring of buffers; the worker thread encodes and
    // writes them in order while the caller draws the next ones. Guarded by mutex.
    std::vector<std::vector<uint8_t>> ring;
    int head = 0;          // the oldest frame in the ring, the one being encoded
    int waiting = 0;       // frames in the ring
    bool closing = false;  // no more frames will come: the worker ends once the ring is empty
    int error = 0;         // the worker's first failure; the frames after it are dropped
    std::string errorStatus;
    int64_t written = 0;   // frames encoded and handed to the file
    int64_t failingFrame = -1;  // the frame made to fail (setFailingFrame)
    double encodeSeconds = 0.0;  // the worker's time on them
    std::mutex mutex;
    std::condition_variable changed;
    std::thread worker;

    ~State() {
        stopWorker();
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

    // Encodes frame index (BGR, bottom row first) and writes it, after the audio that comes before
    // its end. Runs on the worker thread.
    int encodeFrame(const uint8_t* bgrBottomUp, int64_t index) {
        int r = pumpAudio(static_cast<double>(index + 1) / fps);
        if (r < 0) return r;
        const int tightStride = width * 3;
        if (raw) {
            r = av_new_packet(packet, rawStride * height);
            if (r < 0) return r;
            for (int y = 0; y < height; ++y) {
                uint8_t* row = packet->data + static_cast<size_t>(y) * rawStride;
                std::memcpy(row, bgrBottomUp + static_cast<size_t>(y) * tightStride, tightStride);
                std::memset(row + tightStride, 0, rawStride - tightStride);
            }
            packet->pts = packet->dts = index;
            packet->duration = 1;
            packet->flags |= AV_PKT_FLAG_KEY;
            packet->stream_index = video->index;
            av_packet_rescale_ts(packet, AVRational{1, fps}, video->time_base);
            return av_interleaved_write_frame(out, packet);
        }
        r = av_frame_make_writable(frame);
        if (r < 0) return r;
        // Read the bottom-up rows from the last one upwards: the encoder takes the top row first.
        const uint8_t* source[1] = {bgrBottomUp + static_cast<size_t>(height - 1) * tightStride};
        const int strides[1] = {-tightStride};
        sws_scale(scaler, source, strides, 0, height, frame->data, frame->linesize);
        frame->pts = index;
        r = avcodec_send_frame(encoder, frame);
        return r < 0 ? r : drainEncoder();
    }

    // The worker: encodes the ring's frames in order until closing with an empty ring.
    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return waiting > 0 || closing; });
            if (waiting == 0) return;
            const int slot = head;
            const int64_t index = written;
            const bool drop = error != 0;
            lock.unlock();
            const auto started = std::chrono::steady_clock::now();
            const int r = drop ? 0 : index == failingFrame ? AVERROR(EIO) : encodeFrame(ring[slot].data(), index);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            lock.lock();
            encodeSeconds += seconds;
            if (!drop && r < 0) {
                error = r;
                errorStatus = "frame " + std::to_string(index + 1) + " could not be written: " + errorText(r);
            } else if (!drop) {
                ++written;
            }
            head = (head + 1) % kQueueDepth;
            --waiting;
            changed.notify_all();
        }
    }

    void startWorker() {
        ring.assign(kQueueDepth, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3));
        worker = std::thread([this] { run(); });
    }

    // Lets the worker finish the frames it holds, and waits for it.
    void stopWorker() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        changed.notify_all();
        worker.join();
    }

    // The stream stores frames as they come: BGR, bottom row first, rows padded to 4 bytes,
    // exactly as Windows bitmaps.
    void setUpRawVideo() {
        rawStride = (width * 3 + 3) & ~3;
        AVCodecParameters* par = video->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->format = AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = 24;
        par->width = width;
        par->height = height;
    }

    // Opens codec (named name; crf when the codec takes one and crf >= 0) for the video stream,
    // with the frame and the converter from BGR that encodeFrame uses. 0, or the library's error
    // with why set to the status text.
    int setUpEncoder(const AVCodec* codec, const std::string& name, int crf, std::string& why) {
        encoder = avcodec_alloc_context3(codec);
        if (!encoder) return failure(why, AVERROR(ENOMEM), kCompressedStreamFailed);
        encoder->width = width;
        encoder->height = height;
        encoder->time_base = AVRational{1, fps};
        encoder->framerate = AVRational{fps, 1};
        encoder->pix_fmt = choosePixelFormat(codec);
        // Codecs with threads use every core; ffv1 splits frames into slices from its version 3 on.
        encoder->thread_count = 0;
        if (codec->id == AV_CODEC_ID_FFV1) {
            encoder->level = 3;
            encoder->slices = 4;
        }
        const bool yuv = isYuv(encoder->pix_fmt);
        const bool fullRange = isFullRangeYuv(encoder->pix_fmt);
        if (yuv) {
            // Converted with the HD matrix and tagged so, so that players show the colours drawn.
            encoder->colorspace = AVCOL_SPC_BT709;
            encoder->color_primaries = AVCOL_PRI_BT709;
            encoder->color_trc = AVCOL_TRC_BT709;
            encoder->color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
        }
        if (out->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* codecOptions = nullptr;
        if (codecHasCrf(name)) av_dict_set_int(&codecOptions, "crf", crf >= 0 ? crf : kDefaultCrf, 0);
        int r = avcodec_open2(encoder, codec, &codecOptions);
        av_dict_free(&codecOptions);
        if (r < 0)
            return failure(why, r, std::string(kCompressedStreamFailed) +
                                   (r == AVERROR(ENOMEM) ? " There is not enough memory to complete the operation." : ""));
        r = avcodec_parameters_from_context(video->codecpar, encoder);
        if (r < 0) return failure(why, r, kCompressedStreamFailed);

        frame = av_frame_alloc();
        if (!frame) return failure(why, AVERROR(ENOMEM), kCompressedStreamFailed);
        frame->format = encoder->pix_fmt;
        frame->width = width;
        frame->height = height;
        r = av_frame_get_buffer(frame, 0);
        if (r < 0) return failure(why, r, kCompressedStreamFailed);
        // RGB targets take the pixels as they are (a reordering of bytes: the exact-rounding
        // flags would only send it down the library's slow general path, for the same bytes);
        // subsampled chroma is averaged with exact rounding.
        scaler = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, encoder->pix_fmt,
                                yuv ? SWS_BILINEAR | SWS_ACCURATE_RND | SWS_BITEXACT : SWS_POINT, nullptr, nullptr,
                                nullptr);
        if (!scaler) return failure(why, AVERROR(EINVAL), kCompressedStreamFailed);
        if (yuv) {
            const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(scaler, bt709, 1, bt709, fullRange ? 1 : 0, 0, 1 << 16, 1 << 16);
        }
        return 0;
    }

    // Adds a copy of the audio stream of the file at path, from startSeconds on. 0, or the
    // library's error with why set to the status text.
    int setUpAudio(const std::string& path, double startSeconds, std::string& why) {
        const std::string audioFailed = "Audio stream could not be opened: " + path + ".";
        int r = avformat_open_input(&audioIn, path.c_str(), nullptr, nullptr);
        if (r < 0) return failure(why, r, audioFailed);
        r = avformat_find_stream_info(audioIn, nullptr);
        if (r < 0) return failure(why, r, audioFailed);
        audioIndex = av_find_best_stream(audioIn, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (audioIndex < 0) return failure(why, audioIndex, audioFailed);
        AVStream* in = audioIn->streams[audioIndex];
        audio = avformat_new_stream(out, nullptr);
        if (!audio) return failure(why, AVERROR(ENOMEM), audioFailed);
        if (!canHold(out->oformat, in->codecpar->codec_id))
            return failure(why, AVERROR(EINVAL), audioFailed + " Its codec cannot be stored in this kind of file.");
        r = avcodec_parameters_copy(audio->codecpar, in->codecpar);
        if (r < 0) return failure(why, r, audioFailed);
        audio->codecpar->codec_tag = 0;
        audio->time_base = in->time_base;
        audioPacket = av_packet_alloc();
        if (!audioPacket) return failure(why, AVERROR(ENOMEM), audioFailed);
        const int64_t origin = in->start_time != AV_NOPTS_VALUE ? in->start_time : 0;
        const double start = startSeconds > 0.0 ? startSeconds : 0.0;
        audioStartPts = origin + av_rescale_q(static_cast<int64_t>(start * AV_TIME_BASE), AV_TIME_BASE_Q, in->time_base);
        if (start > 0.0) av_seek_frame(audioIn, audioIndex, audioStartPts, AVSEEK_FLAG_BACKWARD);
        audioDone = false;
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

const char* AviRecorder::containerFor(const std::string& path) {
    const Container* c = findContainer(path);
    return c ? c->muxer : nullptr;
}

std::string AviRecorder::defaultCodecFor(const std::string& path) {
    const Container* c = findContainer(path);
    return c ? c->defaultCodec : kDefaultAviCodec;
}

std::string AviRecorder::checkOutput(const std::string& path, const std::string& codecName) {
    const Container* c = findContainer(path);
    if (!c) return "cannot tell the kind of video from the name " + path + " (use .avi, .mkv, .mp4 or .mov)";
    const std::string name = codecName.empty() ? c->defaultCodec : codecName;
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO) return "";
    const AVOutputFormat* format = av_guess_format(c->muxer, nullptr, nullptr);
    if (!format) return std::string("this build of libavformat cannot write ") + c->extension + " files";
    // Raw frames are stored as bitmaps, which only AVI takes as they are.
    if (!canHold(format, codec->id) || (codec->id == AV_CODEC_ID_RAWVIDEO && std::strcmp(c->muxer, "avi") != 0))
        return std::string("a ") + c->extension + " file cannot hold " + name + " video (its default is " +
               c->defaultCodec + ")";
    return "";
}

bool AviRecorder::codecHasCrf(const std::string& codecName) {
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName.c_str());
    if (!codec || !codec->priv_class) return false;
    const AVClass* options = codec->priv_class;  // searched through a pointer to the class, as the API asks
    return av_opt_find2(const_cast<AVClass**>(&options), "crf", nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ, nullptr) != nullptr;
}

void AviRecorder::setLibraryVerbose(bool verbose) { av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_ERROR); }

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

int AviRecorder::open(int width, int height) {
    finish();
    status_ = "Ok";
    frameIndex_ = 0;
    framesWritten_ = 0;
    encodeSeconds_ = 0.0;
    fileKept_ = false;
    partialKept_ = false;
    if (width <= 0 || height <= 0 || framesPerSecond_ <= 0 || width > 16384 || height > 16384)
        return fail(AVERROR(EINVAL), kStreamFailed);

    const std::string name = codecName_.empty() ? defaultCodecFor(fileName_) : codecName_;
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

    const Container* container = findContainer(fileName_);
    if (!container) return fail(AVERROR(EINVAL), engineFailed + " " + checkOutput(fileName_, name) + ".");
    int r = avformat_alloc_output_context2(&s.out, nullptr, container->muxer, s.tempPath.c_str());
    if (r < 0 || !s.out) return fail(r, engineFailed);
    const std::string unusable = checkOutput(fileName_, name);
    if (!unusable.empty()) return fail(AVERROR(EINVAL), std::string(kCompressedStreamFailed) + " " + unusable + ".");

    s.video = avformat_new_stream(s.out, nullptr);
    if (!s.video) return fail(AVERROR(ENOMEM), kStreamFailed);
    s.video->time_base = AVRational{1, s.fps};
    s.video->avg_frame_rate = AVRational{s.fps, 1};

    s.packet = av_packet_alloc();
    if (!s.packet) return fail(AVERROR(ENOMEM), kCompressedStreamFailed);
    s.raw = codec->id == AV_CODEC_ID_RAWVIDEO;
    s.playsUnfinished = !std::strcmp(container->muxer, "avi") || !std::strcmp(container->muxer, "matroska");
    std::string why;
    if (s.raw) {
        s.setUpRawVideo();
    } else {
        r = s.setUpEncoder(codec, name, crf_, why);
        if (r < 0) return fail(r, why);
    }
    if (!audioPath_.empty()) {
        r = s.setUpAudio(audioPath_, audioStartSeconds_, why);
        if (r < 0) return fail(r, why);
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
    // MP4 and QuickTime: the index at the front, so that the file plays while it downloads.
    if (!std::strcmp(container->muxer, "mp4") || !std::strcmp(container->muxer, "mov"))
        av_dict_set(&options, "movflags", "+faststart", 0);
    r = avformat_write_header(s.out, &options);
    av_dict_free(&options);
    if (r < 0) return fail(r, "AVI Compressed Stream format setting failed.");
    s.failingFrame = failingFrame_;
    s.startWorker();
    return 0;
}

int AviRecorder::writeFrame(const uint8_t* bgrBottomUp) {
    if (!state_ || state_->failed) return AVERROR(EINVAL);
    if (!bgrBottomUp) return AVERROR(EINVAL);
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.changed.wait(lock, [&s] { return s.waiting < kQueueDepth || s.error != 0; });
    if (s.error != 0) {
        s.failed = true;
        status_ = s.errorStatus;
        return s.error;
    }
    // The slot after the waiting frames is not the worker's: fill it without the lock.
    std::vector<uint8_t>& slot = s.ring[(s.head + s.waiting) % kQueueDepth];
    lock.unlock();
    std::memcpy(slot.data(), bgrBottomUp, slot.size());
    lock.lock();
    ++s.waiting;
    lock.unlock();
    s.changed.notify_all();
    ++frameIndex_;
    return 0;
}

void AviRecorder::waitForFrames() {
    if (!state_) return;
    State& s = *state_;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.changed.wait(lock, [&s] { return s.waiting == 0 || !s.worker.joinable(); });
}

int AviRecorder::finish() {
    if (!state_) return 0;
    State& s = *state_;
    s.stopWorker();
    framesWritten_ = s.written;
    encodeSeconds_ = s.encodeSeconds;
    const int frameError = s.error;
    // After a failed frame the file is completed all the same, with the frames before it.
    int r = 0;
    if (s.encoder) {
        r = avcodec_send_frame(s.encoder, nullptr);
        if (r >= 0) r = s.drainEncoder();
    }
    if (r >= 0) r = s.pumpAudio(static_cast<double>(s.written) / s.fps);
    if (r >= 0) r = av_write_trailer(s.out);
    if (r >= 0 && s.out->pb) {
        avio_flush(s.out->pb);
        if (s.out->pb->error < 0) r = s.out->pb->error;
    }
    if (s.out->pb) {
        const int closed = avio_closep(&s.out->pb);
        if (r >= 0 && closed < 0) r = closed;
    }
    if (r >= 0 && std::rename(s.tempPath.c_str(), s.finalPath.c_str()) != 0) {
        // The file is complete: it stays under the temporary name rather than being thrown away.
        const int renameError = AVERROR(errno);
        status_ = (frameError != 0 ? s.errorStatus + "; " : std::string()) + "AVI file could not be renamed to " +
                  s.finalPath + " (" + errorText(renameError) + "): the recording is in " + s.tempPath;
        partialKept_ = true;
        state_.reset();
        return frameError != 0 ? frameError : renameError;
    }
    const std::string written = std::to_string(s.written) + (s.written == 1 ? " frame" : " frames");
    if (r < 0) {
        const std::string why = "could not be completed: " + errorText(r);
        if (frameError != 0 && s.written > 0) {
            // The output itself failed (a full disk, say) and takes nothing more. AVI and Matroska
            // files play without their index, so what reached the disk is kept under the final name;
            // an MP4 or QuickTime file needs its index and is left under the temporary name.
            if (s.playsUnfinished && std::rename(s.tempPath.c_str(), s.finalPath.c_str()) == 0) {
                status_ = s.errorStatus + "; the file " + why + ": it holds the frames that reached the disk, " +
                          "without its index";
                fileKept_ = true;
            } else {
                status_ = s.errorStatus + "; the file " + why + ": the frames that reached the disk are left in " +
                          s.tempPath;
                partialKept_ = true;
            }
            state_.reset();
            return frameError;
        }
        status_ = frameError != 0 ? s.errorStatus : "AVI file " + why;
        discard();
        return frameError != 0 ? frameError : r;
    }
    fileKept_ = true;
    if (frameError != 0) {
        status_ = s.errorStatus + "; the file holds the " + written + " written before it";
        state_.reset();
        return frameError;
    }
    state_.reset();
    return 0;
}
