// Shared set-up of the fuzz targets: a quiet process (message boxes and the FLI decoder's fatal
// errors answered without output or exit) and an in-memory file that path-based loaders open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Once per process: message boxes and report lines go to silent sinks, the FLI decoder's fatal
// errors return instead of ending the process, and a fresh show folder is made holding
// "spinner.flc" (the FLC file the sample show names), removed again at exit.
void quietFuzzProcess();
// That show folder (after quietFuzzProcess; empty before).
const std::string& fuzzShowFolder();

// The uncompressed stream of a pack file (empty when it cannot be read).
std::vector<uint8_t> readPackStream(const char* path);

// Bytes behind a file name: a memory-backed file, rewritten for every input.
class MemoryFile {
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the file's content; returns the path that opens it.
    const char* write(const uint8_t* data, size_t size);
    const char* path() const { return path_.c_str(); }

private:
    int fd_ = -1;
    std::string path_;
};
