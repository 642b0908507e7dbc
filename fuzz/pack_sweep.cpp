// pack_sweep: the sample pack's uncompressed stream cut at 1,000 evenly spaced offsets and, in
// 1,000 more cases, with one byte inverted at evenly spaced positions; each case is compressed
// again and loaded through the players' entry point.
//
//   fuzz_pack_sweep data.pak [cuts|flips]
//
// With cuts or flips only that half runs (CTest runs the halves side by side).
// Every case must load cleanly or fail with a load error that names its byte offset (a cut one
// at or before the cut), or end at an unreadable FLI/FLC file that the message names; none may
// use more than a second of processor time. A crash or a sanitizer report ends the program.
// Prints the counts of each outcome; exits 1 when a case broke a rule.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <zlib.h>

#include "app/fli_reader.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/show_entry.h"

namespace {

constexpr int kCases = 1000;
constexpr double kCaseSeconds = 1.0;

std::string gFatalLine;
char gCaseName[64] = "";

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A case that runs for half a minute of wall time hangs: say which and stop.
void onAlarm(int) {
    const char prefix[] = "pack_sweep: hang in ";
    (void)!write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!write(STDERR_FILENO, gCaseName, strnlen(gCaseName, sizeof gCaseName));
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(3);
}

// The bytes as a gzip stream, as the players read them (fastest level: only the content counts).
std::vector<uint8_t> gzip(const std::vector<uint8_t>& raw) {
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, raw.size()));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct Tally {
    int clean = 0, errors = 0, fliErrors = 0, broken = 0;
    double slowest = 0;
};

// Loads one case; limit is the highest offset an error may name (or -1 for any).
void runCase(const std::vector<uint8_t>& raw, long limit, Tally& tally) {
    static MemoryFile file;
    const std::vector<uint8_t> packed = gzip(raw);
    gFatalLine.clear();
    alarm(30);
    const double start = cpuSeconds();
    ShowLoadResult result;
    {
        ShowSession session(ShowSession::DeviceKind::Null);
        result = fuzzLoadShow(file.write(packed.data(), packed.size()), session);
    }
    const double seconds = cpuSeconds() - start;
    alarm(0);
    if (seconds > tally.slowest) tally.slowest = seconds;

    std::string fault;
    const std::string error = result.error.text();
    if (!gFatalLine.empty()) {
        // The players end here with exit code 1; the message must name the file.
        if (gFatalLine.rfind("Wrong header: ", 0) != 0) fault = "unclear FLI error: " + gFatalLine;
        ++tally.fliErrors;
    } else if (result.loaded()) {
        ++tally.clean;
    } else if (result.status == ShowLoadStatus::Damaged && !result.error.what.empty()) {
        // The error names the byte offset and what was being read.
        if (limit >= 0 && result.error.offset > static_cast<uint64_t>(limit)) fault = "offset past the cut: " + error;
        ++tally.errors;
    } else {
        fault = "error without an offset: " + error;
    }
    if (seconds > kCaseSeconds) fault = "took " + std::to_string(seconds) + " s of processor time";
    if (!fault.empty()) {
        ++tally.broken;
        std::fprintf(stderr, "pack_sweep: %s: %s\n", gCaseName, fault.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string half = argc == 3 ? argv[2] : "";
    if (argc < 2 || argc > 3 || (argc == 3 && half != "cuts" && half != "flips")) {
        std::fprintf(stderr, "usage: fuzz_pack_sweep data.pak [cuts|flips]\n");
        return 2;
    }
    const std::vector<uint8_t> sample = readPackStream(argv[1]);
    if (sample.empty()) {
        std::fprintf(stderr, "pack_sweep: cannot read %s\n", argv[1]);
        return 2;
    }
    quietFuzzProcess();
    setFliFatalSink([](const char* line) { gFatalLine = line; });
    signal(SIGALRM, onAlarm);

    const size_t n = sample.size();
    Tally cuts, flips;
    for (int i = 0; i < kCases && half != "flips"; ++i) {
        const size_t cut = n * static_cast<size_t>(i) / kCases;
        std::snprintf(gCaseName, sizeof gCaseName, "cut at %zu", cut);
        runCase(std::vector<uint8_t>(sample.begin(), sample.begin() + static_cast<ptrdiff_t>(cut)),
                static_cast<long>(cut), cuts);
    }
    std::vector<uint8_t> flipped = sample;
    for (int i = 0; i < kCases && half != "cuts"; ++i) {
        const size_t at = (n * (2 * static_cast<size_t>(i) + 1)) / (2 * kCases);
        std::snprintf(gCaseName, sizeof gCaseName, "byte %zu inverted", at);
        flipped[at] = static_cast<uint8_t>(~flipped[at]);
        runCase(flipped, -1, flips);
        flipped[at] = sample[at];
    }
    std::printf("pack_sweep: %zu-byte stream\n", n);
    if (half != "flips")
        std::printf("  cuts:  %d clean, %d load errors, %d unreadable FLI/FLC, %d broken; slowest %.3f s\n",
                    cuts.clean, cuts.errors, cuts.fliErrors, cuts.broken, cuts.slowest);
    if (half != "cuts")
        std::printf("  flips: %d clean, %d load errors, %d unreadable FLI/FLC, %d broken; slowest %.3f s\n",
                    flips.clean, flips.errors, flips.fliErrors, flips.broken, flips.slowest);
    return cuts.broken + flips.broken == 0 ? 0 : 1;
}
