// The OpenGL render device through one frame of three tracks: a scene ending with a translucent
// mesh, a picture over the whole view, then a scene with an opaque and a translucent mesh. The
// later opaque faces come out opaque and the later translucent ones blended.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "gl_test_support.h"
#include "platform/gl_render_device.h"
#include "scene/material.h"
#include "scene/material_library.h"

namespace {

constexpr int kW = 64;
constexpr int kH = 36;

TEST(GLRenderDeviceTracks, OpaqueFacesAfterAPictureStayOpaqueAndTranslucentOnesBlend) {
    HeadlessContext context;
    OPEN_HEADLESS_OR_END(context, kW, kH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0, 0, 0, 1);
    MaterialLibrary library(1000);
    library.add(new Material(4, ColorRGB(0.0f, 0.0f, 1.0f)));
    library.add(new Material(5, ColorRGB(1.0f, 0.0f, 0.0f)));
    GLRenderDevice device;
    device.setMaterialLibrary(&library);
    const Vector3 eye(0, 0, 10), target(0, 0, 0);
    device.beginFrame();

    // Track 0: a scene whose last mesh is translucent; endFrame leaves the device alpha at 0.5.
    device.setLookAt(eye, target, kW, kH);
    auto veil = meshOf(squareAt(-20, -20, 20, 20, 0), {{0, 1, 2, 3}}, {4});
    veil->setParam(0.5f);
    device.drawMesh(*veil, kDrawTransformed);
    device.endFrame();
    ASSERT_FLOAT_EQ(device.getAlpha(), 0.5f);

    // Track 1: an opaque green picture over the whole view.
    const uint8_t green[] = {0, 255, 0, 255};
    TextureName texture = 0;
    device.createTexture(1, 1, green, &texture, 1);
    device.drawScreenTexture(0, 0, kW, kH, texture, 1.0f);
    ASSERT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 1, 0));

    // Track 2: an opaque red square on the left half, a translucent blue one on the right half.
    device.setLookAt(eye, target, kW, kH);
    device.drawMesh(*meshOf(squareAt(-20, -20, 0, 20, 1), {{0, 1, 2, 3}}, {5}), kDrawTransformed);
    auto glass = meshOf(squareAt(0, -20, 20, 20, 1), {{0, 1, 2, 3}}, {4});
    glass->setParam(0.5f);
    device.drawMesh(*glass, kDrawTransformed);
    device.endFrame();

    EXPECT_EQ(readPixel(kW / 4, kH / 2), rgbOf(1, 0, 0));   // opaque: the picture does not show through
    const Rgb blended = readPixel(3 * kW / 4, kH / 2);      // half blue over the green picture
    EXPECT_NEAR(blended[0], 0, 1);
    EXPECT_NEAR(blended[1], 128, 2);
    EXPECT_NEAR(blended[2], 128, 2);
}

}  // namespace
