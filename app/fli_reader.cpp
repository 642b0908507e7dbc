// FLI/FLC decoding: the one global decoder, its frame stepping and the chunk decoders.
#include "app/fli_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FliState {
    FILE* file = nullptr;
    std::vector<uint8_t> readBuffer;  // the last block read (n + 1 bytes for a read of n)
    size_t bytesRead = 0;             // bytes the last read actually delivered
    uint8_t* pixels = nullptr;
    int stride = kFliStride;
    uint16_t frameCount = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t frameIndex = 0;
    uint32_t nextReadSize = 0;
    uint16_t frameKind = 0;
    uint16_t chunkCount = 0;
    uint64_t fileSize = 0;
    uint8_t palette[256 * 3] = {};
};

FliState& state() {
    static FliState s;
    return s;
}

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

FliFatalSink gFatalSink = nullptr;

// Reports a fatal error through the sink; with the default one the process ends here. When a
// sink returns, the decoder is left without a file.
void fatal(const std::string& line) {
    if (gFatalSink) {
        gFatalSink(line.c_str());
        fliClose();
        return;
    }
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    std::exit(1);
}

void wrongHeader(const char* fileName, const std::string& reason) {
    fatal(std::string("Wrong header: ") + (fileName ? fileName : "(no name)") + ": " + reason + "\n");
}

// Reads n bytes of the file into the read buffer (reallocated to n + 1 bytes).
void readBlock(size_t n) {
    FliState& s = state();
    s.readBuffer.assign(n + 1, 0);
    s.bytesRead = s.file ? std::fread(s.readBuffer.data(), 1, n, s.file) : 0;
}

// Bounded cursor over one chunk's bytes: every read past the end reports failure.
class ChunkCursor {
public:
    ChunkCursor(const uint8_t* data, uint32_t size, uint32_t start) : data_(data), size_(size), pos_(start) {}
    bool byte(uint8_t& v) {
        if (pos_ >= size_) return false;
        v = data_[pos_++];
        return true;
    }
    bool word(uint16_t& v) {
        if (size_ - pos_ < 2 || pos_ > size_) return false;
        v = u16(data_ + pos_);
        pos_ += 2;
        return true;
    }
    // Pointer to n bytes, or null when fewer remain.
    const uint8_t* take(uint32_t n) {
        if (pos_ > size_ || size_ - pos_ < n) return nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const uint8_t* data_;
    uint32_t size_;
    uint32_t pos_;
};

// Writes palette colours into the destination, dropping pixels outside the clip rectangle.
class PixelWriter {
public:
    PixelWriter(uint8_t* pixels, int width, int height, const uint8_t* palette)
        : pixels_(pixels),
          clipW_(pixels ? std::min(width, kFliStride) : 0),
          clipH_(pixels ? std::min(height, kFliStride) : 0),
          palette_(palette) {}
    void put(long x, long y, uint8_t index) {
        if (x < 0 || y < 0 || x >= clipW_ || y >= clipH_) return;
        uint8_t* p = pixels_ + (static_cast<size_t>(y) * kFliStride + static_cast<size_t>(x)) * 4;
        const uint8_t* c = palette_ + index * 3;
        p[0] = c[0];
        p[1] = c[1];
        p[2] = c[2];
    }
    // count pixels from (x, y) rightwards, colour indices[k] for pixel k (all one colour when
    // indices is null and index is given); clipped once for the whole run.
    void run(long x, long y, long count, const uint8_t* indices, uint8_t index = 0, bool opaque = false) {
        if (y < 0 || y >= clipH_ || count <= 0) return;
        const long from = std::max(x, 0L);
        const long to = std::min(x + count, static_cast<long>(clipW_));
        uint8_t* p = pixels_ + (static_cast<size_t>(y) * kFliStride + static_cast<size_t>(from)) * 4;
        for (long k = from; k < to; ++k, p += 4) {
            const uint8_t* c = palette_ + (indices ? indices[k - x] : index) * 3;
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            if (opaque) p[3] = 255;
        }
    }

private:
    uint8_t* pixels_;
    int clipW_;
    int clipH_;
    const uint8_t* palette_;
};

// COLOR_256 / COLOR_64: packets of (skip, count, count triples); entries past 255 are invalid.
bool decodePalette(const uint8_t* chunk, uint32_t size, int scale) {
    uint8_t* palette = state().palette;
    ChunkCursor in(chunk, size, 6);
    uint16_t packets = 0;
    if (!in.word(packets)) return false;
    int index = 0;
    for (int i = 0; i < packets; ++i) {
        uint8_t skip = 0;
        uint8_t countByte = 0;
        if (!in.byte(skip) || !in.byte(countByte)) return false;
        index += skip;
        const int count = countByte == 0 ? 256 : countByte;
        for (int k = 0; k < count; ++k) {
            const uint8_t* rgb = in.take(3);
            if (!rgb || index >= 256) return false;
            for (int c = 0; c < 3; ++c) palette[index * 3 + c] = static_cast<uint8_t>(rgb[c] * scale);
            ++index;
        }
    }
    return true;
}

bool decodeByteRun(const uint8_t* chunk, uint32_t size, int width, int height, PixelWriter& out) {
    ChunkCursor in(chunk, size, 6);
    for (int y = 0; y < height; ++y) {
        uint8_t packets = 0;
        if (!in.byte(packets)) return false;
        long x = 0;
        for (int i = 0; i < packets; ++i) {
            uint8_t countByte = 0;
            if (!in.byte(countByte)) return false;
            const int n = static_cast<int8_t>(countByte);
            if (n > 0) {
                uint8_t index = 0;
                if (!in.byte(index)) return false;
                out.run(x, y, n, nullptr, index);
                x += n;
            } else if (n < 0) {
                const uint8_t* run = in.take(static_cast<uint32_t>(-n));
                if (!run) return false;
                out.run(x, y, -n, run);
                x += -n;
            }
        }
    }
    return true;
}

bool decodeDeltaFli(const uint8_t* chunk, uint32_t size, PixelWriter& out) {
    ChunkCursor in(chunk, size, 6);
    uint16_t firstLine = 0;
    uint16_t lineCount = 0;
    if (!in.word(firstLine) || !in.word(lineCount)) return false;
    for (long y = firstLine; y < static_cast<long>(firstLine) + lineCount; ++y) {
        uint8_t packets = 0;
        if (!in.byte(packets)) return false;
        long x = 0;
        for (int i = 0; i < packets; ++i) {
            uint8_t skip = 0;
            uint8_t countByte = 0;
            if (!in.byte(skip) || !in.byte(countByte)) return false;
            x += skip;
            const int n = static_cast<int8_t>(countByte);
            if (n > 0) {
                const uint8_t* run = in.take(static_cast<uint32_t>(n));
                if (!run) return false;
                out.run(x, y, n, run);
                x += n;
            } else if (n < 0) {
                uint8_t index = 0;
                if (!in.byte(index)) return false;
                out.run(x, y, -n, nullptr, index);
                x += -n;
            }
        }
    }
    return true;
}

bool decodeDeltaFlc(const uint8_t* chunk, uint32_t size, int width, PixelWriter& out) {
    ChunkCursor in(chunk, size, 6);
    uint16_t lines = 0;
    if (!in.word(lines)) return false;
    long y = 0;
    for (int line = 0; line < lines; ++line) {
        uint16_t word = 0;
        // Prefix words up to the packet count.
        for (;;) {
            if (!in.word(word)) return false;
            const int top = word >> 14;
            if (top == 3) {
                y += -static_cast<int16_t>(word);
            } else if (top == 2) {
                out.put(static_cast<long>(width) - 1, y, static_cast<uint8_t>(word & 0xFF));
            } else if (top == 0) {
                break;
            } else {
                return false;  // top bits 01 have no meaning
            }
        }
        long x = 0;
        for (int i = 0; i < word; ++i) {
            uint8_t skip = 0;
            uint8_t countByte = 0;
            if (!in.byte(skip) || !in.byte(countByte)) return false;
            x += skip;
            const int n = static_cast<int8_t>(countByte);
            if (n > 0) {
                const uint8_t* run = in.take(static_cast<uint32_t>(n) * 2);
                if (!run) return false;
                out.run(x, y, 2 * n, run);
                x += 2 * n;
            } else if (n < 0) {
                const uint8_t* pair = in.take(2);
                if (!pair) return false;
                for (int k = 0; k < -n; ++k) {
                    out.put(x++, y, pair[0]);
                    out.put(x++, y, pair[1]);
                }
            }
        }
        ++y;
    }
    return true;
}

void decodeBlack(int width, int height, uint8_t* pixels) {
    if (!pixels) return;
    const int w = std::min(width, kFliStride);
    const int h = std::min(height, kFliStride);
    static constexpr uint8_t kBlack[4] = {0, 0, 0, 255};
    for (int y = 0; y < h; ++y) {
        // One pixel, then copies of what the row holds so far.
        uint8_t* row = pixels + static_cast<size_t>(y) * kFliStride * 4;
        if (w > 0) std::memcpy(row, kBlack, 4);
        for (int done = 1; done < w; done *= 2)
            std::memcpy(row + 4 * done, row, 4 * static_cast<size_t>(std::min(done, w - done)));
    }
}

bool decodeCopy(const uint8_t* chunk, uint32_t size, int width, int height, PixelWriter& out) {
    ChunkCursor in(chunk, size, 6);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = in.take(static_cast<uint32_t>(width));
        if (!row) return false;
        out.run(0, y, width, row, 0, true);
    }
    return true;
}

}  // namespace

bool fliDecodeChunk(const uint8_t* chunk, uint32_t size, int width, int height, uint8_t* pixels) {
    if (!chunk || size < 6) return false;
    FliState& s = state();
    PixelWriter out(pixels, width, height, s.palette);
    switch (u16(chunk + 4)) {
        case kFliColor256:
            return decodePalette(chunk, size, 1);
        case kFliColor64:
            return decodePalette(chunk, size, 4);
        case kFliDeltaFlc:
            return decodeDeltaFlc(chunk, size, width, out);
        case kFliDeltaFli:
            return decodeDeltaFli(chunk, size, out);
        case kFliBlack:
            decodeBlack(width, height, pixels);
            return true;
        case kFliByteRun:
            return decodeByteRun(chunk, size, width, height, out);
        case kFliCopy:
            return decodeCopy(chunk, size, width, height, out);
        default:
            return true;  // other chunk types are skipped
    }
}

void fliOpen(const char* fileName, uint8_t* pixels) {
    FliState& s = state();
    fliClose();
    s.readBuffer.clear();
    s.bytesRead = 0;
    s.pixels = pixels;
    s.stride = kFliStride;

    errno = 0;
    s.file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (!s.file) return wrongHeader(fileName, errno ? std::strerror(errno) : "cannot be opened");
    uint8_t header[kFliHeaderSize];
    const size_t got = std::fread(header, 1, sizeof header, s.file);
    if (got != sizeof header)
        return wrongHeader(fileName, std::to_string(got) + " bytes, shorter than the 128-byte header");
    const uint16_t magic = u16(header + 4);
    if (magic != kFliMagic && magic != kFlcMagic) {
        char reason[80];
        std::snprintf(reason, sizeof reason, "magic 0x%04X is neither FLI (0xAF11) nor FLC (0xAF12)", magic);
        return wrongHeader(fileName, reason);
    }
    s.frameCount = u16(header + 6);
    s.width = u16(header + 8);
    s.height = u16(header + 10);

    // The file's length bounds every read, so a damaged frame size cannot ask for more memory.
    s.fileSize = 0;
    if (std::fseek(s.file, 0, SEEK_END) == 0) {
        const long end = std::ftell(s.file);
        if (end > 0) s.fileSize = static_cast<uint64_t>(end);
    }
    fliRewind();
}

void fliRewind() {
    FliState& s = state();
    s.nextReadSize = kFliFrameHeaderSize;
    s.frameIndex = 0;
    if (!s.file || std::fseek(s.file, kFliHeaderSize, SEEK_SET) != 0) return fatal("Fseek read failed\n");
    readBlock(kFliFrameHeaderSize);
}

void fliNextFrame() {
    FliState& s = state();
    if (!s.file) return;
    if (static_cast<int>(s.frameIndex) >= static_cast<int>(s.frameCount) - 1) return;
    s.frameIndex = static_cast<uint16_t>(s.frameIndex + 1);

    // The current frame header is the last 16 bytes of the previous read; a short read has none.
    if (s.bytesRead < s.nextReadSize || s.nextReadSize < kFliFrameHeaderSize) return;
    const uint8_t* header = s.readBuffer.data() + (s.nextReadSize - kFliFrameHeaderSize);
    const uint32_t size = u32(header);
    s.frameKind = u16(header + 4);
    s.chunkCount = u16(header + 6);
    if (s.frameKind != kFliFrameMagic && s.frameKind != kFliPrefixMagic) return;
    if (size < kFliFrameHeaderSize) return;

    // The frame's chunks followed by the next frame's header; never more than the file holds.
    const long here = std::ftell(s.file);
    const uint64_t left = here >= 0 && s.fileSize > static_cast<uint64_t>(here) ? s.fileSize - here : 0;
    s.nextReadSize = size;
    readBlock(static_cast<size_t>(std::min<uint64_t>(size, left)));
    if (s.frameKind == kFliPrefixMagic) return;

    const uint8_t* data = s.readBuffer.data();
    const uint32_t dataSize = static_cast<uint32_t>(std::min<uint64_t>(size - kFliFrameHeaderSize, s.bytesRead));
    uint32_t pos = 0;
    for (int i = 0; i < s.chunkCount; ++i) {
        if (dataSize - pos < 6) break;
        const uint32_t chunkSize = u32(data + pos);
        if (chunkSize < 6 || chunkSize > dataSize - pos) break;
        if (!fliDecodeChunk(data + pos, chunkSize, s.width, s.height, s.pixels)) break;
        pos += chunkSize;
    }
}

FliFatalSink setFliFatalSink(FliFatalSink sink) {
    const FliFatalSink previous = gFatalSink;
    gFatalSink = sink;
    return previous;
}

void fliClose() {
    FliState& s = state();
    if (s.file) std::fclose(s.file);
    s.file = nullptr;
}

int fliFrameCount() { return state().frameCount; }
int fliFrameIndex() { return state().frameIndex; }
int fliWidth() { return state().width; }
int fliHeight() { return state().height; }
const uint8_t* fliPalette() { return state().palette; }
