// AviRecorder: writes rendered frames into an AVI file: through libavformat/libavcodec on POSIX
// systems (avi_recorder.cpp), through Video for Windows' AVI file functions on Windows
// (avi_recorder_vfw.cpp). Frames come in as width x height x 3 bytes, blue-green-red, bottom row
// first (what glReadPixels with GL_BGR_EXT gives). The file is written under a temporary name and
// renamed over the final name when finish() succeeds, so a failed recording never leaves a
// half-written file under the final name. On POSIX systems an audio stream can be copied in from
// an MP3 file, starting at a given position.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The codec used when none is named: "ffv1" (lossless, decoded back exactly by ffmpeg) on POSIX
// systems, "" (uncompressed 24-bit frames) with Video for Windows.
extern const char* const kDefaultAviCodec;
constexpr const char* kDefaultAviFileName = "Untitled.avi";
constexpr int kDefaultAviFramesPerSecond = 30;

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
    // "MSVC"...; "DIB " or empty: uncompressed). Empty selects kDefaultAviCodec.
    void setCodec(const std::string& codecName) { codecName_ = codecName; }
    const std::string& getCodec() const { return codecName_; }
    // An MP3 file whose packets are copied in from audioStartSeconds on; empty path: no audio.
    // Video for Windows records no audio: open fails when a path is set.
    void setAudio(const std::string& path, double startSeconds) {
        audioPath_ = path;
        audioStartSeconds_ = startSeconds;
    }

    // Opens fileName for width x height frames with the settings above. 0 on success (status
    // "Ok"); a negative code otherwise, with the reason in status().
    int open(int width, int height);
    // Sets every setting, then opens. fps <= 0 is refused.
    int open(const std::string& path, int width, int height, int fps, const std::string& codecName,
             const std::string& audioPath, double audioStartSeconds);
    // Appends one frame of width x height x 3 bytes (BGR, bottom row first). 0 on success; a
    // negative code when nothing is open or encoding/writing failed (the recording then fails and
    // finish() removes the temporary file).
    int writeFrame(const uint8_t* bgrBottomUp);
    // Ends the recording: flushes the encoder, copies the audio up to the end of the video,
    // writes the index and renames the file to its final name. Safe to call at any time and more
    // than once (after a stop, an interruption or a failed write). 0 when a file was completed or
    // nothing was open; negative when the recording failed (no file is left behind then).
    int finish();

    bool isOpen() const;
    // Frames written since open.
    int getFrameIndex() const { return frameIndex_; }
    // "Ok" after a successful open, otherwise the reason of the last failure.
    const std::string& status() const { return status_; }
    // The name written to until finish() renames it.
    static std::string temporaryNameFor(const std::string& path) { return path + ".part"; }

private:
    struct State;
    int fail(int code, const std::string& text);
    void discard();

    std::string fileName_ = kDefaultAviFileName;
    int framesPerSecond_ = kDefaultAviFramesPerSecond;
    std::string codecName_;
    std::string audioPath_;
    double audioStartSeconds_ = 0.0;
    std::string status_;
    int frameIndex_ = 0;
    std::unique_ptr<State> state_;
};
