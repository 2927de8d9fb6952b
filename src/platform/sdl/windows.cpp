// Windows and messages: the module and its resources, window classes,
// windows, the thread's message queue and window captions, over SDL's video
// subsystem. An SDL window stands for one top-level window; its frame belongs
// to the window manager, so the window is its client area. See README.md
// beside this file for what the layer provides and refuses.
#include <strings.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <vector>

#include "platform/sdl/layer.h"

struct HINSTANCE__ {
    int unused;
};
struct HICON__ {
    int unused;
};
struct HCURSOR__ {
    int unused;
};

namespace {

const int GameIconId = 101;

struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

HINSTANCE__ ThisModule;
HICON__ GameIcon;
HCURSOR__ ArrowCursor;

bool VideoUp = false;
std::vector<WindowClass> Classes;
std::vector<HWND> Windows;
std::deque<MSG> Queue;
bool QuitPosted = false;
int QuitCode = 0;
HWND FocusWindow = nullptr;

WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    for (WindowClass& c : Classes)
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

HWND WindowFromSdlId(Uint32 windowId) {
    for (HWND window : Windows)
        if (SDL_GetWindowID(window->sdl) == windowId) return window;
    return nullptr;
}

void SetMinimized(HWND window, bool minimized) {
    if (window->minimized == minimized) return;
    window->minimized = minimized;
    if (minimized) {
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
        SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        int width = 0, height = 0;
        SDL_GetWindowSize(window->sdl, &width, &height);
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
    HWND window = WindowFromSdlId(event.windowID);
    if (window == nullptr) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:  // the close box, as the system menu's Close
            if (!window->disabled) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (!window->minimized)
                SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.data1, event.data2));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            SetMinimized(window, true);
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            SetMinimized(window, false);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            FocusWindow = window;
            SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, window->minimized), 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (FocusWindow == window) FocusWindow = nullptr;
            SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, window->minimized), 0);
            break;
        default:
            break;
    }
}

// Keys go to the window SDL names, else to the one with the focus, else to
// the first window: events pushed by hand may carry no window at all.
HWND KeyboardTarget(Uint32 windowId) {
    if (HWND window = WindowFromSdlId(windowId)) return window;
    if (FocusWindow != nullptr) return FocusWindow;
    return Windows.empty() ? nullptr : Windows.front();
}

void TranslateKeyEvent(const SDL_KeyboardEvent& event) {
    WORD key = VirtualKeyFromSdl(event.keysym.sym);
    HWND window = KeyboardTarget(event.windowID);
    if (key == 0 || window == nullptr || window->disabled) return;
    // lParam: repeat count 1; bit 30 the previous state, bit 31 the transition.
    if (event.type == SDL_KEYDOWN)
        QueueMessage(window, WM_KEYDOWN, key, event.repeat ? 0x40000001 : 1);
    else
        QueueMessage(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void PumpSdlEvents() {
    if (!VideoUp) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) TranslateSdlEvent(event);
}

bool Matches(const MSG& msg, HWND window, UINT low, UINT high) {
    if (window != nullptr && msg.hwnd != window) return false;
    return (low == 0 && high == 0) || (msg.message >= low && msg.message <= high);
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

void DispatchWaitingMessages() {
    while (!Queue.empty()) {
        MSG msg = Queue.front();
        Queue.pop_front();
        DispatchMessageA(&msg);
    }
}

bool EnsureVideo() {
    if (VideoUp) return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the program as on Windows
    // A real display or none: SDL's stand-ins without one (offscreen, dummy)
    // only when asked for by name.
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    // A busy display server can hang up on a fresh connection before it
    // says hello: where a display is named, it is asked again for up to 2 s.
    const bool displayNamed = SDL_getenv("DISPLAY") != nullptr || SDL_getenv("WAYLAND_DISPLAY") != nullptr;
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
    HWND window = new HWND__{sdl, className, procedure, caption, false, HDC__{nullptr, 0}};
    window->dc.window = window;
    Windows.push_back(window);
    SDL_DisableScreenSaver();  // kept off while a window of ours exists
    return window;
}

bool IsLiveWindow(HWND window) {
    return window != nullptr && std::find(Windows.begin(), Windows.end(), window) != Windows.end();
}

bool IsLayerSdlWindow(SDL_Window* sdl) {
    return sdl != nullptr && std::any_of(Windows.begin(), Windows.end(),
                                         [sdl](HWND window) { return window->sdl == sdl; });
}

void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = VideoUp ? SDL_GetTicks() : 0;
    Queue.push_back(msg);
}

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    return moduleName == nullptr ? &ThisModule : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance == &ThisModule && IS_INTRESOURCE(name) &&
        reinterpret_cast<uintptr_t>(name) == GameIconId)
        return &GameIcon;
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return instance == nullptr && name == IDC_ARROW ? &ArrowCursor : nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr ||
        windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
        FindClass(windowClass->lpszClassName) != nullptr)
        return 0;
    Classes.push_back({windowClass->lpszClassName, *windowClass});
    Classes.back().info.lpszClassName = nullptr;  // the caller's text may not last
    return static_cast<ATOM>(0xC000 + Classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
    WindowClass* found = FindClass(className);
    if (found == nullptr) return FALSE;
    for (HWND window : Windows)
        if (strcasecmp(window->className.c_str(), found->name.c_str()) == 0) return FALSE;
    Classes.erase(Classes.begin() + (found - Classes.data()));
    return TRUE;
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
    if (windowClass->info.hIcon == &GameIcon) SetGameIcon(sdl);

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

BOOL WINAPI DestroyWindow(HWND window) {
    if (!IsLiveWindow(window)) return FALSE;
    SendMessageA(window, WM_DESTROY, 0, 0);
    Queue.erase(std::remove_if(Queue.begin(), Queue.end(),
                               [window](const MSG& msg) { return msg.hwnd == window; }),
                Queue.end());
    if (FocusWindow == window) FocusWindow = nullptr;
    EndJoystickCaptureOf(window);
    Windows.erase(std::find(Windows.begin(), Windows.end(), window));
    SDL_DestroyWindow(window->sdl);
    delete window;
    if (Windows.empty()) SDL_EnableScreenSaver();
    return TRUE;
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

HWND WINAPI SetFocus(HWND window) {
    if (window != nullptr && !IsLiveWindow(window)) return nullptr;
    HWND previous = FocusWindow;
    FocusWindow = window;
    return previous;
}

HWND WINAPI GetFocus(void) { return FocusWindow; }

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!IsLiveWindow(window)) return FALSE;
    window->caption = text != nullptr ? text : "";
    SetSdlWindowTitle(window->sdl, window->caption);
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!IsLiveWindow(window) || text == nullptr || maxCount <= 0) return 0;
    int length = std::min(static_cast<int>(window->caption.size()), maxCount - 1);
    window->caption.copy(text, length);
    text[length] = '\0';
    return length;
}

HDC WINAPI GetDC(HWND window) {
    if (!IsLiveWindow(window)) return nullptr;
    return &window->dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    if (!IsLiveWindow(window) || dc != &window->dc) return 0;
    return 1;
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

BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (msg == nullptr) return FALSE;
    PumpSdlEvents();
    for (auto it = Queue.begin(); it != Queue.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) Queue.erase(it);
        return TRUE;
    }
    // As on Windows, the quit message comes once nothing else is waiting.
    bool quitWanted = (filterMin == 0 && filterMax == 0) ||
                      (WM_QUIT >= filterMin && WM_QUIT <= filterMax);
    if (QuitPosted && window == nullptr && quitWanted) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(QuitCode);
        if (remove & PM_REMOVE) QuitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE;  // the game reads key messages only; no character messages are made
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || !IsLiveWindow(msg->hwnd)) return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLiveWindow(window)) return 0;
    return window->procedure(window, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    QuitPosted = true;
    QuitCode = exitCode;
}

#ifdef KUBRASK_TEST_HOOKS
int LiveWindowCount() { return static_cast<int>(Windows.size()); }

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
