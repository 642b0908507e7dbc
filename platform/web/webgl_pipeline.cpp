// The shader program standing in for the fixed-function pipeline, and its gathered vertices.
#include "platform/web/webgl_pipeline.h"

#include <GLES2/gl2.h>

#include <cstring>
#include <vector>

namespace webgl {
namespace {

const char* kVertexShader = R"(
attribute vec3 aPosition;
attribute vec2 aTexCoord;
attribute vec4 aColour;
uniform mat4 uProjection;
uniform mat4 uModelview;
varying vec2 vTexCoord;
varying vec4 vColour;
void main() {
    gl_Position = uProjection * (uModelview * vec4(aPosition, 1.0));
    vTexCoord = aTexCoord;
    vColour = aColour;
    gl_PointSize = 1.0;
}
)";

const char* kFragmentShader = R"(
precision highp float;
uniform bool uTextured;
uniform sampler2D uTexture;
varying vec2 vTexCoord;
varying vec4 vColour;
void main() {
    vec4 c = vColour;
    if (uTextured) c *= texture2D(uTexture, vTexCoord);
    gl_FragColor = c;
}
)";

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// x, y, z, u, v, r, g, b, a
constexpr int kFloatsPerVertex = 9;

struct Pipeline {
    GLuint program = 0;
    GLuint buffer = 0;
    GLint uProjection = -1, uModelview = -1, uTextured = -1, uTexture = -1;
    float projection[16];
    float modelview[16];
    float colour[4] = {1, 1, 1, 1};
    bool textured = false;
    // What the program was last given; uploads happen only on change.
    bool matricesDirty = true, texturedDirty = true;
    // The gathered vertices and the mode they are drawn in (triangles, points or lines).
    std::vector<float> vertices;
    GLenum batchMode = GL_TRIANGLES;

    Pipeline() {
        std::memcpy(projection, kIdentity, sizeof projection);
        std::memcpy(modelview, kIdentity, sizeof modelview);
    }
};

Pipeline& state() {
    static Pipeline p;
    return p;
}

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Compiles the program on first use; makes it, its buffer and its attributes current.
Pipeline& ready() {
    Pipeline& p = state();
    if (p.program == 0) {
        p.program = glCreateProgram();
        glAttachShader(p.program, compile(GL_VERTEX_SHADER, kVertexShader));
        glAttachShader(p.program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
        glBindAttribLocation(p.program, 0, "aPosition");
        glBindAttribLocation(p.program, 1, "aTexCoord");
        glBindAttribLocation(p.program, 2, "aColour");
        glLinkProgram(p.program);
        p.uProjection = glGetUniformLocation(p.program, "uProjection");
        p.uModelview = glGetUniformLocation(p.program, "uModelview");
        p.uTextured = glGetUniformLocation(p.program, "uTextured");
        p.uTexture = glGetUniformLocation(p.program, "uTexture");
        glGenBuffers(1, &p.buffer);
        glUseProgram(p.program);
        glUniform1i(p.uTexture, 0);
        glBindBuffer(GL_ARRAY_BUFFER, p.buffer);
        const auto stride = static_cast<GLsizei>(kFloatsPerVertex * sizeof(float));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
        glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(5 * sizeof(float)));
    }
    return p;
}

void put(Pipeline& p, const float* xyz, const float* uv) {
    const float vertex[kFloatsPerVertex] = {xyz[0], xyz[1], xyz[2], uv ? uv[0] : 0.0f, uv ? uv[1] : 0.0f,
                                            p.colour[0], p.colour[1], p.colour[2], p.colour[3]};
    p.vertices.insert(p.vertices.end(), vertex, vertex + kFloatsPerVertex);
}

}  // namespace

void flush() {
    Pipeline& p = state();
    if (p.vertices.empty()) return;
    ready();
    if (p.matricesDirty) {
        glUniformMatrix4fv(p.uProjection, 1, GL_FALSE, p.projection);
        glUniformMatrix4fv(p.uModelview, 1, GL_FALSE, p.modelview);
        p.matricesDirty = false;
    }
    if (p.texturedDirty) {
        glUniform1i(p.uTextured, p.textured ? 1 : 0);
        p.texturedDirty = false;
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(p.vertices.size() * sizeof(float)), p.vertices.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(p.batchMode, 0, static_cast<GLsizei>(p.vertices.size() / kFloatsPerVertex));
    p.vertices.clear();
}

void setMatrices(const float* projection, const float* modelview) {
    Pipeline& p = state();
    if (std::memcmp(p.projection, projection, sizeof p.projection) == 0 &&
        std::memcmp(p.modelview, modelview, sizeof p.modelview) == 0)
        return;
    flush();
    std::memcpy(p.projection, projection, sizeof p.projection);
    std::memcpy(p.modelview, modelview, sizeof p.modelview);
    p.matricesDirty = true;
}

const float* projection() { return state().projection; }
const float* modelview() { return state().modelview; }

void setColour(float r, float g, float b, float a) {
    Pipeline& p = state();
    p.colour[0] = r;
    p.colour[1] = g;
    p.colour[2] = b;
    p.colour[3] = a;
}

void setTexturing(bool on) {
    Pipeline& p = state();
    if (p.textured == on) return;
    flush();
    p.textured = on;
    p.texturedDirty = true;
}

bool texturing() { return state().textured; }

void draw(unsigned mode, const float* xyz, const float* uv, int count) {
    if (count <= 0) return;
    Pipeline& p = state();
    const bool textured = p.textured && uv;
    // A polygon (a fan) is gathered as the triangles the fan draws.
    const GLenum batchMode = mode == GL_TRIANGLE_FAN ? GL_TRIANGLES : static_cast<GLenum>(mode);
    if (batchMode != p.batchMode) flush();
    p.batchMode = batchMode;
    if (mode == GL_TRIANGLE_FAN) {
        for (int i = 1; i + 1 < count; ++i) {
            put(p, xyz, textured ? uv : nullptr);
            put(p, xyz + i * 3, textured ? uv + i * 2 : nullptr);
            put(p, xyz + (i + 1) * 3, textured ? uv + (i + 1) * 2 : nullptr);
        }
    } else if (mode == GL_TRIANGLES) {
        for (int i = 0; i + 2 < count; i += 3)
            for (int k = 0; k < 3; ++k) put(p, xyz + (i + k) * 3, textured ? uv + (i + k) * 2 : nullptr);
    } else {
        // Lines pair their vertices: an odd last one draws nothing, as in OpenGL.
        const int used = batchMode == GL_LINES ? count - count % 2 : count;
        for (int i = 0; i < used; ++i) put(p, xyz + i * 3, textured ? uv + i * 2 : nullptr);
    }
    // A textured draw depends on the texture bound now: it is made at once.
    if (textured) flush();
}

}  // namespace webgl
