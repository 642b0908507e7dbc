// AviRecorder: writes rendered frames into a video file. On POSIX systems through
// libavformat/libavcodec (avi_recorder.cpp): AVI, or Matroska, MP4 or QuickTime after the file's
// extension, with an audio stream copied in from an MP3 file from a given position. On Windows
// through Video for Windows' AVI file functions (avi_recorder_vfw.cpp): AVI without audio, in
// AVI 1.0 files of at most kAviFileByteLimit bytes of frames each, a longer recording going on in
// numbered files (name.avi, name_002.avi, name_003.avi...: partNameFor). Frames
// come in as width x height x 3 bytes, blue-green-red, bottom row first (what glReadPixels with
// GL_BGR_EXT gives). The file is written under a temporary name and renamed over the final name
// when finish() succeeds, so a failed recording never leaves a half-written file under the final
// name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The codec used when none is named: "ffv1" (lossless, decoded back exactly by ffmpeg; AVI and
// Matroska) on POSIX systems, "" (uncompressed 24-bit frames) with Video for Windows.
extern const char* const kDefaultAviCodec;
// The codec used when none is named for files meant to be shared (MP4 and QuickTime): H.264.
constexpr const char* kDefaultShareCodec = "libx264";
// The quality of kDefaultShareCodec when none is set: clean edges on flat-shaded pictures.
constexpr int kDefaultCrf = 18;
constexpr const char* kDefaultAviFileName = "Untitled.avi";
constexpr int kDefaultAviFramesPerSecond = 30;
// Video for Windows writes AVI 1.0, whose offsets are 32-bit and read as signed by many players:
// a file takes at most this many bytes of frames (2 GiB less 16 MiB for headers and index) before
// the recording goes on in the next numbered file.
constexpr int64_t kAviFileByteLimit = (int64_t{1} << 31) - (int64_t{1} << 24);

class AviRecorder {
public:
    AviRecorder();
    // Finishes an open recording.
    ~AviRecorder();
    AviRecorder(const AviRecorder&) = delete;
    AviRecorder& operator=(const AviRecorder&) = delete;

    // Settings used by open(width, height); open(...) with all arguments overrides them.
    void setFileName(const std::string& path) { fileName_ = path; }
    const std::string& getFileName() const { return fileName_; }
    void setFramesPerSecond(int fps) { framesPerSecond_ = fps; }
    int getFramesPerSecond() const { return framesPerSecond_; }
    // An encoder name known to libavcodec ("ffv1", "rawvideo", "utvideo", "mjpeg", "libx264"...),
    // or with Video for Windows the four-character code of an installed compressor ("MRLE",
    // "MSVC"...; "DIB " or empty: uncompressed). Empty selects defaultCodecFor(the file name)
    // (kDefaultAviCodec with Video for Windows).
    void setCodec(const std::string& codecName) { codecName_ = codecName; }
    const std::string& getCodec() const { return codecName_; }
    // The constant rate factor of encoders that have one (libx264: 0 lossless .. 51); negative
    // selects kDefaultCrf for them.
    void setCrf(int crf) { crf_ = crf; }
    // An MP3 file whose packets are copied in from audioStartSeconds on; empty path: no audio.
    // Video for Windows records no audio: open fails when a path is set.
    void setAudio(const std::string& path, double startSeconds) {
        audioPath_ = path;
        audioStartSeconds_ = startSeconds;
    }

    // Video for Windows: the bytes of frames one file takes before the recording goes on in the
    // next numbered file (at least one frame goes into each file); <= 0 restores
    // kAviFileByteLimit. libavformat writes AVI files of any size (OpenDML) and ignores it.
    void setFileByteLimit(int64_t bytes) { fileByteLimit_ = bytes > 0 ? bytes : kAviFileByteLimit; }
    // Makes the frame of this index (0-based) fail as a write error would, as a full disk does:
    // for checking what a failed recording keeps. Negative (the default): no frame fails.
    void setFailingFrame(int64_t index) { failingFrame_ = index; }

    // Opens fileName for width x height frames with the settings above. 0 on success (status
    // "Ok"); a negative code otherwise, with the reason in status().
    int open(int width, int height);
    // Sets every setting, then opens. fps <= 0 is refused.
    int open(const std::string& path, int width, int height, int fps, const std::string& codecName,
             const std::string& audioPath, double audioStartSeconds) {
        fileName_ = path;
        framesPerSecond_ = fps;
        codecName_ = codecName;
        audioPath_ = audioPath;
        audioStartSeconds_ = audioStartSeconds;
        return open(width, height);
    }
    // Hands over one frame of width x height x 3 bytes (BGR, bottom row first), copied at once:
    // a worker thread encodes and writes it while the caller draws the next one; a few frames at
    // most wait, so this blocks while the encoder is behind. 0 on success; a negative code when
    // nothing is open, or when an earlier frame failed to encode or write (with the reason in
    // status(); no frame is taken after that).
    int writeFrame(const uint8_t* bgrBottomUp);
    // Blocks until the worker has encoded and written every frame handed over (for timing one
    // frame's whole encoding). Returns at once when nothing is open.
    void waitForFrames();
    // Ends the recording: waits for the frames handed over, flushes the encoder, copies the audio
    // up to the end of the video, writes the index and renames the file to its final name. Safe
    // to call at any time and more than once (after a stop, an interruption or a failed write).
    // 0 when a file was completed or nothing was open. Negative when a frame failed: the file is
    // then still completed with the frames before it (fileKept()); when the output itself takes
    // no more bytes, an AVI or Matroska file keeps what reached it, unindexed, under its final
    // name (fileKept()), an MP4 or QuickTime one is left under its temporary name (partialKept()).
    // Negative too when the file could not be completed at all (nothing is left behind then).
    // With Video for Windows a file that was completed but could not take its final name (a
    // player still holding the earlier recording open, say) stays under its temporary name
    // (partialKept(), negative, status() names it). status() says which.
    int finish();
    // Frames encoded and written by the last finish().
    int64_t getFramesWritten() const { return framesWritten_; }
    // Seconds the worker spent encoding and writing those frames (audio copying included).
    double getEncodeSeconds() const { return encodeSeconds_; }
    // The last finish() completed a file under its final name.
    bool fileKept() const { return fileKept_; }
    // The last finish() left the frames of a failed output, or a finished file that could not be
    // renamed, under the temporary name.
    bool partialKept() const { return partialKept_; }

    bool isOpen() const;
    // Frames handed over since open.
    int getFrameIndex() const { return frameIndex_; }
    // "Ok" after a successful open, otherwise the reason of the last failure.
    const std::string& status() const { return status_; }
    // The name written to until finish() renames it.
    static std::string temporaryNameFor(const std::string& path) { return path + ".part"; }
    // The name of file number `part` (from 1) of a recording to path split over several files:
    // path itself for 1, then the name with _002, _003... before its extension.
    static std::string partNameFor(const std::string& path, int part) {
        if (part <= 1) return path;
        const size_t slash = path.find_last_of("/\\");
        size_t dot = path.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
            dot = path.size();
        std::string number = std::to_string(part);
        if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
        return path.substr(0, dot) + "_" + number + path.substr(dot);
    }

    // The libavformat muxer for path's extension (".avi", ".mkv", ".mp4", ".mov", any case), or
    // null for any other name.
    static const char* containerFor(const std::string& path);
    // The codec used for path when none is named: kDefaultShareCodec for MP4 and QuickTime,
    // kDefaultAviCodec otherwise.
    static std::string defaultCodecFor(const std::string& path);
    // Empty when path's container is known and can hold codecName's video; otherwise why not. An
    // encoder unknown to libavcodec passes here (open() reports it).
    static std::string checkOutput(const std::string& path, const std::string& codecName);
    // True when the encoder codecName takes a constant rate factor.
    static bool codecHasCrf(const std::string& codecName);
    // The libraries' own messages: errors only, or (verbose) everything down to their progress
    // notes. Process-wide.
    static void setLibraryVerbose(bool verbose);

private:
    struct State;
    int fail(int code, const std::string& text);
    void discard();

    std::string fileName_ = kDefaultAviFileName;
    int framesPerSecond_ = kDefaultAviFramesPerSecond;
    std::string codecName_;
    int crf_ = -1;
    std::string audioPath_;
    double audioStartSeconds_ = 0.0;
    std::string status_;
    int frameIndex_ = 0;
    int64_t framesWritten_ = 0;
    double encodeSeconds_ = 0.0;
    bool fileKept_ = false;
    bool partialKept_ = false;
    int64_t fileByteLimit_ = kAviFileByteLimit;
    int64_t failingFrame_ = -1;
    std::unique_ptr<State> state_;
};
