// The OpenGL context and presenting: pixel formats, WGL contexts and
// SwapBuffers, over SDL's OpenGL support. Every window can take one pixel
// format: the one the game's descriptor asks for. SDL keeps the attributes
// and applies them when a context is made. See README.md beside this file.
#include <GL/gl.h>

#include <chrono>
#include <thread>

#include "platform/sdl/layer.h"

struct HGLRC__ {
    SDL_GLContext context;
    HWND window;  // the window whose device context made it
};

namespace {

const int OnlyFormat = 1;

// Where the display does not make presenting wait (no swap interval took
// effect), the wait is done here: frames come no faster than the display's
// refresh rate, 60 Hz when it is not known.
void WaitForRefresh(SDL_Window* window) {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point next;
    SDL_DisplayMode mode{};
    int hertz = 60;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0) hertz = mode.refresh_rate;
    const auto period = std::chrono::nanoseconds(1000000000 / hertz);
    const Clock::time_point now = Clock::now();
    if (next > now) {
        std::this_thread::sleep_until(next);
        next += period;
    } else {
        next = now + period;  // late: no catching up
    }
}

// Watching a journal faster than the display shows, a frame too soon to be
// seen is drawn with no context current, so its drawing goes nowhere; the
// context drawing goes back to once a frame is due.
SDL_Window* NowhereWindow = nullptr;
SDL_GLContext NowhereContext = nullptr;

}  // namespace

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    if (!IsLiveDc(dc) || !IsWindowPixelFormat(descriptor)) return 0;
    return OnlyFormat;
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor) {
    if (!IsLiveDc(dc) || format != OnlyFormat ||
        !IsWindowPixelFormat(descriptor) || dc->pixelFormat != 0)
        return FALSE;
    // Colour bits are a wish, as on Windows: 16 asks for 5-6-5, more for 8-8-8;
    // the nearest format the display offers serves.
    int red = 8, green = 8, blue = 8;
    if (descriptor->cColorBits <= 16) red = 5, green = 6, blue = 5;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, descriptor->cAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, descriptor->cDepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, descriptor->cStencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (descriptor->dwFlags & PFD_DOUBLEBUFFER) ? 1 : 0);
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC dc) {
    if (!IsLiveDc(dc) || dc->pixelFormat == 0) return nullptr;
    // SDL makes a new context current; Windows does not, so put back what was.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(dc->window->sdl);
    SDL_GL_MakeCurrent(previousWindow, previous);
    if (context == nullptr) return nullptr;
    return new HGLRC__{context, dc->window};
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    if (context == nullptr) return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    if (!IsLiveDc(dc) || SDL_GL_MakeCurrent(dc->window->sdl, context->context) != 0) return FALSE;
    // Presenting waits for the display, as with Windows' default swap
    // interval: adaptive where the driver offers it, else every refresh.
    if (SDL_GL_SetSwapInterval(-1) != 0)
        SDL_GL_SetSwapInterval(1);
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    if (context == nullptr) return FALSE;
    if (SDL_GL_GetCurrentContext() == context->context) SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(context->context);
    delete context;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    if (!IsLiveDc(dc)) return FALSE;
    JournalFrame();
    if (NowhereContext != nullptr) {
        if (!JournalFrameDue()) return TRUE;
        SDL_GL_MakeCurrent(NowhereWindow, NowhereContext);  // the next frame is drawn and shown
        NowhereContext = nullptr;
        return TRUE;
    }
    if (JournalSkipsPresent() && SDL_GL_GetCurrentContext() != nullptr) {
        NowhereWindow = SDL_GL_GetCurrentWindow();
        NowhereContext = SDL_GL_GetCurrentContext();
        SDL_GL_MakeCurrent(NowhereWindow, nullptr);
        return TRUE;
    }
    SDL_GL_SwapWindow(dc->window->sdl);
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "offscreen") == 0) {
        // Without a display nothing waits for the picture: finish it here,
        // so that a loop that never sleeps cannot pile up frames.
        glFinish();
    } else if (SDL_GL_GetSwapInterval() == 0) {
        WaitForRefresh(dc->window->sdl);
    }
    return TRUE;
}
