// The OpenGL render device against a real (headless) GL context: colours, primitives, the
// translucent pass, alpha state, cameras and culling, screen textures.
#include "platform/gl_render_device.h"
#include "platform/recording_render_device.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "gl_test_support.h"
#include "platform/message_box.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kW = 64;
constexpr int kH = 36;

class GLRenderDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        OPEN_HEADLESS_OR_END(context_, kW, kH);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glClearColor(0, 0, 0, 1);
        library_.add(new Material(3, ColorRGB(1.0f, 0.5f, 0.0f)));
        library_.add(new Material(4, ColorRGB(0.0f, 0.0f, 1.0f)));
        library_.add(new Material(5, ColorRGB(1.0f, 0.0f, 0.0f)));
        device_.setMaterialLibrary(&library_);
        // Looking down -z from z = 10: the plane z = 0 shows x in -10..10, y in -5.6..5.6.
        device_.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), kW, kH);
        device_.beginFrame();
    }

    HeadlessContext context_;
    MaterialLibrary library_{1000};
    GLRenderDevice device_;
};

TEST_F(GLRenderDeviceTest, FaceIsDrawnInItsMaterialColourAsTriangleOrPolygon) {
    // A square over the whole view: a polygon fills it, the first triangle alone would leave the
    // upper-left half empty.
    TestMesh mesh(squareAt(-20, -20, 20, 20, 0));
    mesh.addFace({0, 1, 2, 3}, 3);
    device_.drawMesh(mesh, kDrawTransformed);
    device_.endFrame();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), rgbOf(1.0f, 0.5f, 0.0f));
    EXPECT_EQ(readPixel(2, kH - 3), rgbOf(1.0f, 0.5f, 0.0f));

    // A triangle with the same corners 0, 1, 2 covers only the lower-right half.
    device_.beginFrame();
    TestMesh triangle(squareAt(-20, -20, 20, 20, 0));
    triangle.addFace({0, 1, 2}, 4);
    device_.drawMesh(triangle, kDrawTransformed);
    EXPECT_EQ(readPixel(kW - 3, 2), rgbOf(0, 0, 1));
    EXPECT_EQ(readPixel(2, kH - 3), rgbOf(0, 0, 0));
}

TEST_F(GLRenderDeviceTest, MissingMaterialIsReportedOnceAndDrawnInTheFaceColour) {
    CapturedMessageBoxes boxes;
    TestMesh mesh(squareAt(-20, -20, 20, 20, 0));
    mesh.addFace({0, 1, 2, 3}, 77);  // not in the library
    mesh.addFace({0, 1, 2, 3}, 77);
    for (int frame = 0; frame < 3; ++frame) {
        device_.beginFrame();
        device_.drawMesh(mesh, kDrawTransformed);
        device_.endFrame();
    }
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "");
    EXPECT_EQ(boxes.calls()[0].caption, "ERROR: Material null in draw face");
    // The face view's own colour is black unless set: give it one through a direct drawFace.
    IndexedFace face;
    const int32_t indices[] = {0, 1, 2, 3};
    face.setIndices(&mesh, 4, indices);
    face.setColour(0.0f, 1.0f, 0.0f);  // material becomes -2: not in the library either
    device_.drawFace(face, kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 1, 0));
    EXPECT_EQ(boxes.calls().size(), 2u);  // a different missing id, reported once more

    // Material -1 draws nothing, and without a library nothing is drawn at all.
    device_.beginFrame();
    face.setMaterial(-1);
    device_.drawFace(face, kDrawTransformed);
    face.setMaterial(3);
    device_.setMaterialLibrary(nullptr);
    device_.drawFace(face, kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 0, 0));
}

TEST_F(GLRenderDeviceTest, TranslucentMeshesAreDrawnAfterOpaqueOnesWithBlendingAndVertexSet2) {
    // The translucent red square is nearer and submitted first, with vertex set 0 whose points
    // lie far outside the view: it must be drawn at its transformed points, after the blue one.
    TestMesh red(squareAt(100, 100, 120, 120, 0), squareAt(-20, -20, 20, 20, 1));
    red.addFace({0, 1, 2, 3}, 5);
    red.setParam(0.5f);
    TestMesh blue(squareAt(-20, -20, 20, 20, 0));
    blue.addFace({0, 1, 2, 3}, 4);

    device_.drawMesh(red, kLocalPoints);
    EXPECT_EQ(device_.getTranslucentCount(), 1);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 0, 0));  // deferred: nothing drawn yet
    device_.drawMesh(blue, kDrawTransformed);
    device_.endFrame();

    const Rgb mixed = readPixel(kW / 2, kH / 2);
    EXPECT_NEAR(mixed[0], 128, 2);
    EXPECT_EQ(mixed[1], 0);
    EXPECT_NEAR(mixed[2], 128, 2);
    EXPECT_FLOAT_EQ(device_.getAlpha(), 0.5f);  // left at the last translucent opacity
    EXPECT_EQ(device_.getTranslucentCount(), 0);

    // A second endFrame in the same frame (another clip) does not draw the queue again.
    device_.endFrame();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), mixed);
}

TEST_F(GLRenderDeviceTest, TranslucentQueueGrowsPastItsCapacity) {
    TestMesh empty(squareAt(0, 0, 0, 0, 0));
    empty.setParam(0.25f);
    TestMesh last(squareAt(-20, -20, 20, 20, 0));
    last.addFace({0, 1, 2, 3}, 5);
    last.setParam(0.999f);
    for (int i = 0; i < kTranslucentQueueCapacity; ++i) device_.drawMesh(empty, kDrawTransformed);
    device_.drawMesh(last, kDrawTransformed);
    EXPECT_EQ(device_.getTranslucentCount(), kTranslucentQueueCapacity + 1);
    device_.endFrame();
    EXPECT_NEAR(readPixel(kW / 2, kH / 2)[0], 255, 1);  // the mesh past the capacity was drawn
}

TEST_F(GLRenderDeviceTest, SetAlphaIssuesGlOnlyOnChange) {
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    device_.setAlpha(0.5f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    device_.setAlpha(1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    // Unchanged value: no GL call, so state changed behind the device's back stays.
    glEnable(GL_BLEND);
    device_.setAlpha(1.0f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST(GLRenderDeviceFormulas, FieldOfViewAndFactory) {
    EXPECT_NEAR(lookAtVerticalFieldOfView(), 58.7155, 1e-3);
    EXPECT_NEAR(verticalFieldOfView(90.0f), lookAtVerticalFieldOfView(), 1e-5);
    EXPECT_NEAR(verticalFieldOfView(45.0f), 2.0 * std::atan(std::tan(22.5 * kPi / 180) * 0.5625) * 180 / kPi, 1e-4);
    RenderDevice* none = createRenderDevice(1);
    EXPECT_EQ(none, nullptr);
    RenderDevice* gl = createRenderDevice(0);
    EXPECT_NE(dynamic_cast<GLRenderDevice*>(gl), nullptr);
    delete gl;
}

TEST_F(GLRenderDeviceTest, CameraViewAndFrustumCulling) {
    // With the identity orientation the camera looks along -y, with +z up on the screen and +x
    // on the left (X reversed).
    Camera3D camera;
    camera.setFieldOfView(90.0f);
    camera.setPosition(Vector3(0, 0, 0));
    device_.setCamera(camera, kW, kH);
    EXPECT_TRUE(device_.isCullingEnabled());
    EXPECT_FLOAT_EQ(device_.getFieldOfView(), 90.0f);

    // A square facing the camera at y = -5, covering its left half on the screen (x > 0).
    std::vector<Vector3> left = {Vector3(20, -5, -20), Vector3(0.5f, -5, -20), Vector3(0.5f, -5, 20),
                                 Vector3(20, -5, 20)};
    TestMesh mesh(left);
    mesh.addFace({0, 1, 2, 3}, 4);
    mesh.addFace({3, 2, 1, 0}, 4);  // both windings: no culling assumptions
    device_.drawMesh(mesh, kDrawTransformed);
    EXPECT_EQ(readPixel(3, kH / 2), rgbOf(0, 0, 1));
    EXPECT_EQ(readPixel(kW - 4, kH / 2), rgbOf(0, 0, 0));

    auto box = [](float x0, float y0, float z0, float x1, float y1, float z1) {
        std::vector<Vector3> corners;
        for (int i = 0; i < 8; ++i)
            corners.emplace_back(i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0);
        return corners;
    };
    const auto inView = box(-1, -11, -1, 1, -9, 1);
    const auto behind = box(-1, 9, -1, 1, 11, 1);
    const auto straddling = box(-1, -1, -1, 1, 1, 1);  // the near plane cuts it
    const auto beyondFar = box(-1, -400, -1, 1, -350, 1);
    EXPECT_EQ(device_.isVisible(inView.data(), 8), 1);
    EXPECT_EQ(device_.isVisible(behind.data(), 8), 0);
    EXPECT_EQ(device_.isVisible(straddling.data(), 8), 1);
    // Every corner lies inside the five other planes: only the far plane rejects it.
    EXPECT_EQ(device_.isVisible(beyondFar.data(), 8), 0);
    // A box outside the left plane at the camera's side.
    const auto outsideLeft = box(50, -11, -1, 60, -9, 1);
    EXPECT_EQ(device_.isVisible(outsideLeft.data(), 8), 0);

    // The planes are normalised.
    for (int i = 0; i < kFrustumPlaneCount; ++i) {
        const Plane& p = device_.getFrustumPlanes()[i];
        EXPECT_NEAR(std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c), 1.0, 1e-5) << i;
    }

    // The recording device culls as this one does, and an empty point set counts as visible.
    RecordingRenderDevice recording;
    recording.setCamera(camera, kW, kH);
    for (const auto* points : {&inView, &behind, &straddling, &beyondFar, &outsideLeft})
        EXPECT_EQ(recording.isVisible(points->data(), 8), device_.isVisible(points->data(), 8));
    EXPECT_EQ(device_.isVisible(nullptr, 0), 1);
    EXPECT_EQ(recording.isVisible(nullptr, 0), 1);

    // After setLookAt culling is off: everything counts as visible.
    device_.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), kW, kH);
    EXPECT_FALSE(device_.isCullingEnabled());
    EXPECT_FLOAT_EQ(device_.getFieldOfView(), 90.0f);
    EXPECT_EQ(device_.isVisible(behind.data(), 8), 1);
}

TEST_F(GLRenderDeviceTest, ScreenTextureRowZeroIsAtTheTopAndColumnZeroAtTheRight) {
    // 2 x 2 RGBA texture: row 0 red, green; row 1 blue, white.
    const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    TextureName name = 0;
    device_.createTexture(2, 2, texels, &name, 1);
    ASSERT_NE(name, 0u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
    EXPECT_EQ(readPixel(kW - 2, kH - 2), rgbOf(1, 0, 0));  // top right: row 0, column 0
    EXPECT_EQ(readPixel(1, kH - 2), rgbOf(0, 1, 0));       // top left: row 0, column 1
    EXPECT_EQ(readPixel(kW - 2, 1), rgbOf(0, 0, 1));       // bottom right: row 1, column 0
    EXPECT_EQ(readPixel(1, 1), rgbOf(1, 1, 1));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // updateTexture replaces a texel (RGB source, unpack alignment 1); the state is the set's.
    const uint8_t yellow[] = {255, 255, 0};
    device_.updateTexture(0, 0, 1, 1, name, 0, yellow);
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
    EXPECT_EQ(readPixel(kW - 2, kH - 2), rgbOf(1, 1, 0));
    GLint filter = 0, wrap = 0, env = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(filter, GL_NEAREST);
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(env, GL_MODULATE);

    // A picture drawn while the device alpha is below 1 leaves blending on for what follows.
    device_.setAlpha(0.5f);
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    device_.setAlpha(1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
