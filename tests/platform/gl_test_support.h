// Helpers of the platform tests: a headless GL context that fails the test when GL is missing,
// a small mesh over caller-given points, and pixel reads.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_face.h"
#include "mesh/mesh_base.h"
#include "platform/egl_surface.h"
#include "platform/headless_context.h"

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

// A mesh node over its own points: local and transformed points given separately, faces as
// index lists with a material each.
class TestMesh : public MeshBase {
public:
    TestMesh(std::vector<Vector3> local, std::vector<Vector3> transformed) : local_(std::move(local)),
                                                                             transformed_(std::move(transformed)) {}
    explicit TestMesh(std::vector<Vector3> points) : TestMesh(points, points) {}

    // Appends a face over the given point indices.
    void addFace(std::vector<int32_t> indices, int material) {
        faces_.push_back({std::move(indices), material});
    }

    int setFaces(int, int32_t**, const int32_t*) override { return 0; }
    int installFace(int, int) override { return 0; }
    int shareFaces(const char*, int, int32_t**, const int32_t*) override { return 0; }
    Face* getFace(int index) override {
        if (index < 0 || index >= getFaceCount()) return nullptr;
        const auto& f = faces_[static_cast<size_t>(index)];
        face_.setIndices(this, static_cast<int>(f.indices.size()), f.indices.data());
        face_.setMaterial(f.material);
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
        std::vector<Vector3>& points = space == 0 ? local_ : transformed_;
        if ((space != 0 && space != 2) || index < 0 || index >= static_cast<int>(points.size())) return nullptr;
        return &points[static_cast<size_t>(index)];
    }
    Vector3* getAuxPoint(int, int) override { return nullptr; }
    int getPointCount() override { return static_cast<int>(local_.size()); }

    Node3D* createInstance() override { return nullptr; }
    int copyDataTo(Node3D*) override { return 0; }

private:
    struct FaceRecord {
        std::vector<int32_t> indices;
        int material;
    };
    std::vector<Vector3> local_;
    std::vector<Vector3> transformed_;
    std::vector<FaceRecord> faces_;
    IndexedFace face_;
};

// A square in the plane z = depth from (x0, y0) to (x1, y1), counter-clockwise seen from +z.
inline std::vector<Vector3> squareAt(float x0, float y0, float x1, float y1, float depth) {
    return {Vector3(x0, y0, depth), Vector3(x1, y0, depth), Vector3(x1, y1, depth), Vector3(x0, y1, depth)};
}
