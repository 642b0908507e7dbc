// The few OpenGL 1.1 calls of the show's window and badge (platform/gl/) that WebGL lacks: flat
// shading and the depth clear value, the projection and modelview matrices of the badge's
// orthographic view, and the badge's raster position and pixel rectangle, drawn as a textured
// quad of its exact size in window pixels through the fixed-function pipeline's shader.
#include <GLES2/gl2.h>

#include <cstring>

#include "platform/web/webgl_pipeline.h"

namespace {

constexpr unsigned kModelview = 0x1700;   // GL_MODELVIEW
constexpr unsigned kProjection = 0x1701;  // GL_PROJECTION

unsigned matrixMode = kModelview;
float projectionMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float modelviewMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// The raster position in window pixels, and whether it lies inside the view volume.
float rasterX = 0, rasterY = 0;
bool rasterValid = true;
GLuint pixelTexture = 0;

float* currentMatrix() { return matrixMode == kProjection ? projectionMatrix : modelviewMatrix; }

// m = m x n, column-major.
void multiply(float* m, const float* n) {
    float r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * n[c * 4 + k];
            r[c * 4 + row] = s;
        }
    std::memcpy(m, r, sizeof r);
}

}  // namespace

extern "C" {

void glShadeModel(GLenum) {
    // Every primitive has one colour for all its corners: flat and smooth shading agree.
}

void glClearDepth(double depth) { glClearDepthf(static_cast<GLclampf>(depth)); }

void glMatrixMode(GLenum mode) { matrixMode = mode; }

void glLoadIdentity() {
    float* m = currentMatrix();
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1;
}

void glOrtho(double left, double right, double bottom, double top, double nearVal, double farVal) {
    float o[16] = {};
    o[0] = static_cast<float>(2.0 / (right - left));
    o[5] = static_cast<float>(2.0 / (top - bottom));
    o[10] = static_cast<float>(-2.0 / (farVal - nearVal));
    o[12] = static_cast<float>(-(right + left) / (right - left));
    o[13] = static_cast<float>(-(top + bottom) / (top - bottom));
    o[14] = static_cast<float>(-(farVal + nearVal) / (farVal - nearVal));
    o[15] = 1;
    multiply(currentMatrix(), o);
}

void glRasterPos2i(GLint x, GLint y) {
    // Object -> clip -> window coordinates, as OpenGL places the raster position.
    const float v[4] = {static_cast<float>(x), static_cast<float>(y), 0, 1};
    float eye[4], clip[4];
    for (int row = 0; row < 4; ++row) {
        eye[row] = 0;
        for (int k = 0; k < 4; ++k) eye[row] += modelviewMatrix[k * 4 + row] * v[k];
    }
    for (int row = 0; row < 4; ++row) {
        clip[row] = 0;
        for (int k = 0; k < 4; ++k) clip[row] += projectionMatrix[k * 4 + row] * eye[k];
    }
    rasterValid = clip[3] != 0 && clip[0] >= -clip[3] && clip[0] <= clip[3] && clip[1] >= -clip[3] &&
                  clip[1] <= clip[3] && clip[2] >= -clip[3] && clip[2] <= clip[3];
    if (!rasterValid) return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    rasterX = viewport[0] + (clip[0] / clip[3] + 1) * 0.5f * viewport[2];
    rasterY = viewport[1] + (clip[1] / clip[3] + 1) * 0.5f * viewport[3];
}

void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels) {
    webgl::flush();
    if (!rasterValid || format != GL_RGBA || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0) return;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (pixelTexture == 0) glGenTextures(1, &pixelTexture);
    glBindTexture(GL_TEXTURE_2D, pixelTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);

    // Window pixels to clip space over the viewport; the rectangle's rows run bottom-up like its
    // texture's.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float sx = 2.0f / viewport[2], sy = 2.0f / viewport[3];
    const float toClip[16] = {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, 1, 0, -1 - viewport[0] * sx, -1 - viewport[1] * sy, 0, 1};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float savedProjection[16], savedModelview[16];
    std::memcpy(savedProjection, webgl::projection(), sizeof savedProjection);
    std::memcpy(savedModelview, webgl::modelview(), sizeof savedModelview);
    webgl::setMatrices(toClip, identity);
    const float x0 = rasterX, y0 = rasterY, x1 = rasterX + width, y1 = rasterY + height;
    const float xyz[12] = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y1, 0};
    const float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    const bool wasTexturing = webgl::texturing();
    webgl::setColour(1, 1, 1, 1);
    webgl::setTexturing(true);
    webgl::draw(GL_TRIANGLE_FAN, xyz, uv, 4);
    webgl::setTexturing(wasTexturing);
    webgl::setMatrices(savedProjection, savedModelview);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

}  // extern "C"
