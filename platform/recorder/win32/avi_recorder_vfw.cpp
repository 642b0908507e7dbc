// AVI writing on Video for Windows: the AVI file and stream functions, with the compressor the
// caller names (no dialog: a recording must be able to run unattended) or uncompressed frames,
// one AVI 1.0 file after another when the recording outgrows one.
#include "platform/recorder/avi_recorder.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win32/win32_api.h"

#include <vfw.h>

const char* const kDefaultAviCodec = "";

namespace {

const char* kStreamFailed = "AVI Stream creation failed. Check Bitmap info.";
const char* kCompressedStreamFailed = "AVI Compressed Stream creation failed.";

// The AVI file handler, named outright: the temporary file's extension names none.
const CLSID kAviFileHandler = {0x00020000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string hresultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

}  // namespace

struct AviRecorder::State {
    std::string finalPath;                  // the recording's name: part 1's final name
    int part = 0;                           // the file being written, from 1
    std::string partPath;                   // its final name
    std::string tempPath;                   // the name it is written under
    BITMAPINFOHEADER format{};
    AVISTREAMINFOA info{};
    bool uncompressed = true;
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;            // the raw video stream
    PAVISTREAM compressedStream = nullptr;  // made on stream when a compressor is named
    std::vector<uint8_t> rows;              // one frame, rows padded to 4 bytes
    LONG partFrames = 0;                    // frames in the file being written
    int64_t partBytes = 0;                  // and their bytes
    LONG lastFrameBytes = 0;                // the last frame's bytes as stored (compressed)
    int64_t written = 0;                    // frames written in all files
    int filesWithFrames = 0;                // files completed with at least one frame
    int64_t failingFrame = -1;
    bool failed = false;
    std::string errorStatus;                // why a frame failed
    std::string renameStatus;               // the first file that kept its temporary name, and why
    bool aviInitialized = false;
    bool objectsLeft = false;               // an AVI object outlived its release: no AVIFileExit

    PAVISTREAM target() const { return compressedStream ? compressedStream : stream; }

    // Creates the file of the next part under its temporary name with its stream. Empty on
    // success, else the reason (and the result in *result).
    std::string openPart(HRESULT* result) {
        ++part;
        partPath = partNameFor(finalPath, part);
        tempPath = temporaryNameFor(partPath);
        partFrames = 0;
        partBytes = 0;
        DeleteFileA(tempPath.c_str());
        HRESULT r = AVIFileOpenA(&file, tempPath.c_str(), OF_WRITE | OF_CREATE, const_cast<CLSID*>(&kAviFileHandler));
        *result = r;
        if (r != AVIERR_OK) {
            file = nullptr;
            std::string text = "AVI Engine failed to initialize. Check filename " + partPath + ".";
            switch (static_cast<unsigned long>(r)) {
                case 0x80040154UL:
                    text += "According to the registry, the type of file specified in AVIFileOpen does not have a handler "
                            "to process it";
                    break;
                case 0x80044066UL: text += "The file couldn't be read, indicating a corrupt file or an unrecognized format."; break;
                case 0x80044067UL: text += "The file could not be opened because of insufficient memory."; break;
                case 0x8004406DUL: text += "A disk error occurred while reading the file."; break;
                case 0x8004406FUL: text += "A disk error occurred while opening the file."; break;
                default: break;
            }
            return text;
        }
        r = AVIFileCreateStreamA(file, &stream, &info);
        *result = r;
        if (r != AVIERR_OK) {
            stream = nullptr;
            return std::string(kStreamFailed) + (r == AVIERR_READONLY ? " Read only file." : "");
        }
        if (!uncompressed) {
            AVICOMPRESSOPTIONS options{};
            options.fccType = streamtypeVIDEO;
            options.fccHandler = info.fccHandler;
            options.dwKeyFrameEvery = 1;
            options.dwQuality = static_cast<DWORD>(ICQUALITY_DEFAULT);
            options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
            r = AVIMakeCompressedStream(&compressedStream, stream, &options, nullptr);
            *result = r;
            if (r != AVIERR_OK) {
                compressedStream = nullptr;
                std::string text = kCompressedStreamFailed;
                if (r == AVIERR_NOCOMPRESSOR) text += " A suitable compressor cannot be found.";
                if (r == AVIERR_MEMORY) text += " There is not enough memory to complete the operation.";
                if (r == AVIERR_UNSUPPORTED)
                    text += "Compression is not supported for this type of data. This error might be returned if you try "
                            "to compress data that is not audio or video.";
                return text;
            }
        }
        r = AVIStreamSetFormat(target(), 0, &format, static_cast<LONG>(format.biSize + format.biClrUsed * 4));
        *result = r;
        if (r != AVIERR_OK) return "AVI Compressed Stream format setting failed.";
        return {};
    }

    // Releases the streams and the file, which writes the index and closes the file. false when
    // another reference keeps the file open: it is then neither renamed nor deleted.
    bool releasePart() {
        if (stream) AVIStreamRelease(stream);
        if (compressedStream) AVIStreamRelease(compressedStream);
        const ULONG references = file ? AVIFileRelease(file) : 0;
        stream = compressedStream = nullptr;
        file = nullptr;
        if (references != 0) objectsLeft = true;
        return references == 0;
    }

    // Ends the file being written and gives it its final name. A file that cannot take it stays
    // under the temporary name, noted in renameStatus. An empty file after the first is removed.
    // false when the file could not be completed.
    bool completePart() {
        if (!file) return true;
        if (!releasePart()) {
            if (renameStatus.empty())
                renameStatus = "AVI file could not be completed: the file is still in use; it is left in " + tempPath;
            return false;
        }
        if (partFrames == 0 && part > 1) {
            DeleteFileA(tempPath.c_str());
            return true;
        }
        if (partFrames > 0) ++filesWithFrames;
        // Unlike std::rename, MoveFileEx replaces a file left by an earlier recording.
        if (!MoveFileExA(tempPath.c_str(), partPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            const std::string why = hresultText(HRESULT_FROM_WIN32(GetLastError()));
            if (renameStatus.empty())
                renameStatus = "AVI file could not be renamed to " + partPath + " (" + why + "): the recording is in " +
                               tempPath;
        }
        return true;
    }

    ~State() {
        if (file) releasePart();
        if (aviInitialized && !objectsLeft) AVIFileExit();
    }
};

AviRecorder::AviRecorder() = default;

AviRecorder::~AviRecorder() { finish(); }

bool AviRecorder::isOpen() const { return state_ != nullptr && !state_->failed; }

void AviRecorder::discard() {
    if (!state_) return;
    const std::string temp = state_->tempPath;
    const bool released = !state_->file || state_->releasePart();
    state_.reset();
    // A file another reference still holds is not deleted under it.
    if (released) DeleteFileA(temp.c_str());
}

int AviRecorder::fail(int code, const std::string& text) {
    status_ = text;
    discard();
    return code < 0 ? code : static_cast<int>(E_FAIL);
}

int AviRecorder::open(int width, int height) {
    finish();
    status_ = "Ok";
    frameIndex_ = 0;
    framesWritten_ = 0;
    fileKept_ = false;
    partialKept_ = false;
    if (width <= 0 || height <= 0 || framesPerSecond_ <= 0 || width > 16384 || height > 16384)
        return fail(E_INVALIDARG, kStreamFailed);
    if (!audioPath_.empty()) return fail(E_NOTIMPL, "Audio stream could not be opened: " + audioPath_ + ".");
    const std::string codec = codecName_.empty() ? kDefaultAviCodec : codecName_;
    if (!codec.empty() && codec.size() != 4)
        return fail(AVIERR_NOCOMPRESSOR, std::string(kCompressedStreamFailed) + " A suitable compressor cannot be found.");

    if (VideoForWindowsVersion() <= 0x0109FFFF) {
        status_ = "Version of Video for Windows too old. Come on, join the 21th century!";
        return 1;
    }
    AVIFileInit();
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.aviInitialized = true;
    s.finalPath = fileName_;
    s.failingFrame = failingFrame_;
    BITMAPINFOHEADER& f = s.format;
    f.biSize = sizeof f;
    f.biWidth = width;
    f.biHeight = height;
    f.biPlanes = 1;
    f.biBitCount = 24;
    f.biCompression = BI_RGB;
    f.biSizeImage = static_cast<DWORD>((width * 24 + 31) / 32 * 4 * height);
    s.rows.assign(f.biSizeImage, 0);
    s.lastFrameBytes = static_cast<LONG>(f.biSizeImage);

    AVISTREAMINFOA& info = s.info;
    info.fccType = streamtypeVIDEO;
    info.fccHandler = codec.empty() ? 0 : mmioFOURCC(codec[0], codec[1], codec[2], codec[3]);
    info.dwScale = 1;
    info.dwRate = static_cast<DWORD>(framesPerSecond_);
    info.dwSuggestedBufferSize = f.biSizeImage;
    SetRect(&info.rcFrame, 0, 0, width, height);
    s.uncompressed = codec.empty() || codec == "DIB ";

    HRESULT r = AVIERR_OK;
    const std::string problem = s.openPart(&r);
    if (!problem.empty()) return fail(r, problem);
    return 0;
}

int AviRecorder::writeFrame(const uint8_t* bgrBottomUp) {
    if (!state_ || state_->failed || !bgrBottomUp) return static_cast<int>(E_INVALIDARG);
    State& s = *state_;
    const int64_t index = frameIndex_;
    // AVI 1.0 holds about 2 GB: past the limit the recording goes on in the next numbered file.
    if (s.partFrames > 0 && s.partBytes + s.lastFrameBytes > fileByteLimit_) {
        s.completePart();
        HRESULT r = AVIERR_OK;
        const std::string problem = s.openPart(&r);
        if (!problem.empty()) {
            s.releasePart();
            DeleteFileA(s.tempPath.c_str());
            s.failed = true;
            s.errorStatus = "frame " + std::to_string(index + 1) + " could not be written: " + problem;
            status_ = s.errorStatus;
            return r != AVIERR_OK ? static_cast<int>(r) : static_cast<int>(E_FAIL);
        }
    }
    const size_t tight = static_cast<size_t>(s.format.biWidth) * 3;
    const size_t stride = s.rows.size() / static_cast<size_t>(s.format.biHeight);
    for (LONG y = 0; y < s.format.biHeight; ++y)
        std::memcpy(s.rows.data() + y * stride, bgrBottomUp + y * tight, tight);
    LONG bytesWritten = 0;
    const HRESULT r = index == s.failingFrame
                          ? static_cast<HRESULT>(AVIERR_FILEWRITE)
                          : AVIStreamWrite(s.target(), s.partFrames, 1, s.rows.data(), static_cast<LONG>(s.rows.size()),
                                           AVIIF_KEYFRAME, nullptr, &bytesWritten);
    if (r != AVIERR_OK) {
        s.failed = true;
        s.errorStatus = "frame " + std::to_string(index + 1) + " could not be written: " + hresultText(r);
        status_ = s.errorStatus;
        return static_cast<int>(r);
    }
    if (bytesWritten <= 0) bytesWritten = static_cast<LONG>(s.rows.size());
    s.lastFrameBytes = bytesWritten;
    s.partBytes += bytesWritten;
    ++s.partFrames;
    ++s.written;
    ++frameIndex_;
    return 0;
}

// Frames are written as they are handed over: nothing waits.
void AviRecorder::waitForFrames() {}

int AviRecorder::finish() {
    if (!state_) return 0;
    State& s = *state_;
    framesWritten_ = s.written;
    const bool completed = s.completePart();
    const int parts = s.filesWithFrames;
    const std::string written = std::to_string(s.written) + (s.written == 1 ? " frame" : " frames");
    const std::string where = parts > 1 ? " in " + std::to_string(parts) + " files" : "";
    int result = 0;
    if (!s.renameStatus.empty()) {
        // The frames are on disk, but (at least) one file kept its temporary name.
        status_ = (s.failed ? s.errorStatus + "; " : "") + s.renameStatus;
        partialKept_ = true;
        result = static_cast<int>(E_FAIL);
    } else if (s.failed) {
        // A failed frame ends the recording: the file is completed with the frames before it.
        status_ = s.errorStatus + "; the file holds the " + written + " written before it" + where;
        fileKept_ = true;
        result = static_cast<int>(E_FAIL);
    } else {
        fileKept_ = completed;
    }
    state_.reset();
    return result;
}
