// The OpenGL render device against a real (headless) GL context: material colours, the
// translucent pass, the camera matrices that OpenGL receives, screen textures.
#include "platform/gl/gl_render_device.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>
#include <utility>
#include <vector>

#include "gl_test_support.h"
#include "scene/camera3d.h"
#include "scene/material.h"
#include "scene/material_library.h"
#include "support/captured_message_boxes.h"

namespace {

constexpr int kW = 64;
constexpr int kH = 36;
const Rgb kOrange = rgbOf(1.0f, 0.5f, 0.0f), kBlue = rgbOf(0, 0, 1), kBlack = rgbOf(0, 0, 0);

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

    // A square over the whole view.
    const std::vector<Vector3> full_ = squareAt(-20, -20, 20, 20, 0);
    HeadlessContext context_;
    MaterialLibrary library_{1000};
    GLRenderDevice device_;
};

TEST_F(GLRenderDeviceTest, FaceIsDrawnInItsMaterialColourAsTriangleOrPolygon) {
    // A polygon fills the view; its first triangle alone would leave the upper-left half empty.
    device_.drawMesh(*meshOf(full_, {{0, 1, 2, 3}}, {3}), kDrawTransformed);
    device_.endFrame();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kOrange);
    EXPECT_EQ(readPixel(2, kH - 3), kOrange);
    // A triangle over corners 0, 1, 2 covers only the lower-right half.
    device_.beginFrame();
    device_.drawMesh(*meshOf(full_, {{0, 1, 2}}, {4}), kDrawTransformed);
    EXPECT_EQ(readPixel(kW - 3, 2), kBlue);
    EXPECT_EQ(readPixel(2, kH - 3), kBlack);
}

TEST_F(GLRenderDeviceTest, MissingMaterialIsReportedOncePerIdAndDrawnInTheFaceColour) {
    CapturedMessageBoxes boxes;
    auto mesh = meshOf(full_, {{0, 1, 2, 3}, {0, 1, 2, 3}}, {77, 77});  // 77 is not in the library
    for (int frame = 0; frame < 3; ++frame) {
        device_.beginFrame();
        device_.drawMesh(*mesh, kDrawTransformed);
        device_.endFrame();
    }
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "");
    EXPECT_EQ(boxes.calls()[0].caption, "ERROR: Material null in draw face");
    // A face given its own colour gets material -2, missing too: drawn in that colour, one more box.
    IndexedFace face;
    const int32_t indices[] = {0, 1, 2, 3};
    face.setIndices(mesh.get(), 4, indices);
    face.setColour(0.0f, 1.0f, 0.0f);
    device_.drawFace(face, kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 1, 0));
    EXPECT_EQ(boxes.calls().size(), 2u);
    // Material -1 draws nothing, and without a library nothing is drawn at all.
    device_.beginFrame();
    face.setMaterial(-1);
    device_.drawFace(face, kDrawTransformed);
    face.setMaterial(3);
    device_.setMaterialLibrary(nullptr);
    device_.drawFace(face, kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kBlack);
}

TEST_F(GLRenderDeviceTest, TranslucentMeshesAreDrawnAfterOpaqueOnesWithBlendingAndVertexSet2) {
    // The translucent red square is nearer and submitted first, with vertex set 0 whose points
    // lie far outside the view: it must be drawn at its transformed points, after the blue one.
    auto red = meshOf(squareAt(100, 100, 120, 120, 0), {{0, 1, 2, 3}}, {5}, squareAt(-20, -20, 20, 20, 1));
    red->setParam(0.5f);
    device_.drawMesh(*red, kLocalPoints);
    EXPECT_EQ(device_.getTranslucentCount(), 1);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kBlack);  // deferred: nothing drawn yet
    device_.drawMesh(*meshOf(full_, {{0, 1, 2, 3}}, {4}), kDrawTransformed);
    device_.endFrame();
    const Rgb mixed = readPixel(kW / 2, kH / 2);
    EXPECT_NEAR(mixed[0], 128, 2);
    EXPECT_EQ(mixed[1], 0);
    EXPECT_NEAR(mixed[2], 128, 2);
    EXPECT_EQ(device_.getTranslucentCount(), 0);
    // A second endFrame in the same frame (another clip) does not draw the queue again.
    device_.endFrame();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), mixed);

    // The queue grows past its capacity: the mesh submitted after it is full is still drawn.
    device_.beginFrame();
    auto empty = meshOf({}, {}, {});
    empty->setParam(0.25f);
    auto last = meshOf(full_, {{0, 1, 2, 3}}, {5});
    last->setParam(0.999f);
    for (int i = 0; i < kTranslucentQueueCapacity; ++i) device_.drawMesh(*empty, kDrawTransformed);
    device_.drawMesh(*last, kDrawTransformed);
    EXPECT_EQ(device_.getTranslucentCount(), kTranslucentQueueCapacity + 1);
    device_.endFrame();
    EXPECT_NEAR(readPixel(kW / 2, kH / 2)[0], 255, 1);
}

TEST_F(GLRenderDeviceTest, ClearsKeepWhatLiesOutsideTheScissorBoxAndLeaveFreshDepthInside) {
    const Rgb red = rgbOf(1, 0, 0);
    // An orange square nearer than the plane z = 0 over everything, then a band as the
    // letterbox sets it.
    const std::vector<Vector3> near = squareAt(-20, -20, 20, 20, 5);
    device_.drawMesh(*meshOf(near, {{0, 1, 2, 3}}, {3}), kDrawTransformed);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 10, kW, 16);
    device_.setClearColor(0, 0, 1);
    device_.beginFrame();
    EXPECT_EQ(readPixel(kW / 2, 5), kOrange);
    EXPECT_EQ(readPixel(kW / 2, 30), kOrange);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kBlue);
    // The box is still set for what follows.
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[1], 10);
    EXPECT_EQ(box[3], 16);
    // Depth inside the box was cleared: the red square behind where the orange one was is drawn,
    // inside the box only.
    device_.drawMesh(*meshOf(full_, {{0, 1, 2, 3}}, {5}), kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), red);
    EXPECT_EQ(readPixel(kW / 2, 5), kOrange);
    // A depth clear alone changes no colour and lets a farther face through again.
    device_.drawMesh(*meshOf(near, {{0, 1, 2, 3}}, {3}), kDrawTransformed);
    device_.clearDepthBuffer();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kOrange);
    device_.drawMesh(*meshOf(full_, {{0, 1, 2, 3}}, {4}), kDrawTransformed);
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kBlue);
    // A colour clear alone keeps the box too.
    device_.setClearColor(0, 0, 0);
    device_.clearColorBuffer();
    EXPECT_EQ(readPixel(kW / 2, kH / 2), kBlack);
    EXPECT_EQ(readPixel(kW / 2, 30), kOrange);
    glDisable(GL_SCISSOR_TEST);
}

TEST_F(GLRenderDeviceTest, CameraViewAndFrustumCulling) {
    // With the identity orientation the camera looks along -y, +z up and +x on the screen's left.
    Camera3D camera;
    camera.setFieldOfView(90.0f);
    camera.setPosition(Vector3(0, 0, 0));
    device_.setCamera(camera, kW, kH);
    EXPECT_TRUE(device_.isCullingEnabled());
    const std::vector<Vector3> left = {Vector3(20, -5, -20), Vector3(0.5f, -5, -20), Vector3(0.5f, -5, 20),
                                       Vector3(20, -5, 20)};
    device_.drawMesh(*meshOf(left, {{0, 1, 2, 3}, {3, 2, 1, 0}}, {4, 4}), kDrawTransformed);  // both windings
    EXPECT_EQ(readPixel(3, kH / 2), kBlue);
    EXPECT_EQ(readPixel(kW - 4, kH / 2), kBlack);

    // The frustum planes are those of the matrices OpenGL holds.
    Matrix4 projection, view;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
    glGetFloatv(GL_MODELVIEW_MATRIX, view.m);
    Plane planes[kFrustumPlaneCount];
    frustumPlanes(projection, view, planes);
    for (int i = 0; i < kFrustumPlaneCount; ++i) {
        const Plane& p = device_.getFrustumPlanes()[i];
        EXPECT_TRUE(p.a == planes[i].a && p.b == planes[i].b && p.c == planes[i].c && p.d == planes[i].d) << i;
    }
}

// One frame of three tracks: a scene ending with a translucent mesh leaves the device alpha at
// 0.5; after an opaque picture, the next scene's opaque faces come out opaque and its translucent
// ones blended.
TEST_F(GLRenderDeviceTest, OpaqueFacesAfterAPictureStayOpaqueAndTranslucentOnesBlend) {
    auto veil = meshOf(full_, {{0, 1, 2, 3}}, {4});
    veil->setParam(0.5f);
    device_.drawMesh(*veil, kDrawTransformed);
    device_.endFrame();
    ASSERT_FLOAT_EQ(device_.getAlpha(), 0.5f);

    const uint8_t green[] = {0, 255, 0, 255};
    TextureName texture = 0;
    device_.createTexture(1, 1, green, &texture, 1);
    device_.drawScreenTexture(0, 0, kW, kH, texture, 1.0f);
    ASSERT_EQ(readPixel(kW / 2, kH / 2), rgbOf(0, 1, 0));

    device_.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), kW, kH);
    device_.drawMesh(*meshOf(squareAt(-20, -20, 0, 20, 1), {{0, 1, 2, 3}}, {5}), kDrawTransformed);
    auto glass = meshOf(squareAt(0, -20, 20, 20, 1), {{0, 1, 2, 3}}, {4});
    glass->setParam(0.5f);
    device_.drawMesh(*glass, kDrawTransformed);
    device_.endFrame();
    EXPECT_EQ(readPixel(kW / 4, kH / 2), rgbOf(1, 0, 0));
    const Rgb blended = readPixel(3 * kW / 4, kH / 2);  // half blue over the green picture
    EXPECT_NEAR(blended[0], 0, 1);
    EXPECT_NEAR(blended[1], 128, 2);
    EXPECT_NEAR(blended[2], 128, 2);
}

// The matrices the core computes are, float for float, those that the GL utility library gives
// OpenGL: the pictures do not change with the backend.
TEST_F(GLRenderDeviceTest, CameraMatricesEqualTheGLUtilityLibrarysOnes) {
    auto current = [](GLenum which) {
        Matrix4 m;
        glGetFloatv(which, m.m);
        return m;
    };
    auto same = [](const Matrix4& a, const Matrix4& b) {
        for (int i = 0; i < 16; ++i)
            if (!(a.m[i] == b.m[i])) return false;
        return true;
    };
    for (float fov : {0.0f, 1.0f, 45.0f, 60.0f, 70.0f, 90.0f, 123.4f}) {
        SCOPED_TRACE(fov);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(verticalFieldOfView(fov), kPictureAspect, kNearPlane, kFarPlane);
        EXPECT_TRUE(same(current(GL_PROJECTION_MATRIX), perspectiveMatrix(verticalFieldOfView(fov))));
    }
    const std::pair<Vector3, Vector3> views[] = {{Vector3(0, 0, -400), Vector3(0, 0, 0)},
                                                 {Vector3(6.3f, 2.0f, -1.7f), Vector3(0, 0, 0)},
                                                 {Vector3(-12.25f, 9.1f, 5.3f), Vector3(0.5f, 1.0f, -3.0f)},
                                                 {Vector3(1, 1, 1), Vector3(1, 1, 1)}};
    for (const auto& [eye, target] : views) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0, 1.0, 0.0);
        const Matrix4 glu = current(GL_MODELVIEW_MATRIX);
        device_.setLookAt(eye, target, kW, kH);
        EXPECT_TRUE(same(current(GL_MODELVIEW_MATRIX), glu)) << eye.x;
    }
}

TEST_F(GLRenderDeviceTest, ReleasedTexturesLeaveTheContext) {
    const unsigned char texels[4] = {0, 255, 0, 255};
    TextureName first = 0, second = 0;
    device_.createTexture(1, 1, texels, &first, 1);
    device_.createTexture(1, 1, texels, &second, 1);
    ASSERT_TRUE(glIsTexture(first));
    ASSERT_TRUE(glIsTexture(second));
    device_.releaseTextures();
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_FALSE(glIsTexture(second));
    // A texture made after the release is kept until the next one.
    TextureName third = 0;
    device_.createTexture(1, 1, texels, &third, 1);
    EXPECT_TRUE(glIsTexture(third));
}

TEST_F(GLRenderDeviceTest, TexelsLoadedAgainAfterAChangeOrAReleaseAreShown) {
    const uint8_t red[] = {255, 0, 0, 255}, green[] = {0, 255, 0, 255}, blue[] = {0, 0, 255, 255};
    auto shown = [&](TextureName name) {
        device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
        return readPixel(kW / 2, kH / 2);
    };
    TextureName a = 0, b = 0;
    device_.createTexture(1, 1, blue, &a, 1);
    device_.createTexture(1, 1, blue, &b, 1);
    device_.updateTexture(0, 0, 1, 1, a, 1, red);
    EXPECT_EQ(shown(a), rgbOf(1, 0, 0));
    device_.updateTexture(0, 0, 1, 1, a, 1, red);  // the same texels again
    EXPECT_EQ(shown(a), rgbOf(1, 0, 0));
    // A load skipped as unchanged leaves the GL state a load leaves: its texture bound, texturing
    // off, whatever was bound and on before.
    auto stateAfterLoading = [&](const uint8_t* texels) {
        glBindTexture(GL_TEXTURE_2D, b);
        glEnable(GL_TEXTURE_2D);
        device_.updateTexture(0, 0, 1, 1, a, 1, texels);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return std::make_pair(bound, glIsEnabled(GL_TEXTURE_2D) == GL_TRUE);
    };
    const auto loaded = stateAfterLoading(blue);
    EXPECT_EQ(loaded, std::make_pair(GLint(a), false));
    EXPECT_EQ(stateAfterLoading(blue), loaded);
    device_.updateTexture(0, 0, 1, 1, a, 1, red);
    device_.updateTexture(0, 0, 1, 1, b, 1, green);  // another texture's load leaves a's alone
    device_.updateTexture(0, 0, 1, 1, a, 1, green);
    EXPECT_EQ(shown(a), rgbOf(0, 1, 0));
    device_.updateTexture(0, 0, 1, 1, a, 1, red);
    EXPECT_EQ(shown(a), rgbOf(1, 0, 0));
    // A load from RGB bytes, then the RGBA texels the texture held before it.
    const uint8_t yellow[] = {255, 255, 0};
    device_.updateTexture(0, 0, 1, 1, a, 0, yellow);
    EXPECT_EQ(shown(a), rgbOf(1, 1, 0));
    device_.updateTexture(0, 0, 1, 1, a, 1, red);
    EXPECT_EQ(shown(a), rgbOf(1, 0, 0));
    // After a release the names come back for new textures: their loads are not skipped.
    device_.releaseTextures();
    TextureName c = 0, d = 0;
    device_.createTexture(1, 1, blue, &c, 1);
    device_.createTexture(1, 1, blue, &d, 1);
    for (TextureName name : {c, d}) {
        device_.updateTexture(0, 0, 1, 1, name, 1, name == a ? red : green);
        EXPECT_EQ(shown(name), name == a ? rgbOf(1, 0, 0) : rgbOf(0, 1, 0)) << name;
    }
}

TEST_F(GLRenderDeviceTest, ScreenTextureRowZeroIsAtTheTopAndColumnZeroAtTheRight) {
    // 2 x 2 RGBA texture: row 0 red, green; row 1 blue, white.
    const uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    TextureName name = 0;
    device_.createTexture(2, 2, texels, &name, 1);
    ASSERT_NE(name, 0u);
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
    EXPECT_EQ(readPixel(kW - 2, kH - 2), rgbOf(1, 0, 0));  // top right: row 0, column 0
    EXPECT_EQ(readPixel(1, kH - 2), rgbOf(0, 1, 0));       // top left: row 0, column 1
    EXPECT_EQ(readPixel(kW - 2, 1), kBlue);                // bottom right: row 1, column 0
    EXPECT_EQ(readPixel(1, 1), rgbOf(1, 1, 1));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // updateTexture replaces a texel from RGB bytes.
    const uint8_t yellow[] = {255, 255, 0};
    device_.updateTexture(0, 0, 1, 1, name, 0, yellow);
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
    EXPECT_EQ(readPixel(kW - 2, kH - 2), rgbOf(1, 1, 0));

    // A picture drawn while the device alpha is below 1 turns blending off; setting the same
    // alpha again turns it back on.
    device_.setAlpha(0.5f);
    device_.drawScreenTexture(0, 0, 0, 0, name, 1.0f);
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
}

}  // namespace

namespace {

// The GL state a frame's calls can leave behind, as one list of numbers.
std::vector<float> glStateNow() {
    std::vector<float> s;
    auto add = [&](GLenum name, int count) {
        float v[16] = {};
        glGetFloatv(name, v);
        s.insert(s.end(), v, v + count);
    };
    add(GL_COLOR_CLEAR_VALUE, 4);
    add(GL_CURRENT_COLOR, 4);
    add(GL_CURRENT_TEXTURE_COORDS, 4);
    add(GL_PROJECTION_MATRIX, 16);
    add(GL_MODELVIEW_MATRIX, 16);
    add(GL_TEXTURE_BINDING_2D, 1);
    add(GL_BLEND_SRC, 1);
    add(GL_BLEND_DST, 1);
    for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_TEXTURE_2D}) s.push_back(glIsEnabled(cap) ? 1.0f : 0.0f);
    return s;
}

std::string windowPixels() {
    std::string rgba(static_cast<size_t>(kW) * kH * 4, '\0');
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace

// Drawing off: a frame of every kind of call (clear colour, opaque and translucent faces, a
// picture from texels uploaded in the frame) leaves the GL state and the texture as drawing it
// does, and leaves every pixel as it was.
TEST_F(GLRenderDeviceTest, WithDrawingOffAFrameMovesTheStateAsDrawingDoesAndChangesNoPixel) {
    const uint8_t texels[] = {0, 255, 0, 128, 255, 0, 255, 255};
    TextureName texture = 0;
    device_.createTexture(2, 1, texels, &texture, 1);
    auto glass = meshOf(full_, {{0, 1, 2, 3}}, {4});
    glass->setParam(0.5f);
    auto frame = [&](uint8_t shade) {
        device_.setClearColor(0.25f, 0.5f, 0.75f);
        device_.beginFrame();
        device_.setLookAt(Vector3(0, 0, 10), Vector3(0, 0, 0), kW, kH);
        device_.drawMesh(*meshOf(squareAt(-20, -20, 0, 20, 0), {{0, 1, 2}}, {3}), kDrawTransformed);
        device_.drawMesh(*glass, kDrawTransformed);
        const uint8_t replaced[] = {shade, 0, 0, 255};
        device_.updateTexture(1, 0, 1, 1, texture, 1, replaced);
        device_.drawScreenTexture(0, 0, kW, kH, texture, 0.75f);
        device_.endFrame();
    };
    auto textureBytes = [&] {
        std::vector<uint8_t> bytes(2 * 4);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        return bytes;
    };

    frame(10);
    glFinish();
    const std::string drawn = windowPixels();
    const std::vector<float> stateDrawn = glStateNow();

    // Back to a picture of one colour and a state unlike the frame's, then the same frame
    // without drawing (another texel, so that its upload shows).
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    const std::string blank = windowPixels();
    ASSERT_NE(blank, drawn);
    device_.setDrawing(false);
    frame(200);
    device_.setDrawing(true);
    glFinish();
    EXPECT_TRUE(windowPixels() == blank) << "a frame without drawing changed pixels";
    EXPECT_EQ(glStateNow(), stateDrawn);
    EXPECT_EQ(textureBytes()[4], 200);

    // Drawing again: the same frame gives the same picture as before.
    frame(10);
    glFinish();
    EXPECT_TRUE(windowPixels() == drawn);
}

// A picture whose texels are transparent outside a band is drawn only round the band; the pixels
// are those of the whole picture drawn, and the scissor state is given back. The band follows
// every load: a part loaded, a load while nothing is drawn, a wholly transparent picture.
TEST_F(GLRenderDeviceTest, PictureDrawnRoundItsVisibleTexelsGivesTheWholePicturesPixels) {
    // 16 x 6 texels over the 64 x 36 window: 4 x 6 pixels each, no pixel centre on a texel edge.
    constexpr int tw = 16, th = 6;
    std::vector<uint8_t> texels(tw * th * 4);
    auto fill = [&](int row, uint8_t alpha) {
        for (int x = 0; x < tw; ++x) {
            uint8_t* t = &texels[(row * tw + x) * 4];
            t[0] = static_cast<uint8_t>(x * 16);
            t[1] = static_cast<uint8_t>(row * 40);
            t[2] = 255;
            t[3] = alpha;
        }
    };
    for (int row = 0; row < th; ++row) fill(row, row == 2 || row == 3 ? 255 : 0);
    // What the window holds after the picture over a grey window: each pixel the colour of the
    // texel its centre samples where that texel is opaque, else grey.
    auto expected = [&](const std::vector<uint8_t>& t) {
        std::string rgba(static_cast<size_t>(kW) * kH * 4, '\0');
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int col = (kW - 1 - x) / 4, row = (kH - 1 - y) / 6;
                const uint8_t* texel = &t[(row * tw + col) * 4];
                char* p = &rgba[(static_cast<size_t>(y) * kW + x) * 4];
                for (int i = 0; i < 3; ++i) p[i] = static_cast<char>(texel[3] ? texel[i] : 128);
                p[3] = static_cast<char>(255);
            }
        return rgba;
    };
    auto drawOverGrey = [&](TextureName name) {
        glClearColor(128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1.0f);
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        device_.drawScreenTexture(0, 0, kW, kH, name, 1.0f);
        glFinish();
    };

    TextureName name = 0;
    device_.createTexture(tw, th, texels.data(), &name, 1);
    drawOverGrey(name);
    EXPECT_TRUE(windowPixels() == expected(texels)) << "band";
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

    // A part loaded adds its texels: one opaque texel in row 5, column 0 (bottom right).
    fill(5, 0);
    uint8_t* corner = &texels[(5 * tw + 0) * 4];
    corner[3] = 255;
    device_.updateTexture(0, 5, 1, 1, name, 1, corner);
    drawOverGrey(name);
    EXPECT_TRUE(windowPixels() == expected(texels)) << "band and a loaded texel";

    // Loaded while nothing is drawn: every texel opaque, all of which shows afterwards.
    for (int row = 0; row < th; ++row) fill(row, 255);
    device_.setDrawing(false);
    device_.updateTexture(0, 0, tw, th, name, 1, texels.data());
    device_.setDrawing(true);
    drawOverGrey(name);
    EXPECT_TRUE(windowPixels() == expected(texels)) << "loaded while not drawing";

    // Wholly transparent: nothing changes, and the picture's state is left as ever.
    for (int row = 0; row < th; ++row) fill(row, 0);
    device_.updateTexture(0, 0, tw, th, name, 1, texels.data());
    drawOverGrey(name);
    EXPECT_TRUE(windowPixels() == expected(texels)) << "transparent";
    float coords[4] = {};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, coords);
    EXPECT_EQ(coords[0], 1.0f);
    EXPECT_EQ(coords[1], 0.0f);

    // Inside a scissor box already set (the letterbox's): only its pixels change, and the box
    // stays as it was.
    for (int row = 0; row < th; ++row) fill(row, row == 1 ? 255 : 0);
    device_.updateTexture(0, 0, tw, th, name, 1, texels.data());
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(10, 0, 20, kH);
    device_.drawScreenTexture(0, 0, kW, kH, name, 1.0f);
    glFinish();
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_EQ((std::vector<GLint>{box[0], box[1], box[2], box[3]}), (std::vector<GLint>{10, 0, 20, kH}));
    glDisable(GL_SCISSOR_TEST);
    const std::string want = expected(texels), got = windowPixels();
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t at = (static_cast<size_t>(y) * kW + x) * 4;
            const bool inBox = x >= 10 && x < 30;
            const std::string grey = "\x80\x80\x80";
            ASSERT_EQ(got.substr(at, 3), inBox ? want.substr(at, 3) : grey) << x << "," << y;
        }
}
