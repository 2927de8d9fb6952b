// Windows, messages, the context, sound and the pad, as records only; see
// layer.h.
#include "platform/headless/layer.h"

struct HGLRC__ {
    int unused;
};

namespace {

HGLRC__ OnlyContext;
HWND CaptureWindow = nullptr;

}  // namespace

// What the windows every layer shares ask of this one: no events but the
// journal's, no time of day, nothing shown.
void ReadLayerEvents() {}
DWORD MessageTime() { return 0; }
void ShowCaption(HWND) {}
void ReleaseLayerWindow(HWND) {}
void EndJoystickCaptureOf(HWND window) {
    if (window == CaptureWindow) CaptureWindow = nullptr;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect != nullptr; }

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int width, int height,
                            HWND, HMENU, HINSTANCE, LPVOID parameter) {
    WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr) return nullptr;
    HWND window = NewWindow(windowClass->name.c_str(), windowClass->info.lpfnWndProc,
                            windowName != nullptr ? windowName : "");
    CREATESTRUCTA create{};
    create.lpCreateParams = parameter;
    create.cx = width;
    create.cy = height;
    if (SendMessageA(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return window;
}

BOOL WINAPI ShowWindow(HWND window, int) { return IsLiveWindow(window); }
BOOL WINAPI SetForegroundWindow(HWND window) { return IsLiveWindow(window); }

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (!IsLiveWindow(window)) return 0;
    if (message == WM_CLOSE) DestroyWindow(window);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    return IsLiveDc(dc) && IsWindowPixelFormat(descriptor) ? 1 : 0;
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (!IsLiveDc(dc) || format != 1 || dc->pixelFormat != 0) return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC dc) { return IsLiveDc(dc) && dc->pixelFormat != 0 ? &OnlyContext : nullptr; }
BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) { return context == nullptr || IsLiveDc(dc); }
BOOL WINAPI wglDeleteContext(HGLRC context) { return context != nullptr; }

BOOL WINAPI SwapBuffers(HDC dc) {
    if (!IsLiveDc(dc)) return FALSE;
    JournalFrame();
    return TRUE;
}

MMRESULT WINAPI joySetCapture(HWND window, UINT joystick, UINT, BOOL) {
    if (joystick != JOYSTICKID1 || !IsLiveWindow(window)) return JOYERR_PARMS;
    if (CaptureWindow != nullptr) return JOYERR_NOCANDO;
    CaptureWindow = window;
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyReleaseCapture(UINT joystick) {
    if (joystick != JOYSTICKID1) return JOYERR_PARMS;
    if (CaptureWindow == nullptr) return JOYERR_NOCANDO;
    CaptureWindow = nullptr;
    return JOYERR_NOERROR;
}

BOOL WINAPI sndPlaySoundA(LPCSTR name, UINT) { return name != nullptr; }

// Boxes and the dialog come only from the journal.
int LayerMessageBox(HWND, LPCSTR, LPCSTR, UINT) { return 0; }
INT_PTR LayerDialogBox(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) { return -1; }
BOOL LayerEndDialog(HWND, INT_PTR) { return FALSE; }
BOOL LayerSetDlgItemText(HWND, int, LPCSTR) { return FALSE; }
UINT LayerGetDlgItemText(HWND, int, LPSTR text, int maxCount) {
    if (text != nullptr && maxCount > 0) text[0] = '\0';
    return 0;
}

bool OpenJournalOutput() { return false; }
void WriteJournalOutput(const unsigned char*, size_t) {}
void WaitForWatcher(int) {}
