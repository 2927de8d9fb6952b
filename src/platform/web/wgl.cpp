// The OpenGL context and presenting in the browser: a WebGL 2 context on the
// canvas, with OpenGL 1.1 done over it by gl11.cpp. A frame reaches the canvas
// only when it is presented, and presenting hands the thread to the browser
// until its next frame: frames come at the display's rate, and the canvas
// keeps the last whole frame while a box is open. See README.md beside this
// file for what the layer provides and refuses.
#include <emscripten/html5.h>

#include "platform/web/gl11.h"
#include "platform/web/layer.h"

struct HGLRC__ {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;
    bool started;  // GL 1.1 set up on it
};

namespace {

const int OnlyFormat = 1;
int DepthBits = 0;

}  // namespace

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    return IsLiveDc(dc) && dc->window->box == 0 && IsWindowPixelFormat(descriptor) ? OnlyFormat : 0;
}

// The canvas's colour is always 8-8-8 with no alpha, which the page would
// show through; the depth buffer is there when asked for.
BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor) {
    if (!IsLiveDc(dc) || format != OnlyFormat || !IsWindowPixelFormat(descriptor) || dc->pixelFormat != 0) return FALSE;
    DepthBits = descriptor->cDepthBits;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC dc) {
    if (!IsLiveDc(dc) || dc->pixelFormat == 0) return nullptr;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = false;
    attributes.depth = DepthBits > 0;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = false;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) return nullptr;
    return new HGLRC__{context, false};
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    if (context == nullptr) return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
    if (!IsLiveDc(dc) || emscripten_webgl_make_context_current(context->context) != EMSCRIPTEN_RESULT_SUCCESS)
        return FALSE;
    if (!context->started) StartGl11();
    context->started = true;
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    if (context == nullptr) return FALSE;
    if (emscripten_webgl_get_current_context() == context->context) emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context->context);
    delete context;
    return TRUE;
}

// A game watched faster than the display shows has a frame that comes too
// soon to be seen left out.
BOOL WINAPI SwapBuffers(HDC dc) {
    if (!IsLiveDc(dc)) return FALSE;
    JournalFrame();
    if (JournalSkipsPresent()) {
        DropGlFrame();
        return TRUE;
    }
    PresentGlFrame();
    WaitForNextFrame();
    return TRUE;
}
