// The fixed-function state of the render device and the window on WebGL 1: one small shader
// program that applies the projection and modelview matrices, each vertex's colour and, when
// texturing is on, one texture modulated by that colour. Blending, depth and culling stay plain
// WebGL state. Untextured primitives are gathered into one draw per run of the same kind, matrices
// and texturing; flush() draws what was gathered, and must come before any other WebGL call that
// changes what a draw does or reads the picture. Every call needs the canvas's WebGL context
// current.
#pragma once

namespace webgl {

// Replaces the projection and the modelview matrix (column-major, OpenGL's order).
void setMatrices(const float* projection, const float* modelview);
// The two matrices in use.
const float* projection();
const float* modelview();
// The colour the next vertices get (red, green, blue, alpha).
void setColour(float r, float g, float b, float a);
// On: fragments take the texture bound to unit 0, times the colour, at the vertices' coordinates.
void setTexturing(bool on);
bool texturing();
// Draws count vertices (x, y, z each) as mode (GL_TRIANGLES, GL_TRIANGLE_FAN of a convex polygon,
// GL_POINTS or GL_LINES); uv (u, v each) is read only while texturing. Textured draws are made
// at once; others may wait for flush().
void draw(unsigned mode, const float* xyz, const float* uv, int count);
// Draws the gathered primitives.
void flush();

}  // namespace webgl
