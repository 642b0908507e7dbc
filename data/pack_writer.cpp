// PackWriter: writes the little-endian typed stream that PackReader reads, to a gzip file that
// replaces its target only on a successful close, or to memory.
#include "data/pack_writer.h"

#include "data/zlib_codec.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

PackWriter::PackWriter() = default;

PackWriter::~PackWriter() {
    if (file_) abort();
}

int PackWriter::open(const char* path) {
    if (file_) abort();
    toMemory_ = false;
    memory_.clear();
    failed_ = false;
    written_ = 0;
    if (!path) return 5;
    path_ = path;
    tempPath_ = path_ + ".tmp";
    file_ = createPackFile(tempPath_.c_str());
    if (!file_) {
        failed_ = true;
        return 5;
    }
    return 0;
}

void PackWriter::openMemory() {
    if (file_) abort();
    toMemory_ = true;
    memory_.clear();
    failed_ = false;
    written_ = 0;
}

bool PackWriter::close() {
    if (toMemory_) return !failed_;
    if (!file_) return false;
    const bool finished = file_->finish();
    file_.reset();
    if (!finished) failed_ = true;
    if (!failed_) {
        // std::rename keeps an existing target on Windows; the filesystem rename replaces it
        // everywhere.
        std::error_code error;
        std::filesystem::rename(tempPath_, path_, error);
        if (error) failed_ = true;
    }
    if (failed_) {
        std::remove(tempPath_.c_str());
        return false;
    }
    return true;
}

void PackWriter::abort() {
    if (file_) {
        file_->finish();
        file_.reset();
        std::remove(tempPath_.c_str());
    }
    failed_ = true;
}

void PackWriter::writeBytes(const void* data, size_t n) {
    if (failed_ || n == 0) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (toMemory_) {
        memory_.insert(memory_.end(), bytes, bytes + n);
    } else if (file_) {
        // The file takes an unsigned count; large blocks go in pieces.
        size_t done = 0;
        while (done < n) {
            const size_t chunk = (n - done) > (1u << 30) ? (1u << 30) : (n - done);
            const int put = file_->write(bytes + done, static_cast<unsigned>(chunk));
            if (put <= 0 || static_cast<size_t>(put) != chunk) {
                failed_ = true;
                return;
            }
            done += chunk;
        }
    } else {
        failed_ = true;
        return;
    }
    written_ += n;
}

void PackWriter::writeInt(int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                          static_cast<uint8_t>(u >> 24)};
    writeBytes(b, 4);
}

void PackWriter::writeFloat(float v) {
    uint32_t u = 0;
    std::memcpy(&u, &v, 4);
    writeInt(static_cast<int32_t>(u));
}

void PackWriter::writeShort(int16_t v) {
    const uint16_t u = static_cast<uint16_t>(v);
    const uint8_t b[2] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)};
    writeBytes(b, 2);
}

void PackWriter::writeByte(uint8_t v) { writeBytes(&v, 1); }

void PackWriter::writeString(const char* s) {
    const size_t n = s ? std::strlen(s) : 0;
    writeInt(static_cast<int32_t>(n));
    writeBytes(s, n);
}

void PackWriter::writeText(const char* format, ...) {
    if (!log_) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log_, format, args);
    va_end(args);
}
