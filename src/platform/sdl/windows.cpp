// Windows and messages over SDL's video subsystem: SDL's events read into
// messages, the windows themselves and their captions. An SDL window stands
// for one top-level window; its frame belongs to the window manager, so the
// window is its client area. What every layer's windows share (the module,
// classes, the list of windows, the message queue, the focus) is
// platform/posix/windows.cpp. See README.md beside this file for what the
// layer provides and refuses.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "platform/sdl/layer.h"

namespace {

bool VideoUp = false;

HWND WindowFromSdlId(Uint32 windowId) {
    for (HWND window : LiveWindows())
        if (SDL_GetWindowID(window->sdl) == windowId) return window;
    return nullptr;
}

void SetMinimized(HWND window, bool minimized) {
    if (window->minimized == minimized) return;
    window->minimized = minimized;
    if (minimized) {
        DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, false);
        DeliverInput(window, WM_SIZE, SIZE_MINIMIZED, 0, false);
    } else {
        int width = 0, height = 0;
        SDL_GetWindowSize(window->sdl, &width, &height);
        DeliverInput(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height), false);
        DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, false);
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
    HWND window = WindowFromSdlId(event.windowID);
    if (window == nullptr) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:  // the close box, as the system menu's Close
            if (!window->disabled) DeliverInput(window, WM_SYSCOMMAND, SC_CLOSE, 0, false);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (!window->minimized)
                DeliverInput(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.data1, event.data2), false);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            SetMinimized(window, true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            SetMinimized(window, false);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            SetFocus(window);
            DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, window->minimized), 0, false);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (GetFocus() == window) SetFocus(nullptr);
            DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0, false);
            break;
        default:
            break;
    }
}

// Keys go to the window SDL names, else to the one with the focus, else to
// the first window: events pushed by hand may carry no window at all.
HWND KeyboardTarget(Uint32 windowId) {
    if (HWND window = WindowFromSdlId(windowId)) return window;
    if (HWND focus = GetFocus()) return focus;
    return LiveWindows().empty() ? nullptr : LiveWindows().front();
}

void TranslateKeyEvent(const SDL_KeyboardEvent& event) {
    WORD key = VirtualKeyFromSdl(event.keysym.sym);
    HWND window = KeyboardTarget(event.windowID);
    if (key == 0 || window == nullptr || window->disabled) return;
    // lParam: repeat count 1; bit 30 the previous state, bit 31 the transition.
    if (event.type == SDL_KEYDOWN)
        DeliverInput(window, WM_KEYDOWN, key, event.repeat ? 0x40000001 : 1, true);
    else
        DeliverInput(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), true);
}

}  // namespace

void SetSdlWindowTitle(SDL_Window* sdl, std::string_view caption) {
    std::string utf8 = CaptionToUtf8(caption);
    SDL_SetWindowTitle(sdl, utf8.c_str());
    // On X11, SDL converts the name through the C library's locale, which in
    // the plain C locale refuses much of Windows-1252 and leaves the old name
    // standing. The names are set here as they are: UTF-8 for the window
    // manager, Latin-1 (with ? for the rest) for older readers.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    ::Window xwindow = info.info.x11.window;
    std::string latin1 = CaptionToLatin1(caption);
    XChangeProperty(display, xwindow, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    XChangeProperty(display, xwindow, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
    XFlush(display);
}

void TranslateSdlEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKeyEvent(event.key);
            break;
        case SDL_JOYAXISMOTION:
        case SDL_JOYHATMOTION:
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
        case SDL_JOYDEVICEADDED:
        case SDL_JOYDEVICEREMOVED:
        case SDL_CONTROLLERAXISMOTION:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            TranslateJoystickEvent(event);
            break;
        default:
            break;
    }
}

// What the windows every layer shares (platform/posix/windows.cpp) ask of
// this one.
void ReadLayerEvents() {
    if (!VideoUp) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) TranslateSdlEvent(event);
}

// What the journal asks of this layer while a game is watched: the watcher's
// Escape or close box stops it, and a resized window draws at its new size;
// nothing else reaches the game.
void WaitForWatcher(int milliseconds) {
    if (!VideoUp) return;
    const Uint64 until = SDL_GetTicks64() + static_cast<Uint64>(milliseconds);
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE)) {
                StopWatching();
            } else if (event.type == SDL_WINDOWEVENT) {
                HWND window = WindowFromSdlId(event.window.windowID);
                if (window != nullptr && event.window.event == SDL_WINDOWEVENT_CLOSE) StopWatching();
                if (window != nullptr && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.window.data1, event.window.data2));
            }
        }
        const Uint64 now = SDL_GetTicks64();
        if (now >= until) return;
        SDL_Delay(static_cast<Uint32>(std::min<Uint64>(until - now, 5)));
    }
}

DWORD MessageTime() { return VideoUp ? SDL_GetTicks() : 0; }

void ShowCaption(HWND window) { SetSdlWindowTitle(window->sdl, window->caption); }

void ReleaseLayerWindow(HWND window) {
    SDL_DestroyWindow(window->sdl);
    if (LiveWindows().empty()) SDL_EnableScreenSaver();  // off while a window of ours exists
}

bool EnsureVideo() {
    if (VideoUp) return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the program as on Windows
    // A real display or none: SDL's stand-ins without one (offscreen, dummy)
    // only when asked for by name. Where only one kind of display is named,
    // only that kind is tried: an X connection turned away is not followed
    // by a try at Wayland, whose library complains on standard error.
    const bool x11Named = SDL_getenv("DISPLAY") != nullptr;
    const bool waylandNamed = SDL_getenv("WAYLAND_DISPLAY") != nullptr;
    const char* drivers = x11Named == waylandNamed ? "x11,wayland" : x11Named ? "x11" : "wayland";
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers);
    // A busy display server can hang up on a fresh connection before it
    // says hello: where a display is named, it is asked again for up to 2 s.
    // Writing the hello to a connection already hung up on raises SIGPIPE,
    // which would end the program before it could ask again (Windows has no
    // such signal): it is ignored, and the write fails instead.
    std::signal(SIGPIPE, SIG_IGN);
    const bool displayNamed = x11Named || waylandNamed;
    const Uint64 giveUpAt = SDL_GetTicks64() + 2000;
    while (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (!displayNamed || SDL_GetTicks64() >= giveUpAt) return false;
        SDL_Delay(50);
    }
    // The OpenGL library stays loaded between windows, until SDL shuts down
    // at exit.
    SDL_GL_LoadLibrary(nullptr);
    VideoUp = true;
    std::atexit(SDL_Quit);
    return true;
}

HWND AdoptSdlWindow(SDL_Window* sdl, const char* className, WNDPROC procedure,
                    const std::string& caption) {
    HWND window = NewWindow(className, procedure, caption);
    window->sdl = sdl;
    SDL_DisableScreenSaver();  // kept off while a window of ours exists
    return window;
}

bool IsLayerSdlWindow(SDL_Window* sdl) {
    return sdl != nullptr && std::any_of(LiveWindows().begin(), LiveWindows().end(),
                                         [sdl](HWND window) { return window->sdl == sdl; });
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) {
    // The window manager draws the frame outside the client area: nothing to add.
    return rect != nullptr;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr || !EnsureVideo()) return nullptr;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    const char* caption = windowName != nullptr ? windowName : "";
    SDL_Window* sdl = SDL_CreateWindow("", x, y, width, height, flags);
    if (sdl == nullptr) return nullptr;

    HWND window = AdoptSdlWindow(sdl, windowClass->name.c_str(), windowClass->info.lpfnWndProc, caption);
    SetSdlWindowTitle(sdl, caption);
    if (IsGameIcon(windowClass->info.hIcon)) SetGameIcon(sdl);

    CREATESTRUCTA create{param,  instance,   menu,   parent, height, width,
                         y,      x,          static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (SendMessageA(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return window;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    if (!IsLiveWindow(window)) return FALSE;
    BOOL wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            SDL_HideWindow(window->sdl);
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
            SDL_MinimizeWindow(window->sdl);
            break;
        case SW_RESTORE:
            SDL_RestoreWindow(window->sdl);
            break;
        default:
            SDL_ShowWindow(window->sdl);
            break;
    }
    return wasVisible;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
    if (!IsLiveWindow(window)) return FALSE;
    SDL_RaiseWindow(window->sdl);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (!IsLiveWindow(window)) return 0;
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            break;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    SendMessageA(window, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    SDL_MinimizeWindow(window->sdl);
                    break;
                case SC_RESTORE:
                    SDL_RestoreWindow(window->sdl);
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return 0;
}

#ifdef KUBRASK_TEST_HOOKS
int LiveWindowCount() { return static_cast<int>(LiveWindows().size()); }

bool IsClassRegistered(LPCSTR className) { return FindClass(className) != nullptr; }

BOOL WINAPI GetClientRect(HWND window, RECT* rect) {
    if (!IsLiveWindow(window) || rect == nullptr) return FALSE;
    int width = 0, height = 0;
    if (!window->minimized) SDL_GetWindowSize(window->sdl, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !IsLiveWindow(window)) return FALSE;
    QueueMessage(window, message, wParam, lParam);
    return TRUE;
}
#endif
