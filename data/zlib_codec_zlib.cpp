// The pack and picture compression on zlib: gzip files and zlib streams.
#include "data/zlib_codec.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace {

class GzipSource final : public PackFileSource {
public:
    explicit GzipSource(gzFile file) : file_(file) {}
    ~GzipSource() override { gzclose(file_); }
    int read(uint8_t* destination, int n) override {
        const int got = gzread(file_, destination, static_cast<unsigned>(n));
        return got < 0 ? -1 : got;
    }
    std::string errorText() override {
        int code = 0;
        const char* message = gzerror(file_, &code);
        return message ? message : "read error";
    }

private:
    gzFile file_;
};

class GzipSink final : public PackFileSink {
public:
    explicit GzipSink(gzFile file) : file_(file) {}
    ~GzipSink() override {
        if (file_) gzclose(file_);
    }
    int write(const uint8_t* bytes, unsigned n) override { return file_ ? gzwrite(file_, bytes, n) : 0; }
    bool finish() override {
        if (!file_) return false;
        const int rc = gzclose(file_);
        file_ = nullptr;
        return rc == Z_OK;
    }

private:
    gzFile file_;
};

}  // namespace

std::unique_ptr<PackFileSource> openPackFile(const char* path) {
    gzFile file = path ? gzopen(path, "rb") : nullptr;
    if (!file) return nullptr;
    return std::make_unique<GzipSource>(file);
}

std::unique_ptr<PackFileSink> createPackFile(const char* path) {
    gzFile file = path ? gzopen(path, "wb") : nullptr;
    if (!file) return nullptr;
    return std::make_unique<GzipSink>(file);
}

bool inflateZlibStream(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate,
                       size_t* produced) {
    // As zlib's uncompress, but the buffer is allocated only once the stream has produced its
    // first bytes.
    *produced = 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    uint8_t head[4096];
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = head;
    z.avail_out = sizeof head;
    int status = inflate(&z, Z_NO_FLUSH);
    size_t got = z.total_out;
    if ((status == Z_OK || status == Z_STREAM_END) && got > 0) {
        uint8_t* out = allocate();
        std::memcpy(out, head, got);
        z.next_out = out + got;
        z.avail_out = static_cast<uInt>(capacity - got);
        while (status == Z_OK && z.avail_out > 0) status = inflate(&z, Z_NO_FLUSH);
        // A stream with more than capacity left fails, as uncompress would.
        if (status == Z_OK && z.avail_out == 0) {
            uint8_t probe = 0;
            z.next_out = &probe;
            z.avail_out = 1;
            status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_OK || (status == Z_STREAM_END && z.avail_out == 0)) status = Z_BUF_ERROR;
        }
        got = z.total_out;
    }
    inflateEnd(&z);
    // The probe past a full buffer counts in zlib's total but was never written to it.
    *produced = got < capacity ? got : capacity;
    return status == Z_STREAM_END;
}

bool compressZlibStream(uint8_t* destination, size_t* length, const uint8_t* source, size_t size) {
    uLongf out = static_cast<uLongf>(*length);
    const bool ok = compress(destination, &out, source, static_cast<uLong>(size)) == Z_OK;
    *length = ok ? static_cast<size_t>(out) : 0;
    return ok;
}
