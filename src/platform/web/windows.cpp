// Windows and messages in the browser: the module and its resources, window
// classes, windows, the thread's message queue and the caption. The game's
// window is the page's canvas, its caption the status line above it (and the
// document's title); what the page sees (keys, sizes, the tab hidden or
// shown, the boxes' buttons) it hands over as events, read here into
// messages. See README.md beside this file for what the layer provides and
// refuses.
#include <emscripten.h>
#include <strings.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/web/layer.h"

struct HINSTANCE__ {
    int unused;
};
struct HICON__ {
    int unused;
};
struct HCURSOR__ {
    int unused;
};

EM_JS(int, PageTakeEvent, (PageEvent* event), { return Page.takeEvent(event); });
EM_ASYNC_JS(void, PageWait, (int milliseconds), { await Page.wait(milliseconds); });
EM_JS(void, PageOpenWindow, (int width, int height), { Page.openWindow(width, height); });
EM_JS(void, PageCloseWindow, (), { Page.closeWindow(); });
EM_JS(void, PageSetCaption, (const char* utf8), { Page.setCaption(UTF8ToString(utf8)); });
EM_JS(int, PageCanvasWidth, (), { return Page.canvas.width; });
EM_JS(int, PageCanvasHeight, (), { return Page.canvas.height; });
EM_JS(int, PageIsHidden, (), { return document.hidden ? 1 : 0; });

namespace {

const int GameIconId = 101;

struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

HINSTANCE__ ThisModule;
HICON__ GameIcon;
HCURSOR__ ArrowCursor;

std::vector<WindowClass> Classes;
std::vector<HWND> Windows;
std::deque<MSG> Queue;
bool QuitPosted = false;
int QuitCode = 0;
HWND FocusWindow = nullptr;
double LastYield = 0;  // when the browser last had the thread, in milliseconds

WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    for (WindowClass& c : Classes)
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

// The canvas: the one window that is no box.
HWND CanvasWindow() {
    for (HWND window : Windows)
        if (window->box == 0) return window;
    return nullptr;
}

// A hidden tab is a minimised window, as on Windows.
void SetMinimized(HWND window, bool minimized) {
    if (window == nullptr || window->minimized == minimized) return;
    window->minimized = minimized;
    if (minimized) {
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
        SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(PageCanvasWidth(), PageCanvasHeight()));
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
    }
}

void Translate(const PageEvent& event) {
    HWND canvas = CanvasWindow();
    switch (event.kind) {
        case PageKeyDown:
        case PageKeyUp:
            // lParam: repeat count 1; bit 30 the previous state, bit 31 the transition.
            if (canvas == nullptr || canvas->disabled) return;
            if (event.kind == PageKeyDown)
                QueueMessage(canvas, WM_KEYDOWN, event.a, event.b ? 0x40000001 : 1);
            else
                QueueMessage(canvas, WM_KEYUP, event.a, static_cast<LPARAM>(0xC0000001u));
            return;
        case PageResize:
            if (canvas != nullptr && !canvas->minimized)
                SendMessageA(canvas, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.a, event.b));
            return;
        case PageHidden:
        case PageShown:
            SetMinimized(canvas, event.kind == PageHidden);
            return;
        case PageCommand:
            if (HWND box = BoxWindow(event.a))
                SendMessageA(box, WM_COMMAND, MAKEWPARAM(event.b, BN_CLICKED), 0);
            return;
        default:
            return;
    }
}

bool Matches(const MSG& msg, HWND window, UINT low, UINT high) {
    if (window != nullptr && msg.hwnd != window) return false;
    return (low == 0 && high == 0) || (msg.message >= low && msg.message <= high);
}

}  // namespace

bool IsLiveWindow(HWND window) {
    return window != nullptr && std::find(Windows.begin(), Windows.end(), window) != Windows.end();
}

HWND NewWindow(const char* className, WNDPROC procedure, const char* caption, int box) {
    HWND window = new HWND__{className, procedure, caption, false, HDC__{nullptr, 0}, false, box};
    window->dc.window = window;
    Windows.push_back(window);
    return window;
}

HWND BoxWindow(int box) {
    for (HWND window : Windows)
        if (box != 0 && window->box == box) return window;
    return nullptr;
}

void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(emscripten_get_now());
    Queue.push_back(msg);
}

void ReadPage() {
    PageEvent event;
    while (PageTakeEvent(&event)) Translate(event);
    ReadJoystick();
}

void DispatchWaitingMessages() {
    while (!Queue.empty()) {
        MSG msg = Queue.front();
        Queue.pop_front();
        DispatchMessageA(&msg);
    }
}

void WaitForPage(int milliseconds) {
    PageWait(milliseconds);
    LastYield = emscripten_get_now();
}

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    return moduleName == nullptr ? &ThisModule : nullptr;
}

// The page's own icon is the game's; this one handle stands for it.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (instance == &ThisModule && IS_INTRESOURCE(name) && reinterpret_cast<uintptr_t>(name) == GameIconId)
        return &GameIcon;
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return instance == nullptr && name == IDC_ARROW ? &ArrowCursor : nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr || FindClass(windowClass->lpszClassName) != nullptr)
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
    return rect != nullptr;  // the page has no frame to add: the window is the canvas
}

// The page has one canvas: a second window of a class is refused.
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr || CanvasWindow() != nullptr || width <= 0 || height <= 0) return nullptr;
    const char* caption = windowName != nullptr ? windowName : "";
    HWND window = NewWindow(windowClass->name.c_str(), windowClass->info.lpfnWndProc, caption, 0);
    PageOpenWindow(width, height);
    SetWindowTextA(window, caption);

    CREATESTRUCTA create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (SendMessageA(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(PageCanvasWidth(), PageCanvasHeight()));
    if (PageIsHidden()) SetMinimized(window, true);
    return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!IsLiveWindow(window)) return FALSE;
    SendMessageA(window, WM_DESTROY, 0, 0);
    Queue.erase(std::remove_if(Queue.begin(), Queue.end(), [window](const MSG& msg) { return msg.hwnd == window; }),
                Queue.end());
    if (FocusWindow == window) FocusWindow = nullptr;
    EndJoystickCaptureOf(window);
    Windows.erase(std::find(Windows.begin(), Windows.end(), window));
    if (window->box == 0) PageCloseWindow();
    delete window;
    return TRUE;
}

// The canvas is always shown; a page cannot minimise itself.
BOOL WINAPI ShowWindow(HWND window, int) { return IsLiveWindow(window); }

BOOL WINAPI SetForegroundWindow(HWND window) { return IsLiveWindow(window); }

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
    if (window->box == 0) PageSetCaption(CaptionToUtf8(window->caption).c_str());
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!IsLiveWindow(window) || text == nullptr || maxCount <= 0) return 0;
    int length = std::min(static_cast<int>(window->caption.size()), maxCount - 1);
    window->caption.copy(text, length);
    text[length] = '\0';
    return length;
}

HDC WINAPI GetDC(HWND window) { return IsLiveWindow(window) ? &window->dc : nullptr; }

int WINAPI ReleaseDC(HWND window, HDC dc) { return IsLiveWindow(window) && dc == &window->dc ? 1 : 0; }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (!IsLiveWindow(window)) return 0;
    if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE))
        DestroyWindow(window);
    return 0;
}

// Reads the page first. A game that only ever peeks would hold the browser
// for good: now and then the page gets the thread back.
BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (msg == nullptr) return FALSE;
    if (emscripten_get_now() - LastYield > 50) WaitForPage(0);
    ReadPage();
    for (auto it = Queue.begin(); it != Queue.end(); ++it) {
        if (!Matches(*it, window, filterMin, filterMax)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) Queue.erase(it);
        return TRUE;
    }
    // As on Windows, the quit message comes once nothing else is waiting.
    bool quitWanted = (filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax);
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
