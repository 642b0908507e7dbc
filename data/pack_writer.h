// PackWriter: the mirror of PackReader that every save writes to. Writes a gzip stream to a
// temporary file that replaces the target only when close() succeeds, so a failed save never
// destroys an existing file; or collects the uncompressed bytes in memory.
// writeText is a diagnostic line: it goes to the log (if any), never into the stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class PackFileSink;

class PackWriter {
public:
    PackWriter();
    virtual ~PackWriter();  // an unclosed file is abandoned (temporary removed)
    PackWriter(const PackWriter&) = delete;
    PackWriter& operator=(const PackWriter&) = delete;

    // 0 when the temporary file "<path>.tmp" was created, 5 otherwise.
    int open(const char* path);
    // Collects the uncompressed stream in memory (bytes()).
    void openMemory();
    // Flushes and, for a file, renames the temporary over the target. False on any failure,
    // in which case the target is untouched and the temporary removed.
    bool close();
    // Drops a half-written file.
    void abort();

    // Little-endian typed writes, the mirror of PackReader's reads.
    virtual void writeInt(int32_t v);
    virtual void writeFloat(float v);
    virtual void writeShort(int16_t v);
    virtual void writeByte(uint8_t v);
    // Counted string: int32 length, then the bytes (no NUL).
    virtual void writeString(const char* s);
    // printf-style diagnostic line to the log; not part of the stream.
    virtual void writeText(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Raw bytes; a failed write marks the writer failed and later writes do nothing.
    void writeBytes(const void* data, size_t n);
    // Where writeText lines go (not owned); none by default.
    void setLog(FILE* log) { log_ = log; }
    // True once opening or any write failed, or after abort().
    bool failed() const { return failed_; }
    // The stream collected by openMemory().
    const std::vector<uint8_t>& bytes() const { return memory_; }
    // Uncompressed bytes written so far.
    uint64_t offset() const { return written_; }

private:
    std::unique_ptr<PackFileSink> file_;
    bool toMemory_ = false;
    std::vector<uint8_t> memory_;
    std::string path_;
    std::string tempPath_;
    FILE* log_ = nullptr;
    bool failed_ = false;
    uint64_t written_ = 0;
};
