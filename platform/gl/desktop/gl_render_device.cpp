// The render device's primitives on OpenGL 1.1 immediate mode.
#include "platform/gl/gl_render_device.h"

#include <cstring>

#include "platform/gl/gl_api.h"

namespace {

GLenum primitiveMode(PrimitiveKind kind) {
    switch (kind) {
        case PrimitiveKind::Triangles: return GL_TRIANGLES;
        case PrimitiveKind::Points: return GL_POINTS;
        case PrimitiveKind::Lines: return GL_LINES;
        case PrimitiveKind::Polygon: break;
    }
    return GL_POLYGON;
}

// Filters, wrapping and environment of every texture, set on each bind.
void applyTextureState() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

void GLRenderDevice::clearBuffers(bool colour, bool depth) {
    if (!drawing_) return;
    // The depth buffer is cleared whole even when a scissor box (the letterbox's) is set: no
    // pixel outside the box is ever drawn while it is set, and depth inside it is cleared here
    // before anything is drawn there, so the picture is the same; but a clear of a whole buffer
    // is a plain fill, where a software rasteriser draws a scissored clear as a rectangle. The
    // colour keeps the box: the bars outside it stay as they are.
    if (depth && glIsEnabled(GL_SCISSOR_TEST)) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_DEPTH_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        depth = false;
    }
    if (colour || depth) glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void GLRenderDevice::loadClearColour(float r, float g, float b) { glClearColor(r, g, b, 1.0f); }

void GLRenderDevice::loadMatrices(const Matrix4& projection, const Matrix4& modelview) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMultMatrixf(projection.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixf(modelview.m);
}

void GLRenderDevice::enableBlending(bool on) {
    if (on) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
}

void GLRenderDevice::drawPrimitive(const Primitive& p) {
    if (!drawing_) {
        glColor4f(p.r, p.g, p.b, p.a);  // the current colour the primitive leaves
        return;
    }
    glBegin(primitiveMode(p.kind));
    glColor4f(p.r, p.g, p.b, p.a);
    for (int i = 0; i < p.vertexCount; ++i) glVertex3f(p.vertices[i].x, p.vertices[i].y, p.vertices[i].z);
    glEnd();
}

void GLRenderDevice::flush() { glFlush(); }

void GLRenderDevice::selectTexture(TextureName name) {
    glBindTexture(GL_TEXTURE_2D, name);
    applyTextureState();
}

TextureName GLRenderDevice::newTexture(int width, int height, const void* pixels, bool hasAlpha) {
    glEnable(GL_TEXTURE_2D);
    GLuint id = 0;
    glGenTextures(1, &id);
    textures_.push_back(id);
    loaded_.erase(id);  // a name made again holds new texels
    selectTexture(id);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, hasAlpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                 pixels);
    glDisable(GL_TEXTURE_2D);
    return id;
}

void GLRenderDevice::releaseTextures() {
    if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    textures_.clear();
    loaded_.clear();
}

bool GLRenderDevice::holdsAlready(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                                  const void* pixels) {
    // Whole loads of RGBA texels only: their rows are never padded, so the bytes compared are
    // exactly the bytes loaded. Any other load forgets what the texture held.
    if (x != 0 || y != 0 || width <= 0 || height <= 0 || !hasAlpha || !pixels) {
        loaded_.erase(name);
        return false;
    }
    const size_t n = size_t(width) * size_t(height) * 4;
    LoadedTexels& last = loaded_[name];
    if (last.width == width && last.height == height && last.bytes.size() == n &&
        std::memcmp(last.bytes.data(), pixels, n) == 0)
        return true;
    last.width = width;
    last.height = height;
    last.bytes.assign(static_cast<const unsigned char*>(pixels), static_cast<const unsigned char*>(pixels) + n);
    return false;
}

void GLRenderDevice::loadTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                                const void* pixels) {
    // A skipped load still binds the texture and leaves the state a load leaves.
    glEnable(GL_TEXTURE_2D);
    selectTexture(name);
    if (!holdsAlready(name, x, y, width, height, hasAlpha, pixels))
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, hasAlpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                        pixels);
    glDisable(GL_TEXTURE_2D);
}

void GLRenderDevice::drawPicture(TextureName name, float opacity, float deviceAlpha) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    selectTexture(name);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float viewport[4];
    glGetFloatv(GL_VIEWPORT, viewport);
    const float w = viewport[2], h = viewport[3];
    glOrtho(0.0, w, 0.0, h, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Both texture axes run against the screen's: row 0 at the top, column 0 at the right.
    glColor4f(1.0f, 1.0f, 1.0f, opacity);
    if (drawing_) {
        glBegin(GL_QUADS);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(w, 0.0f, 0.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(w, h, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(0.0f, h, 0.0f);
        glEnd();
    } else {
        glTexCoord2f(1.0f, 0.0f);  // the current texture coordinate the quad leaves
    }

    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, deviceAlpha);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

RenderDevice* createRenderDevice(int kind) { return kind == 0 ? new GLRenderDevice() : nullptr; }
