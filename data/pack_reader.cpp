// PackReader: hands out the decompressed bytes of the pack in small typed reads, refilling a
// 10000-byte block buffer, with a sticky failure state for truncated or malformed input.
#include "data/pack_reader.h"

#include "data/zlib_codec.h"

#include <bit>
#include <cstring>
#include <string>

namespace {

// The stream is little-endian; a big-endian host reverses multi-byte values.
inline void fromLittleEndian(uint8_t* p, int n) {
    if constexpr (std::endian::native == std::endian::big) {
        for (int i = 0, j = n - 1; i < j; ++i, --j) {
            const uint8_t t = p[i];
            p[i] = p[j];
            p[j] = t;
        }
    }
}

}  // namespace

PackReader::PackReader() = default;

PackReader::~PackReader() { close(); }

std::string PackReader::pathInFolder(const char* name) const {
    const std::string file = name ? name : "";
    if (folder_.empty() || folder_ == ".") return file;
    return folder_.back() == '/' ? folder_ + file : folder_ + "/" + file;
}

int PackReader::open(const char* path) {
    close();
    cursor_ = 0;
    fill_ = 0;
    consumed_ = 0;
    failed_ = false;
    streamError_ = false;
    failure_ = ReadError{};
    error_.clear();
    firstNote_.clear();
    noteCount_ = 0;
    name_ = path ? path : "";
    if (!path) return 5;
    file_ = openPackFile(path);
    return file_ ? 0 : 5;
}

int PackReader::openMemory(const void* data, size_t size, const char* name) {
    close();
    cursor_ = 0;
    fill_ = 0;
    consumed_ = 0;
    failed_ = false;
    streamError_ = false;
    failure_ = ReadError{};
    error_.clear();
    firstNote_.clear();
    noteCount_ = 0;
    name_ = name ? name : "memory";
    const auto* bytes = static_cast<const uint8_t*>(data);
    memoryData_.assign(bytes, bytes + (data ? size : 0));
    memoryPos_ = 0;
    memory_ = true;
    return 0;
}

void PackReader::close() {
    file_.reset();
    if (memory_) {
        memory_ = false;
        memoryData_.clear();
        memoryData_.shrink_to_fit();
        memoryPos_ = 0;
    }
}

void PackReader::refill() {
    consumed_ += static_cast<uint64_t>(fill_);
    cursor_ = 0;
    fill_ = 0;
    if (file_) {
        const int got = file_->read(buffer_, kBlockSize);
        if (got > 0) {
            fill_ = got;
        } else if (got < 0) {
            streamError_ = true;
        }
    } else if (memory_) {
        const size_t left = memoryData_.size() - memoryPos_;
        const size_t take = left < static_cast<size_t>(kBlockSize) ? left : static_cast<size_t>(kBlockSize);
        if (take > 0) std::memcpy(buffer_, memoryData_.data() + memoryPos_, take);
        memoryPos_ += take;
        fill_ = static_cast<int>(take);
    }
}

int PackReader::readBytes(void* destination, int n) {
    auto* d = static_cast<uint8_t*>(destination);
    if (n <= 0) return 0;
    if (failed_) {
        std::memset(d, 0, static_cast<size_t>(n));
        return 0;
    }
    if (cursor_ >= fill_) refill();
    if (cursor_ + n < fill_) {
        std::memcpy(d, buffer_ + cursor_, static_cast<size_t>(n));
        cursor_ += n;
        return n;
    }
    return readStraddling(d, n);
}

int PackReader::readStraddling(uint8_t* d, int n) {
    const uint64_t start = offset();
    int got = 0;
    for (;;) {
        int take = fill_ - cursor_;
        if (take > n - got) take = n - got;
        if (take > 0) {
            std::memcpy(d + got, buffer_ + cursor_, static_cast<size_t>(take));
            cursor_ += take;
            got += take;
        }
        if (cursor_ < fill_ || fill_ <= 0) break;
        // The buffered bytes are used up: refill at once, even when the request ended exactly
        // at the end of the block, so the next read starts at the head of the new block.
        refill();
        if (got == n) break;
    }
    if (got < n) {
        std::memset(d, 0, static_cast<size_t>(n));
        if (streamError_) {
            const std::string message = file_ ? file_->errorText() : "read error";
            failAt("corrupt stream (" + message + ")", start, what_);
        } else if (!file_ && !memory_) {
            failAt("nothing open", start, what_);
        } else {
            failAt("truncated", start, what_);
        }
        return 0;
    }
    return n;
}

int PackReader::readZString(char* destination, size_t capacity) {
    if (capacity == 0) {
        fail("no room for a string");
        return 0;
    }
    for (size_t i = 0; i < capacity; ++i) {
        uint8_t byte = 0;
        const int result = readByte(&byte);
        destination[i] = static_cast<char>(byte);
        if (result == 0) {
            destination[i] = '\0';
            return 0;
        }
        if (byte == 0) return result;
    }
    destination[capacity - 1] = '\0';
    fail("string longer than " + std::to_string(capacity - 1) + " bytes");
    return 0;
}

int PackReader::readInt(int32_t* destination) {
    auto* d = reinterpret_cast<uint8_t*>(destination);
    const int got = readBytes(d, 4);
    fromLittleEndian(d, 4);
    return got > 0 ? 1 : 0;
}

int PackReader::readFloat(float* destination) {
    auto* d = reinterpret_cast<uint8_t*>(destination);
    const int got = readBytes(d, 4);
    fromLittleEndian(d, 4);
    return got > 0 ? 1 : 0;
}

int PackReader::readShort(int16_t* destination) {
    auto* d = reinterpret_cast<uint8_t*>(destination);
    const int got = readBytes(d, 2);
    fromLittleEndian(d, 2);
    return got > 0 ? 1 : 0;
}

int PackReader::readByte(uint8_t* destination) { return readBytes(destination, 1) > 0 ? 1 : 0; }

void PackReader::readCountedString(char* destination, size_t capacity) {
    // The count goes through the float slot, as a raw 4-byte read.
    float raw = 0.0f;
    readFloat(&raw);
    int32_t count = 0;
    std::memcpy(&count, &raw, sizeof count);
    if (capacity == 0) {
        fail("no room for a string");
        return;
    }
    destination[0] = '\0';
    if (failed_ || count <= 0) return;
    if (static_cast<uint64_t>(count) >= capacity) {
        fail("string of " + std::to_string(count) + " bytes longer than " + std::to_string(capacity - 1));
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        uint8_t byte = 0;
        readByte(&byte);
        destination[i] = static_cast<char>(byte);
    }
    destination[count] = '\0';
}

int32_t PackReader::getInt() {
    int32_t v = 0;
    readInt(&v);
    return v;
}

float PackReader::getFloat() {
    float v = 0.0f;
    readFloat(&v);
    return v;
}

int16_t PackReader::getShort() {
    int16_t v = 0;
    readShort(&v);
    return v;
}

uint8_t PackReader::getByte() {
    uint8_t v = 0;
    readByte(&v);
    return v;
}

bool PackReader::checkCount(int32_t n, int32_t maxCount, const char* what) {
    if (failed_) return false;
    if (n < 0 || n > maxCount) failAt("bad count " + std::to_string(n), offset(), what ? what : what_);
    return !failed_;
}

void PackReader::fail(const std::string& reason) { failAt(reason, offset(), what_); }

void PackReader::note(const std::string& reason) {
    if (noteCount_++ == 0)
        firstNote_ = name_ + ": " + reason + " at byte " + std::to_string(offset()) + " while reading " + what_;
}

std::string PackReader::noteSummary() const {
    if (noteCount_ <= 1) return firstNote_;
    return firstNote_ + "; " + std::to_string(noteCount_ - 1) + " more like it";
}

void PackReader::failAt(const std::string& reason, uint64_t at, const char* what) {
    if (failed_) return;
    failed_ = true;
    failure_ = ReadError{name_, at, reason, what ? what : "data"};
    error_ = failure_.text();
}

std::string ReadError::text() const {
    if (what.empty()) return file + ": " + reason;
    return file + ": " + reason + " at byte " + std::to_string(offset) + " while reading " + what;
}
