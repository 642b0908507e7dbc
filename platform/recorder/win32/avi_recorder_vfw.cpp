// AVI writing on Video for Windows: the AVI file and stream functions, with the compressor the
// caller names (no dialog: a recording must be able to run unattended) or uncompressed frames.
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
    std::string tempPath;
    std::string finalPath;
    BITMAPINFOHEADER format{};
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;            // the raw video stream
    PAVISTREAM compressedStream = nullptr;  // made on stream when a compressor is named
    std::vector<uint8_t> rows;              // one frame, rows padded to 4 bytes
    bool failed = false;

    PAVISTREAM target() const { return compressedStream ? compressedStream : stream; }

    ~State() {
        if (stream) AVIStreamRelease(stream);
        if (compressedStream) AVIStreamRelease(compressedStream);
        if (file) AVIFileRelease(file);
        AVIFileExit();
    }
};

AviRecorder::AviRecorder() = default;

AviRecorder::~AviRecorder() { finish(); }

bool AviRecorder::isOpen() const { return state_ != nullptr && !state_->failed; }

void AviRecorder::discard() {
    if (!state_) return;
    const std::string temp = state_->tempPath;
    state_.reset();
    DeleteFileA(temp.c_str());
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
    s.finalPath = fileName_;
    s.tempPath = temporaryNameFor(fileName_);
    BITMAPINFOHEADER& f = s.format;
    f.biSize = sizeof f;
    f.biWidth = width;
    f.biHeight = height;
    f.biPlanes = 1;
    f.biBitCount = 24;
    f.biCompression = BI_RGB;
    f.biSizeImage = static_cast<DWORD>((width * 24 + 31) / 32 * 4 * height);
    s.rows.assign(f.biSizeImage, 0);

    DeleteFileA(s.tempPath.c_str());
    HRESULT r = AVIFileOpenA(&s.file, s.tempPath.c_str(), OF_WRITE | OF_CREATE, const_cast<CLSID*>(&kAviFileHandler));
    if (r != AVIERR_OK) {
        std::string text = "AVI Engine failed to initialize. Check filename " + fileName_ + ".";
        switch (static_cast<unsigned long>(r)) {
            case 0x80040154UL:
                text += "According to the registry, the type of file specified in AVIFileOpen does not have a handler to process it";
                break;
            case 0x80044066UL: text += "The file couldn't be read, indicating a corrupt file or an unrecognized format."; break;
            case 0x80044067UL: text += "The file could not be opened because of insufficient memory."; break;
            case 0x8004406DUL: text += "A disk error occurred while reading the file."; break;
            case 0x8004406FUL: text += "A disk error occurred while opening the file."; break;
            default: break;
        }
        s.file = nullptr;
        return fail(r, text);
    }

    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = codec.empty() ? 0 : mmioFOURCC(codec[0], codec[1], codec[2], codec[3]);
    info.dwScale = 1;
    info.dwRate = static_cast<DWORD>(framesPerSecond_);
    info.dwSuggestedBufferSize = f.biSizeImage;
    SetRect(&info.rcFrame, 0, 0, width, height);
    r = AVIFileCreateStreamA(s.file, &s.stream, &info);
    if (r != AVIERR_OK) {
        s.stream = nullptr;
        return fail(r, std::string(kStreamFailed) + (r == AVIERR_READONLY ? " Read only file." : ""));
    }

    const bool uncompressed = codec.empty() || codec == "DIB ";
    if (!uncompressed) {
        AVICOMPRESSOPTIONS options{};
        options.fccType = streamtypeVIDEO;
        options.fccHandler = info.fccHandler;
        options.dwKeyFrameEvery = 1;
        options.dwQuality = static_cast<DWORD>(ICQUALITY_DEFAULT);
        options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
        r = AVIMakeCompressedStream(&s.compressedStream, s.stream, &options, nullptr);
        if (r != AVIERR_OK) {
            s.compressedStream = nullptr;
            std::string text = kCompressedStreamFailed;
            if (r == AVIERR_NOCOMPRESSOR) text += " A suitable compressor cannot be found.";
            if (r == AVIERR_MEMORY) text += " There is not enough memory to complete the operation.";
            if (r == AVIERR_UNSUPPORTED)
                text += "Compression is not supported for this type of data. This error might be returned if you try "
                        "to compress data that is not audio or video.";
            return fail(r, text);
        }
    }
    r = AVIStreamSetFormat(s.target(), 0, &f, static_cast<LONG>(f.biSize + f.biClrUsed * 4));
    if (r != AVIERR_OK) return fail(r, "AVI Compressed Stream format setting failed.");
    return 0;
}

int AviRecorder::writeFrame(const uint8_t* bgrBottomUp) {
    if (!state_ || state_->failed || !bgrBottomUp) return static_cast<int>(E_INVALIDARG);
    State& s = *state_;
    const size_t tight = static_cast<size_t>(s.format.biWidth) * 3;
    const size_t stride = s.rows.size() / static_cast<size_t>(s.format.biHeight);
    for (LONG y = 0; y < s.format.biHeight; ++y)
        std::memcpy(s.rows.data() + y * stride, bgrBottomUp + y * tight, tight);
    const HRESULT r = AVIStreamWrite(s.target(), frameIndex_, 1, s.rows.data(), static_cast<LONG>(s.rows.size()),
                                     AVIIF_KEYFRAME, nullptr, nullptr);
    if (r != AVIERR_OK) {
        s.failed = true;
        status_ = "AVI frame write failed: " + hresultText(r);
        return static_cast<int>(r);
    }
    ++frameIndex_;
    return 0;
}

int AviRecorder::finish() {
    if (!state_) return 0;
    State& s = *state_;
    // Releasing the streams and the file writes the index and closes the file.
    if (s.stream) AVIStreamRelease(s.stream);
    if (s.compressedStream) AVIStreamRelease(s.compressedStream);
    const ULONG references = s.file ? AVIFileRelease(s.file) : 0;
    s.stream = s.compressedStream = nullptr;
    s.file = nullptr;
    int result = s.failed ? static_cast<int>(E_FAIL) : 0;
    if (result == 0 && references != 0) {
        status_ = "AVI file could not be completed: the file is still in use";
        result = static_cast<int>(E_FAIL);
    }
    // Unlike std::rename, MoveFileEx replaces a file left by an earlier recording.
    if (result == 0 &&
        !MoveFileExA(s.tempPath.c_str(), s.finalPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        status_ = "AVI file could not be completed: " + hresultText(HRESULT_FROM_WIN32(GetLastError()));
        result = static_cast<int>(E_FAIL);
    }
    if (result != 0) {
        discard();
        return result;
    }
    state_.reset();
    return 0;
}
