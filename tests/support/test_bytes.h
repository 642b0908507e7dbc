// Hand-made test inputs: little-endian appenders for records and files, WAV files, and files
// written under the test's temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Little-endian appenders for hand-made records.
inline void put16(std::vector<uint8_t>& b, uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>>& parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A 16-bit PCM WAV file of interleaved samples.
inline std::vector<uint8_t> wavBytes(uint32_t rate, uint16_t channels, const std::vector<int16_t>& samples) {
    const auto bytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    put32(b, 36 + bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    for (uint32_t v : {16u, 1u | uint32_t(channels) << 16, rate, rate * channels * 2, uint32_t(channels * 2) | 16u << 16})
        put32(b, v);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, bytes);
    for (int16_t s : samples) put16(b, static_cast<uint16_t>(s));
    return b;
}

// Writes bytes to a file under the test's temporary folder (or under dir); returns its path.
inline std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes,
                             std::string dir = "") {
    const std::filesystem::path path = std::filesystem::path(dir.empty() ? testing::TempDir() : dir) / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}
