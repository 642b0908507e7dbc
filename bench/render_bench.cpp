// Headless frame time at 1024x768: a whole loop pass (frame, badge, swap, letterbox) through the
// window in host mode, for an empty frame and for one mesh of 10,000 material faces.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <array>
#include <vector>

#include "mesh/indexed_face.h"
#include "mesh/mesh_base.h"
#include "platform/core/frame_client.h"
#include "platform/gl/gl_render_device.h"
#include "platform/gl/gl_window.h"
#include "platform/posix/headless_context.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A grid of triangles over its own transformed points.
class GridMesh : public MeshBase {
public:
    explicit GridMesh(int triangles) {
        const int columns = 100;
        const int rows = (triangles / 2 + columns - 1) / columns;
        for (int y = 0; y <= rows; ++y)
            for (int x = 0; x <= columns; ++x)
                points_.emplace_back(-10.0f + 20.0f * x / columns, -5.5f + 11.0f * y / rows, 0.0f);
        for (int y = 0; y < rows && static_cast<int>(faces_.size()) < triangles; ++y)
            for (int x = 0; x < columns && static_cast<int>(faces_.size()) < triangles; ++x) {
                const int32_t a = y * (columns + 1) + x, b = a + 1, c = a + columns + 1, d = c + 1;
                faces_.push_back({a, b, d, (x + y) % 8});
                if (static_cast<int>(faces_.size()) < triangles) faces_.push_back({a, d, c, (x + y + 1) % 8});
            }
    }

    int setFaces(int, int32_t**, const int32_t*) override { return 0; }
    int installFace(int, int) override { return 0; }
    int shareFaces(const char*, int, int32_t**, const int32_t*) override { return 0; }
    Face* getFace(int index) override {
        const auto& f = faces_[static_cast<size_t>(index)];
        face_.setIndices(this, 3, f.data());
        face_.setMaterial(f[3]);
        return &face_;
    }
    int getFaceCount() override { return static_cast<int>(faces_.size()); }
    void setTransformMode(int) override {}
    int adoptPoints(int, Vector3*) override { return 0; }
    int copyPoints(int, const Vector3* const*) override { return 0; }
    int sharePoints(const char*, int, Vector3*) override { return 0; }
    int setPoint(int, const Vector3&, int) override { return 0; }
    int setAuxPoint(int, const Vector3&, int) override { return 0; }
    Vector3* getPoint(int index, int space) override {
        return (space == 0 || space == 2) && index >= 0 && index < getPointCount() ? &points_[static_cast<size_t>(index)]
                                                                                   : nullptr;
    }
    Vector3* getAuxPoint(int, int) override { return nullptr; }
    int getPointCount() override { return static_cast<int>(points_.size()); }
    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D*) override { return 0; }

private:
    std::vector<Vector3> points_;
    std::vector<std::array<int32_t, 4>> faces_;  // three corners and a material
    IndexedFace face_;
};

class BenchShow : public FrameClient {
public:
    BenchShow(GLRenderDevice& device, MeshBase* mesh) : device_(device), mesh_(mesh) {}
    int renderFrame(int width, int height, int) override {
        device_.beginFrame();
        device_.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), width, height);
        if (mesh_) device_.drawMesh(*mesh_, kDrawTransformed);
        device_.endFrame();
        return 0;
    }
    void start() override {}
    int getShowTime() override { return 20000; }  // the badge is drawn too

private:
    GLRenderDevice& device_;
    MeshBase* mesh_;
};

void runFrames(benchmark::State& state, int faces) {
    HeadlessContext context;
    if (!context.open(kWidth, kHeight)) {
        state.SkipWithError(("no headless GL context: " + context.error()).c_str());
        return;
    }
    MaterialLibrary library(16);
    for (int i = 0; i < 8; ++i) library.add(new Material(i, ColorRGB(i / 8.0f, 0.5f, 1.0f - i / 8.0f)));
    GLRenderDevice device;
    device.setMaterialLibrary(&library);
    GridMesh mesh(faces);
    BenchShow show(device, faces > 0 ? &mesh : nullptr);
    GLWindow window(context.surface());
    window.setPlayer(&show);
    window.openWindow("Test", kWidth, kHeight, 32, false);
    for (int i = 0; i < 6; ++i) window.drawFrame();  // past the letterbox's first frames
    glFinish();
    for (auto _ : state) {
        window.drawFrame();
        glFinish();
    }
    state.counters["faces"] = faces;
    state.counters["draw_target"] = context.surface()->usesFramebufferObject() ? 1 : 0;
}

void BM_EmptyFrame(benchmark::State& state) { runFrames(state, 0); }
void BM_TenThousandMaterialFaces(benchmark::State& state) { runFrames(state, 10000); }

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenThousandMaterialFaces)->Unit(benchmark::kMillisecond);

// Read-back of one 1024x768 frame in the recorder's layout (3-byte BGR) and in the drawing
// buffer's own 4-byte layouts.
void readBack(benchmark::State& state, GLenum format, int bytesPerPixel) {
    HeadlessContext context;
    if (!context.open(kWidth, kHeight)) {
        state.SkipWithError(("no headless GL context: " + context.error()).c_str());
        return;
    }
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * bytesPerPixel);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (auto _ : state) {
        glReadPixels(0, 0, kWidth, kHeight, format, GL_UNSIGNED_BYTE, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
}

void BM_ReadBackBgr(benchmark::State& state) { readBack(state, 0x80E0 /* GL_BGR_EXT */, 3); }
void BM_ReadBackBgra(benchmark::State& state) { readBack(state, 0x80E1 /* GL_BGRA_EXT */, 4); }
void BM_ReadBackRgba(benchmark::State& state) { readBack(state, GL_RGBA, 4); }

BENCHMARK(BM_ReadBackBgr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBackBgra)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBackRgba)->Unit(benchmark::kMillisecond);

}  // namespace
