// The render device's primitives on WebGL 1, through the shader that stands in for the
// fixed-function pipeline (webgl_pipeline.h).
#include <GLES2/gl2.h>

#include <cstdint>
#include <vector>

#include "platform/gl/gl_render_device.h"
#include "platform/web/webgl_pipeline.h"

namespace {

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

GLenum primitiveMode(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::Triangles: return GL_TRIANGLES;
        case PrimitiveKind::Points: return GL_POINTS;
        case PrimitiveKind::Lines: return GL_LINES;
        case PrimitiveKind::Polygon: break;
    }
    return GL_TRIANGLE_FAN;  // the polygons drawn are convex
}

// A texture's filters and wrapping, kept by the texture itself: nearest filtering, repeating where
// WebGL 1 allows it (power-of-two sides), else clamped, which samples the same texels for the
// coordinates 0..1 that the device uses.
void applyTextureState(int width, int height) {
    const bool repeat = isPowerOfTwo(width) && isPowerOfTwo(height);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE);
}

// RGBA pixels for WebGL 1, which takes RGB data only into RGB textures; pixels themselves when
// they have alpha already.
const void* asRgba(int width, int height, bool hasAlpha, const void* pixels) {
    if (hasAlpha || !pixels) return pixels;
    static std::vector<uint8_t> rgba;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    const auto* rgb = static_cast<const uint8_t*>(pixels);
    rgba.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
        rgba[i * 4] = rgb[i * 3];
        rgba[i * 4 + 1] = rgb[i * 3 + 1];
        rgba[i * 4 + 2] = rgb[i * 3 + 2];
        rgba[i * 4 + 3] = 255;
    }
    return rgba.data();
}

}  // namespace

void GLRenderDevice::clearBuffers(bool colour, bool depth) {
    if (!drawing_) return;
    webgl::flush();
    glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void GLRenderDevice::loadClearColour(float r, float g, float b) { glClearColor(r, g, b, 1.0f); }

void GLRenderDevice::loadMatrices(const Matrix4& projection, const Matrix4& modelview) {
    webgl::setMatrices(projection.m, modelview.m);
}

void GLRenderDevice::enableBlending(bool on) {
    webgl::flush();
    if (on) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
}

void GLRenderDevice::drawPrimitive(const Primitive& p) {
    webgl::setColour(p.r, p.g, p.b, p.a);  // the current colour the primitive leaves
    if (!drawing_ || p.vertexCount <= 0) return;
    static std::vector<float> corners;
    corners.resize(static_cast<size_t>(p.vertexCount) * 3);
    for (int i = 0; i < p.vertexCount; ++i) {
        corners[i * 3] = p.vertices[i].x;
        corners[i * 3 + 1] = p.vertices[i].y;
        corners[i * 3 + 2] = p.vertices[i].z;
    }
    webgl::setTexturing(false);
    webgl::draw(primitiveMode(p.kind), corners.data(), nullptr, p.vertexCount);
}

void GLRenderDevice::flush() {
    webgl::flush();
    glFlush();
}

void GLRenderDevice::selectTexture(TextureName name) { glBindTexture(GL_TEXTURE_2D, name); }

TextureName GLRenderDevice::newTexture(int width, int height, const void* pixels, bool hasAlpha) {
    webgl::flush();
    GLuint id = 0;
    glGenTextures(1, &id);
    textures_.push_back(id);
    selectTexture(id);
    applyTextureState(width, height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 asRgba(width, height, hasAlpha, pixels));
    return id;
}

void GLRenderDevice::releaseTextures() {
    webgl::flush();
    if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    textures_.clear();
}

void GLRenderDevice::loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                                const void* pixels) {
    webgl::flush();
    selectTexture(name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                    asRgba(width, height, hasAlpha, pixels));
}

void GLRenderDevice::drawPicture(TextureName name, float opacity, float deviceAlpha) {
    webgl::flush();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    selectTexture(name);
    glDisable(GL_DEPTH_TEST);

    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float w = static_cast<float>(viewport[2]), h = static_cast<float>(viewport[3]);
    // glOrtho(0, w, 0, h, 1, -1) and an identity modelview.
    const float ortho[16] = {2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1, 0, -1, -1, 0, 1};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    webgl::setMatrices(ortho, identity);

    // Both texture axes run against the screen's: row 0 at the top, column 0 at the right.
    webgl::setColour(1.0f, 1.0f, 1.0f, opacity);
    if (drawing_) {
        const float xyz[12] = {0, 0, 0, w, 0, 0, w, h, 0, 0, h, 0};
        const float uv[8] = {1, 1, 0, 1, 0, 0, 1, 0};
        webgl::setTexturing(true);
        webgl::draw(GL_TRIANGLE_FAN, xyz, uv, 4);
        webgl::setTexturing(false);
    }

    webgl::flush();
    glEnable(GL_DEPTH_TEST);
    webgl::setColour(1.0f, 1.0f, 1.0f, deviceAlpha);
    glDisable(GL_BLEND);
}

RenderDevice* createRenderDevice(int kind) { return kind == 0 ? new GLRenderDevice() : nullptr; }
