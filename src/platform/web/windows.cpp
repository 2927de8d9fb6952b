// Windows and messages in the browser: the page's events read into messages,
// the canvas and its caption. The game's window is the page's canvas, its
// caption the status line above it (and the document's title); what the page
// sees (keys, sizes, the tab hidden or shown, the boxes' buttons) it hands
// over as events, read here into messages; those for the game's window pass
// through the journal (DeliverInput). What every layer's windows share
// (the module, classes, the list of windows, the message queue, the focus)
// is platform/posix/windows.cpp. See README.md beside this file for what the
// layer provides and refuses.
#include <emscripten.h>

#include "platform/web/layer.h"

EM_JS(int, PageTakeEvent, (PageEvent* event), { return Page.takeEvent(event); });
EM_ASYNC_JS(void, PageWait, (int milliseconds), { await Page.wait(milliseconds); });
// Resolves at the browser's next frame; a hidden page has none, so it gives
// up after a while, as a minimised window's loop still runs now and then.
EM_ASYNC_JS(void, PageNextFrame, (), { await Page.nextFrame(); });
EM_JS(void, PageOpenWindow, (int width, int height), { Page.openWindow(width, height); });
EM_JS(void, PageCloseWindow, (), { Page.closeWindow(); });
EM_JS(void, PageSetCaption, (const char* utf8), { Page.setCaption(UTF8ToString(utf8)); });
EM_JS(int, PageCanvasWidth, (), { return Page.canvas.width; });
EM_JS(int, PageCanvasHeight, (), { return Page.canvas.height; });

namespace {

double LastYield = 0;  // when the browser last had the thread, in milliseconds

// The canvas: the one window that is no box.
HWND CanvasWindow() {
    for (HWND window : LiveWindows())
        if (window->box == 0) return window;
    return nullptr;
}

// A hidden tab is a minimised window, as on Windows.
void SetMinimized(HWND window, bool minimized) {
    if (window == nullptr || window->minimized == minimized) return;
    window->minimized = minimized;
    if (minimized) {
        DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, false);
        DeliverInput(window, WM_SIZE, SIZE_MINIMIZED, 0, false);
    } else {
        DeliverInput(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(PageCanvasWidth(), PageCanvasHeight()), false);
        DeliverInput(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0, false);
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
                DeliverInput(canvas, WM_KEYDOWN, event.a, event.b ? 0x40000001 : 1, true);
            else
                DeliverInput(canvas, WM_KEYUP, event.a, static_cast<LPARAM>(0xC0000001u), true);
            return;
        case PageResize:
            if (canvas != nullptr && !canvas->minimized)
                DeliverInput(canvas, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.a, event.b), false);
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

}  // namespace

HWND BoxWindow(int box) {
    for (HWND window : LiveWindows())
        if (box != 0 && window->box == box) return window;
    return nullptr;
}

void ReadPage() {
    PageEvent event;
    while (PageTakeEvent(&event)) Translate(event);
    ReadJoystick();
}

void WaitForPage(int milliseconds) {
    PageWait(milliseconds);
    LastYield = emscripten_get_now();
}

void WaitForNextFrame() {
    PageNextFrame();
    LastYield = emscripten_get_now();
}

// What the journal asks of this layer while a game is watched: the watcher's
// Escape stops it, and a resized canvas is drawn at its new size; nothing
// else reaches the game. The browser has the thread while it waits, and now
// and then when it does not.
void WaitForWatcher(int milliseconds) {
    if (milliseconds > 0 || emscripten_get_now() - LastYield > 50) WaitForPage(milliseconds);
    PageEvent event;
    while (PageTakeEvent(&event)) {
        HWND canvas = CanvasWindow();
        if (event.kind == PageKeyDown && event.a == VK_ESCAPE)
            StopWatching();
        else if (event.kind == PageResize && canvas != nullptr)
            SendMessageA(canvas, WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.a, event.b));
    }
}

// What the windows every layer shares (platform/posix/windows.cpp) ask of
// this one.

// Reads the page for PeekMessageA. A game that only ever peeks would hold the
// browser for good: now and then the page gets the thread back.
void ReadLayerEvents() {
    if (emscripten_get_now() - LastYield > 50) WaitForPage(0);
    ReadPage();
}

DWORD MessageTime() { return static_cast<DWORD>(emscripten_get_now()); }

void ShowCaption(HWND window) {
    if (window->box == 0) PageSetCaption(CaptionToUtf8(window->caption).c_str());
}

void ReleaseLayerWindow(HWND window) {
    if (window->box == 0) PageCloseWindow();
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
    HWND window = NewWindow(windowClass->name.c_str(), windowClass->info.lpfnWndProc, caption);
    PageOpenWindow(width, height);
    ShowCaption(window);

    CREATESTRUCTA create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    if (SendMessageA(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(PageCanvasWidth(), PageCanvasHeight()));
    return window;  // a hidden tab minimises it at the first peek (page.js)
}

// The canvas is always shown; a page cannot minimise itself.
BOOL WINAPI ShowWindow(HWND window, int) { return IsLiveWindow(window); }

BOOL WINAPI SetForegroundWindow(HWND window) { return IsLiveWindow(window); }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (!IsLiveWindow(window)) return 0;
    if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE))
        DestroyWindow(window);
    return 0;
}
