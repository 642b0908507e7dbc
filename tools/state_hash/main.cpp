// state_hash [--dir DIR] SECONDS...: plays the show in DIR (default: the working directory) as the
// live program does, in steps of 1000/60 ms, on a render device that draws nothing but hashes
// every primitive, matrix, colour and picture it is handed: the show's whole simulated state as
// it reaches the screen (scene graph, controllers, physics, soft bodies, effects). For each time
// it prints the step, the hash of that step's drawing, and the hash of every step up to it:
//
//     12.000 step 720 frame 3f1c... run 9a0b... primitives 5120
//
// Builds of other widths or compilers that compute the same show print the same lines. Exit code
// 1 when the show cannot be loaded, 2 on bad usage.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/show_session.h"
#include "platform/device/render_device_core.h"

namespace {

constexpr int kStepsPerSecond = 60;
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// FNV-1a over bytes: the same on every width and byte order of the float bits hashed.
class Hash {
public:
    void add(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) value_ = (value_ ^ p[i]) * 1099511628211ull;
    }
    void addFloat(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        addWord(bits);
    }
    void addWord(uint32_t word) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                                  static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
        add(bytes, sizeof bytes);
    }
    uint64_t value() const { return value_; }

private:
    uint64_t value_ = 14695981039346656037ull;
};

// The device that draws nothing and hashes what it is handed, per step.
class HashingRenderDevice final : public RenderDeviceCore {
public:
    Hash frame;
    long long primitives = 0;

protected:
    void clearBuffers(bool colour, bool depth) override { frame.addWord(0x10u | colour << 1 | depth); }
    void loadClearColour(float r, float g, float b) override {
        frame.addWord(0x11u);
        for (float f : {r, g, b}) frame.addFloat(f);
    }
    void loadMatrices(const Matrix4& projection, const Matrix4& modelview) override {
        frame.addWord(0x12u);
        for (float f : projection.m) frame.addFloat(f);
        for (float f : modelview.m) frame.addFloat(f);
    }
    void enableBlending(bool on) override { frame.addWord(0x13u | on << 8); }
    void drawPrimitive(const Primitive& p) override {
        ++primitives;
        frame.addWord(0x14u | static_cast<uint32_t>(p.kind) << 8);
        for (float f : {p.r, p.g, p.b, p.a}) frame.addFloat(f);
        frame.addWord(static_cast<uint32_t>(p.vertexCount));
        for (int i = 0; i < p.vertexCount; ++i)
            for (float f : {p.vertices[i].x, p.vertices[i].y, p.vertices[i].z}) frame.addFloat(f);
    }
    void flush() override {}
    TextureName newTexture(int width, int height, const void* pixels, bool hasAlpha) override {
        frame.addWord(0x15u);
        hashPixels(width, height, pixels, hasAlpha);
        return nextTexture_++;
    }
    void loadTexels(TextureName name, int, int, int width, int height, bool hasAlpha, const void* pixels) override {
        frame.addWord(0x16u | static_cast<uint32_t>(name) << 8);
        hashPixels(width, height, pixels, hasAlpha);
    }
    void selectTexture(TextureName name) override { frame.addWord(0x17u | static_cast<uint32_t>(name) << 8); }
    void drawPicture(TextureName name, float opacity, float deviceAlpha) override {
        ++primitives;
        frame.addWord(0x18u | static_cast<uint32_t>(name) << 8);
        frame.addFloat(opacity);
        frame.addFloat(deviceAlpha);
    }

private:
    void hashPixels(int width, int height, const void* pixels, bool hasAlpha) {
        frame.addWord(static_cast<uint32_t>(width));
        frame.addWord(static_cast<uint32_t>(height));
        if (pixels && width > 0 && height > 0)
            frame.add(pixels, static_cast<size_t>(width) * static_cast<size_t>(height) * (hasAlpha ? 4 : 3));
    }

    TextureName nextTexture_ = 1;
};

int usage() {
    std::fputs("usage: state_hash [--dir DIR] SECONDS...\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = ".";
    std::vector<int64_t> steps;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir" && i + 1 < argc) {
            dir = argv[++i];
            continue;
        }
        char* end = nullptr;
        const double seconds = std::strtod(arg.c_str(), &end);
        if (end == arg.c_str() || *end != '\0' || !(seconds >= 0) || seconds > 3600) return usage();
        steps.push_back(std::llround(seconds * kStepsPerSecond));
    }
    if (steps.empty()) return usage();

    // The live program's start-up on the hashing device: load, then the start at clock 0.
    HashingRenderDevice* device = nullptr;
    ShowSession session([&device]() {
        auto made = std::make_unique<HashingRenderDevice>();
        device = made.get();
        return std::unique_ptr<RenderDevice>(std::move(made));
    });
    const ShowLoadResult load = session.open(dir);
    if (!load.loaded()) {
        std::fprintf(stderr, "state_hash: %s\n", load.error.text().c_str());
        return 1;
    }
    session.attach(nullptr, kWidth, kHeight);

    int64_t last = 0;
    for (const int64_t step : steps) last = step > last ? step : last;
    Hash run;
    for (int64_t step = 0; step <= last; ++step) {
        device->frame = Hash();
        session.step(step, StepDrawing::Drawn);
        const uint64_t frame = device->frame.value();
        run.addWord(static_cast<uint32_t>(frame));
        run.addWord(static_cast<uint32_t>(frame >> 32));
        for (const int64_t wanted : steps)
            if (wanted == step) {
                std::printf("%.3f step %" PRId64 " frame %016" PRIx64 " run %016" PRIx64 " primitives %lld\n",
                            static_cast<double>(step) / kStepsPerSecond, step, frame, run.value(), device->primitives);
                break;
            }
    }
    return 0;
}
