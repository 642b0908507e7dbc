// The OpenGL 1.1 header of the system. Windows' <GL/gl.h> needs <windows.h> before it, and 1.1
// headers name the blue-green-red pixel format GL_BGR_EXT only.
#pragma once

#ifdef _WIN32
#include "platform/win32/win32_api.h"
#endif
#include <GL/gl.h>

#ifndef GL_BGR_EXT
#define GL_BGR_EXT 0x80E0
#endif
