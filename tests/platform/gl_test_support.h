// Helpers of the platform tests: a headless GL context that fails the test when GL is missing,
// meshes over caller-given points, and pixel reads.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mesh/std_mesh3d.h"
#include "platform/posix/egl_surface.h"
#include "platform/posix/headless_context.h"

// Opens a headless context of width x height or ends the test: skipped when this machine has no
// surfaceless EGL platform at all, failed when the platform exists but the context does not.
#define OPEN_HEADLESS_OR_END(context, width, height, ...)                                           \
    do {                                                                                            \
        std::string why_;                                                                           \
        if (!EglSurface::platformAvailable(&why_)) GTEST_SKIP() << "no headless GL here: " << why_; \
        ASSERT_TRUE((context).open((width), (height) __VA_OPT__(, ) __VA_ARGS__)) << (context).error();         \
    } while (0)

using Rgb = std::array<int, 3>;

// The colour of window pixel (x, y), bottom row 0.
inline Rgb readPixel(int x, int y) {
    uint8_t p[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

inline Rgb rgbOf(float r, float g, float b) {
    auto c = [](float v) { return static_cast<int>(v * 255.0f + 0.5f); };
    return {c(r), c(g), c(b)};
}

// A mesh over local points (transformed points as given, or the local ones) with faces over the
// given corners, on one material each.
inline std::unique_ptr<StdMesh3D> meshOf(const std::vector<Vector3>& local, std::vector<std::vector<int32_t>> faces,
                                         std::vector<int32_t> materials, std::vector<Vector3> transformed = {}) {
    auto mesh = std::make_unique<StdMesh3D>();
    auto* points = new Vector3[local.size()];
    std::copy(local.begin(), local.end(), points);
    mesh->adoptPoints(static_cast<int>(local.size()), points);
    if (transformed.empty()) transformed = local;
    for (size_t i = 0; i < transformed.size(); ++i) mesh->setPoint(static_cast<int>(i), transformed[i], 2);
    std::vector<const int32_t*> records;
    for (auto& f : faces) {
        f.insert(f.begin(), static_cast<int32_t>(f.size()));
        records.push_back(f.data());
    }
    mesh->copyFaces(static_cast<int>(faces.size()), records.data(), materials.data());
    return mesh;
}

// A square in the plane z = depth from (x0, y0) to (x1, y1), counter-clockwise seen from +z.
inline std::vector<Vector3> squareAt(float x0, float y0, float x1, float y1, float depth) {
    return {Vector3(x0, y0, depth), Vector3(x1, y0, depth), Vector3(x1, y1, depth), Vector3(x0, y1, depth)};
}
