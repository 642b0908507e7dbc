// The project's own decoder of zlib streams (RFC 1950 around RFC 1951 DEFLATE), for builds that
// have no zlib library. It decodes exactly what zlib's inflate accepts in one pass over the whole
// input, and checks the stream's Adler-32 sum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Decodes the zlib stream of size bytes into at most capacity bytes, with the contract of
// inflateZlibStream (zlib_codec.h): the buffer comes from allocate() once the first byte is
// produced; true when the stream ends with a matching checksum within capacity; produced is the
// count written either way. Malformed, truncated or oversized streams give false, never a read or
// write outside the input or the buffer.
bool decodeZlibStream(const uint8_t* data, size_t size, size_t capacity, const std::function<uint8_t*()>& allocate,
                      size_t* produced);
