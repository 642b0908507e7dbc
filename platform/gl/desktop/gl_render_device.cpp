// The render device's primitives on OpenGL 1.1 immediate mode.
#include "platform/gl/gl_render_device.h"

#include <algorithm>
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

void GLRenderDevice::noteTexels(TextureName name, int x, int y, int width, int height, bool hasAlpha,
                                const void* pixels) {
    TexelExtent& extent = extents_[name];
    const bool whole = x == 0 && y == 0 && width == extent.width && height == extent.height;
    if (!pixels || width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > extent.width ||
        y + height > extent.height) {
        extent.known = false;
        return;
    }
    TexelBox loaded;
    if (hasAlpha) {
        loaded = visibleTexels(static_cast<const unsigned char*>(pixels), width, height);
    } else {
        loaded.x0 = 0;  // RGB texels are opaque
        loaded.y0 = 0;
        loaded.x1 = width - 1;
        loaded.y1 = height - 1;
    }
    if (!loaded.empty()) {
        loaded.x0 += x;
        loaded.x1 += x;
        loaded.y0 += y;
        loaded.y1 += y;
    }
    // A part loaded adds its visible texels; it may hide some of the rest, which then still count.
    if (whole) {
        extent.visible = loaded;
        extent.known = true;
    } else if (extent.known) {
        extent.visible = unionOf(extent.visible, loaded);
    }
}

TextureName GLRenderDevice::newTexture(int width, int height, const void* pixels, bool hasAlpha) {
    glEnable(GL_TEXTURE_2D);
    GLuint id = 0;
    glGenTextures(1, &id);
    textures_.push_back(id);
    loaded_.erase(id);  // a name made again holds new texels
    TexelExtent& extent = extents_[id];
    extent = TexelExtent();
    extent.width = width;
    extent.height = height;
    noteTexels(id, 0, 0, width, height, hasAlpha, pixels);  // made once: looked at even while not drawing
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
    extents_.clear();
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
    // A skipped load still binds the texture and leaves the state a load leaves. Texels loaded
    // again unchanged keep their box, once known; others are looked at only while drawing (a seek
    // loads many), and until then the whole texture counts.
    const bool same = holdsAlready(name, x, y, width, height, hasAlpha, pixels);
    const auto extent = extents_.find(name);
    if (!same || extent == extents_.end() || !extent->second.known) {
        if (drawing_)
            noteTexels(name, x, y, width, height, hasAlpha, pixels);
        else if (extent != extents_.end())
            extent->second.known = false;
    }
    glEnable(GL_TEXTURE_2D);
    selectTexture(name);
    if (!same)
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, hasAlpha ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                        pixels);
    glDisable(GL_TEXTURE_2D);
}

bool GLRenderDevice::scissorPicture(TextureName name, const int viewport[4], bool& scissorWasOn, int savedBox[4]) {
    scissorWasOn = glIsEnabled(GL_SCISSOR_TEST);
    GLint box[4] = {viewport[0], viewport[1], viewport[2], viewport[3]};
    if (scissorWasOn) glGetIntegerv(GL_SCISSOR_BOX, box);
    for (int i = 0; i < 4; ++i) savedBox[i] = box[i];

    PixelRect rect{viewport[0], viewport[1], viewport[2], viewport[3]};
    const auto found = extents_.find(name);
    if (found != extents_.end() && found->second.known) {
        const TexelExtent& e = found->second;
        rect = pictureScissor(e.visible, e.width, e.height, viewport[0], viewport[1], viewport[2], viewport[3]);
        if (rect.width == 0 || rect.height == 0) return false;
    }
    // Within the scissor box already set (the letterbox's).
    if (scissorWasOn) {
        const int x0 = std::max(rect.x, box[0]), y0 = std::max(rect.y, box[1]);
        const int x1 = std::min(rect.x + rect.width, box[0] + box[2]);
        const int y1 = std::min(rect.y + rect.height, box[1] + box[3]);
        if (x1 <= x0 || y1 <= y0) return false;
        rect = PixelRect{x0, y0, x1 - x0, y1 - y0};
    } else {
        glEnable(GL_SCISSOR_TEST);
    }
    glScissor(rect.x, rect.y, rect.width, rect.height);
    return true;
}

void GLRenderDevice::drawPicture(TextureName name, float opacity, float deviceAlpha) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    selectTexture(name);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float w = static_cast<float>(viewport[2]), h = static_cast<float>(viewport[3]);
    glOrtho(0.0, w, 0.0, h, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Both texture axes run against the screen's: row 0 at the top, column 0 at the right.
    glColor4f(1.0f, 1.0f, 1.0f, opacity);
    bool scissorWasOn = false;
    int savedBox[4] = {0, 0, 0, 0};
    if (drawing_ && scissorPicture(name, viewport, scissorWasOn, savedBox)) {
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
        if (scissorWasOn)
            glScissor(savedBox[0], savedBox[1], savedBox[2], savedBox[3]);
        else
            glDisable(GL_SCISSOR_TEST);
    } else {
        glTexCoord2f(1.0f, 0.0f);  // the current texture coordinate the quad leaves
    }

    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, deviceAlpha);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

RenderDevice* createRenderDevice(int kind) { return kind == 0 ? new GLRenderDevice() : nullptr; }
