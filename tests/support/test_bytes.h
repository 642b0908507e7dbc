// Hand-made test inputs: little-endian appenders for records and files, and files written under
// the test's temporary folder.
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

// Writes bytes to a file under the test's temporary folder (or under dir); returns its path.
inline std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes,
                             std::string dir = "") {
    const std::filesystem::path path = std::filesystem::path(dir.empty() ? testing::TempDir() : dir) / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}
