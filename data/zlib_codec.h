// The compression of packs and pictures behind one seam. Builds with zlib use it
// (zlib_codec_zlib.cpp: gzip files read and written through zlib). Builds without it
// (zlib_codec_builtin.cpp, the browser's) read pack files whose gzip stream was already inflated
// by their host, write no pack files, and inflate pictures with the project's own decoder
// (inflate_decoder.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The bytes of a pack file, inflated.
class PackFileSource {
public:
    virtual ~PackFileSource() = default;
    // Up to n bytes into destination: the count read, 0 at the end, -1 when the stream is damaged.
    virtual int read(uint8_t* destination, int n) = 0;
    // The cause of the last damaged read ("unexpected end of file", ...).
    virtual std::string errorText() = 0;
};

// Where a pack file's bytes go, compressed.
class PackFileSink {
public:
    virtual ~PackFileSink() = default;
    // Writes n bytes (n < 2^31): the count written, 0 or less on failure.
    virtual int write(const uint8_t* bytes, unsigned n) = 0;
    // Finishes and closes the file: true when everything reached it.
    virtual bool finish() = 0;
};

// Opens the pack file at path for reading; null when it cannot be opened.
std::unique_ptr<PackFileSource> openPackFile(const char* path);
// The file at path as plain bytes (a pack stream already inflated); null when it cannot be opened.
std::unique_ptr<PackFileSource> openPlainPackFile(const char* path);
// Creates (or truncates) the pack file at path for writing; null when it cannot be created.
std::unique_ptr<PackFileSink> createPackFile(const char* path);

// Inflates the zlib stream of size bytes into at most capacity bytes. The output buffer comes from
// allocate(), called once the stream has produced its first bytes (a stream that fails at once
// costs no buffer). True when the stream ends (checksum included) within capacity; produced is
// the count written either way.
bool inflateZlibStream(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate,
                       size_t* produced);
// Compresses size bytes into a zlib stream of at most *length bytes at destination; *length is
// set to the stream's size. False when it does not fit or the build cannot compress.
bool compressZlibStream(uint8_t* destination, size_t* length, const uint8_t* source, size_t size);
