// Windows and messages: what every layer's windows share. The module and its
// resources, window classes, the list of live windows, the thread's message
// queue, the focus, captions as they are kept and the windows' own DCs. Each
// layer makes its windows and adds them here (NewWindow), reads its
// platform's events into messages (ReadLayerEvents), shows captions
// (ShowCaption) and lets its part of a window go (ReleaseLayerWindow); see
// posix.h. README.md beside this file lists what it provides and refuses.
#include <strings.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/posix/journal.h"

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

HINSTANCE__ ThisModule;
HICON__ GameIcon;
HCURSOR__ ArrowCursor;

std::vector<WindowClass> Classes;
std::vector<HWND> Windows;
std::deque<MSG> Queue;
bool QuitPosted = false;
int QuitCode = 0;
HWND FocusWindow = nullptr;

bool Matches(const MSG& msg, HWND window, UINT low, UINT high) {
    if (window != nullptr && msg.hwnd != window) return false;
    return (low == 0 && high == 0) || (msg.message >= low && msg.message <= high);
}

}  // namespace

WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    for (WindowClass& c : Classes)
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

bool IsGameIcon(HICON icon) { return icon == &GameIcon; }

HWND NewWindow(const char* className, WNDPROC procedure, const std::string& caption) {
    HWND window = new HWND__;
    window->className = className;
    window->procedure = procedure;
    window->caption = caption;
    window->dc.window = window;
    Windows.push_back(window);
    return window;
}

const std::vector<HWND>& LiveWindows() { return Windows; }

bool IsLiveWindow(HWND window) {
    return window != nullptr && std::find(Windows.begin(), Windows.end(), window) != Windows.end();
}

void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = MessageTime();
    Queue.push_back(msg);
}

void DispatchWaitingMessages() {
    while (!Queue.empty()) {
        MSG msg = Queue.front();
        Queue.pop_front();
        DispatchMessageA(&msg);
    }
}

HINSTANCE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    return moduleName == nullptr ? &ThisModule : nullptr;
}

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

BOOL WINAPI DestroyWindow(HWND window) {
    if (!IsLiveWindow(window)) return FALSE;
    SendMessageA(window, WM_DESTROY, 0, 0);
    Queue.erase(std::remove_if(Queue.begin(), Queue.end(), [window](const MSG& msg) { return msg.hwnd == window; }),
                Queue.end());
    if (FocusWindow == window) FocusWindow = nullptr;
    EndJoystickCaptureOf(window);
    Windows.erase(std::find(Windows.begin(), Windows.end(), window));
    ReleaseLayerWindow(window);
    delete window;
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
    JournalCaption(window->caption);
    ShowCaption(window);
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int maxCount) {
    if (!IsLiveWindow(window) || text == nullptr || maxCount <= 0) return 0;
    return CopyText(window->caption, text, maxCount);
}

HDC WINAPI GetDC(HWND window) { return IsLiveWindow(window) ? &window->dc : nullptr; }

int WINAPI ReleaseDC(HWND window, HDC dc) { return IsLiveWindow(window) && dc == &window->dc ? 1 : 0; }

bool IsLiveDc(HDC dc) { return dc != nullptr && IsLiveWindow(dc->window) && dc == &dc->window->dc; }

bool IsWindowPixelFormat(const PIXELFORMATDESCRIPTOR* descriptor) {
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    return descriptor != nullptr && (descriptor->dwFlags & needed) == needed &&
           descriptor->iPixelType == PFD_TYPE_RGBA;
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (msg == nullptr) return FALSE;
    JournalPoll();
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
