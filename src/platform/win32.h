// The Windows API the game is written against, and OpenGL 1.1 with GLU.
// On Windows these are the system headers. Elsewhere our own layers provide
// the same names: platform/sdl over SDL2 on Linux, platform/web over
// Emscripten in the browser, both with the files over POSIX in
// platform/posix.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "platform/posix/win32_api.h"
#endif

#include <GL/gl.h>
#include <GL/glu.h>
