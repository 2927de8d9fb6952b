// The Windows API the game is written against, and OpenGL 1.1 with GLU.
// On Windows these are the system headers. Elsewhere our own layer in
// platform/sdl provides the same names over SDL2 and POSIX.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "platform/sdl/win32_api.h"
#endif

#include <GL/gl.h>
#include <GL/glu.h>
