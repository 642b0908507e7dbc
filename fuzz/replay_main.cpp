// A plain driver for the fuzz targets, for compilers without libFuzzer: runs the target once on
// every file named on the command line (folders: every file in them, in name order) and reports
// how many ran. A crash or a sanitizer report ends it with a non-zero status, and so does an
// input that takes more than 10 s of processor time (a hang, as libFuzzer's -timeout=10 counts it).
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

char gCurrent[4096] = "";

void onProcessorTimeLimit(int) {
    const char text[] = "replay: over 10 s of processor time on ";
    (void)!write(STDERR_FILENO, text, sizeof text - 1);
    (void)!write(STDERR_FILENO, gCurrent, strnlen(gCurrent, sizeof gCurrent));
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = fs::absolute(argv[i]);
        if (argv[i][0] == '-') continue;  // libFuzzer options are ignored
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 2;
        }
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "running %s (%zu bytes)\n", input.c_str(), bytes.size());
        std::snprintf(gCurrent, sizeof gCurrent, "%s", input.c_str());
        std::signal(SIGPROF, onProcessorTimeLimit);
        itimerval limit{};
        limit.it_value.tv_sec = 10;
        setitimer(ITIMER_PROF, &limit, nullptr);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        limit.it_value.tv_sec = 0;
        setitimer(ITIMER_PROF, &limit, nullptr);
    }
    std::fprintf(stderr, "ran %zu inputs\n", inputs.size());
    return 0;
}
