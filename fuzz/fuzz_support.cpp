// Quiet process set-up and memory-backed files for the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <zlib.h>

#include "app/fli_reader.h"
#include "data/message_box.h"

#ifndef DEMO_SOURCE_DIR
#error "DEMO_SOURCE_DIR must name the source tree"
#endif

namespace {

std::filesystem::path gWorkDir;
std::string gWorkDirName;

void removeWorkDir() {
    std::error_code ec;
    if (!gWorkDir.empty()) std::filesystem::remove_all(gWorkDir, ec);
}

}  // namespace

void quietFuzzProcess() {
    static bool done = false;
    if (done) return;
    done = true;
    setMessageBoxSink([](const MessageBoxCall&) { return MessageBoxResult::Ok; });
    setReportLineSink([](const char*) {});
    setFliFatalSink([](const char*) {});

    char pattern[] = "/tmp/demo_fuzz_XXXXXX";
    if (!mkdtemp(pattern)) return;
    gWorkDir = pattern;
    std::error_code ec;
    std::filesystem::copy_file(std::filesystem::path(DEMO_SOURCE_DIR) / "tests/data_files/flic/2422.flc",
                               gWorkDir / "spinner.flc", ec);
    gWorkDirName = gWorkDir.string();
    std::atexit(removeWorkDir);
}

const std::string& fuzzShowFolder() { return gWorkDirName; }

std::vector<uint8_t> readPackStream(const char* path) {
    std::vector<uint8_t> out;
    gzFile f = gzopen(path, "rb");
    if (!f) return out;
    uint8_t block[65536];
    for (int n; (n = gzread(f, block, sizeof block)) > 0;) out.insert(out.end(), block, block + n);
    gzclose(f);
    return out;
}

MemoryFile::MemoryFile() {
    fd_ = memfd_create("fuzz_input", 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) close(fd_);
}

const char* MemoryFile::write(const uint8_t* data, size_t size) {
    if (fd_ < 0) return path_.c_str();
    if (ftruncate(fd_, 0) != 0) return path_.c_str();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return path_.c_str();
}
