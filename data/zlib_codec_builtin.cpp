// The pack and picture compression where the build has no zlib: the host inflates pack files
// before the program reads them, pictures are inflated by the project's own decoder, and nothing
// is compressed.
#include "data/zlib_codec.h"

#include "data/inflate_decoder.h"

std::unique_ptr<PackFileSource> openPackFile(const char* path) { return openPlainPackFile(path); }

std::unique_ptr<PackFileSink> createPackFile(const char*) { return nullptr; }

bool inflateZlibStream(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate,
                       size_t* produced) {
    return decodeZlibStream(data, size, capacity, allocate, produced);
}

bool compressZlibStream(uint8_t*, size_t* length, const uint8_t*, size_t) {
    *length = 0;
    return false;
}
