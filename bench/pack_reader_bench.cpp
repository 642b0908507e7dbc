// Typed PackReader reads against a plain gzread loop over the same gzip file: the cost of the
// typed layer on top of decompression, and the heap allocations it makes per read.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>
#include <zlib.h>

#include "data/pack_reader.h"
#include "data/pack_writer.h"

// Counts every operator new in the process (malloc-backed, so free is the matching release).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long long> gAllocations{0};
}

void* operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kRecords = 1200;
constexpr int kPointsPerRecord = 1500;
constexpr int kFacesPerRecord = 800;

const std::string& packPath() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / ("pack_reader_bench_" + std::to_string(getpid()) + ".pak"))
                .string();
        PackWriter w;
        if (w.open(p.c_str()) != 0) std::abort();
        uint32_t s = 1;
        auto next = [&s] {
            s = s * 214013u + 2531011u;
            return static_cast<int>((s >> 16) & 32767);
        };
        // Mesh-like records: a name, quantised coordinates, triangles, a few shorts and bytes.
        for (int r = 0; r < kRecords; ++r) {
            w.writeInt(r);
            w.writeString(("mesh_" + std::to_string(r)).c_str());
            w.writeInt(kPointsPerRecord);
            for (int i = 0; i < kPointsPerRecord * 3; ++i) w.writeFloat(static_cast<float>(next() % 2000) * 0.01f);
            w.writeInt(kFacesPerRecord);
            for (int i = 0; i < kFacesPerRecord; ++i) {
                w.writeInt(3);
                for (int k = 0; k < 3; ++k) w.writeInt(next() % kPointsPerRecord);
            }
            for (int i = 0; i < 64; ++i) {
                w.writeShort(static_cast<int16_t>(next()));
                w.writeByte(static_cast<uint8_t>(next()));
            }
        }
        if (!w.close()) std::abort();
        std::atexit([] { std::remove(packPath().c_str()); });
        return p;
    }();
    return path;
}

void BM_RawGzread(benchmark::State& state) {
    const std::string& path = packPath();
    static unsigned char buffer[PackReader::kBlockSize];
    int64_t bytes = 0;
    for (auto _ : state) {
        gzFile f = gzopen(path.c_str(), "rb");
        unsigned sum = 0;
        int got;
        while ((got = gzread(f, buffer, PackReader::kBlockSize)) > 0) {
            sum += buffer[got - 1];
            bytes += got;
        }
        gzclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(bytes);
}

void BM_TypedRead(benchmark::State& state) {
    const std::string& path = packPath();
    int64_t bytes = 0;
    long long reads = 0;
    long long allocations = 0;
    for (auto _ : state) {
        PackReader reader;
        PackReader* r = &reader;
        benchmark::DoNotOptimize(r);  // force calls through the virtual table, as loaders make them
        if (r->open(path.c_str()) != 0) std::abort();
        const long long before = gAllocations.load();
        long long n = 0;
        float fsum = 0;
        int32_t isum = 0;
        char name[200];
        for (int rec = 0; rec < kRecords; ++rec) {
            int32_t v;
            r->readInt(&v);
            r->readCountedString(name, sizeof name);
            int32_t points;
            r->readInt(&points);
            for (int i = 0; i < points * 3; ++i) {
                float f;
                r->readFloat(&f);
                fsum += f;
            }
            int32_t faces;
            r->readInt(&faces);
            for (int i = 0; i < faces; ++i) {
                int32_t c;
                r->readInt(&c);
                for (int k = 0; k < c; ++k) {
                    r->readInt(&v);
                    isum += v;
                }
            }
            for (int i = 0; i < 64; ++i) {
                int16_t s;
                uint8_t b;
                r->readShort(&s);
                r->readByte(&b);
                isum += s + b;
            }
            n += 3 + points * 3 + faces * 4 + 128 + 1 + static_cast<long long>(std::strlen(name));
        }
        allocations += gAllocations.load() - before;
        if (r->failed()) state.SkipWithError(r->error().c_str());
        bytes += static_cast<int64_t>(r->offset());
        reads += n;
        r->close();
        benchmark::DoNotOptimize(fsum);
        benchmark::DoNotOptimize(isum);
    }
    state.SetBytesProcessed(bytes);
    state.counters["reads"] = benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kAvgIterations);
    state.counters["allocs_per_read"] =
        benchmark::Counter(reads ? static_cast<double>(allocations) / static_cast<double>(reads) : 0.0);
}

BENCHMARK(BM_RawGzread)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TypedRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Console output plus the typed/raw time ratios at the end (CPU time is the steadier one on a
// shared machine).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                times_[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto raw = times_.find("BM_RawGzread/min_time:1.000");
        const auto typed = times_.find("BM_TypedRead/min_time:1.000");
        if (raw != times_.end() && typed != times_.end() && raw->second.first > 0 && raw->second.second > 0)
            std::printf("typed / raw decompression: %.3f CPU time, %.3f real time (goal <= 1.5)\n",
                        typed->second.second / raw->second.second, typed->second.first / raw->second.first);
    }

private:
    std::map<std::string, std::pair<double, double>> times_;  // real, CPU
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("pack: %s (%lld bytes compressed)\n", packPath().c_str(),
                static_cast<long long>(std::filesystem::file_size(packPath())));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
