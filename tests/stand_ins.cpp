// The stand-ins of stand_ins.h: each __wrap_X is what the game's and the
// tests' calls of X reach, and __real_X the layer's own.
#include "stand_ins.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
BOOL WINAPI __real_QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL WINAPI __real_QueryPerformanceCounter(LARGE_INTEGER* count);
DWORD WINAPI __real_timeGetTime(void);
int WINAPI __real_MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL WINAPI __real_SwapBuffers(HDC dc);
}

namespace {
const TestClock* Clock = nullptr;
MessageBoxHandler ScriptedAnswers = nullptr;
std::vector<std::string> ArmedFailures;
int PresentedFrames = 0;

// True when a failure of this call was armed, which it uses up.
bool Fails(const char* functionName) {
    auto found = std::find(ArmedFailures.begin(), ArmedFailures.end(), functionName);
    if (found == ArmedFailures.end()) return false;
    ArmedFailures.erase(found);
    return true;
}

// The calls that can be made to fail: each failing stand-in below adds its
// own name as the program starts.
std::vector<std::string>& Failable() {
    static std::vector<std::string> names;
    return names;
}

bool CanFail(const char* functionName) {
    Failable().emplace_back(functionName);
    return true;
}
}  // namespace

void UseTestClock(const TestClock* clock) { Clock = clock; }

void SetMessageBoxHandler(MessageBoxHandler handler) { ScriptedAnswers = handler; }

void FailNextCall(const char* functionName) {
    if (std::find(Failable().begin(), Failable().end(), functionName) == Failable().end()) {
        // A failure that can never happen would let a test pass for nothing.
        std::fprintf(stderr, "FailNextCall: %s cannot be made to fail\n", functionName);
        std::abort();
    }
    ArmedFailures.emplace_back(functionName);
}

void ClearCallFailures() { ArmedFailures.clear(); }

int PresentedFrameCount() { return PresentedFrames; }

extern "C" {

BOOL WINAPI __wrap_QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (Clock == nullptr) return __real_QueryPerformanceFrequency(frequency);
    frequency->QuadPart = Clock->hasPerformanceCounter ? Clock->frequency : 0;
    return Clock->hasPerformanceCounter ? TRUE : FALSE;
}

BOOL WINAPI __wrap_QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (Clock == nullptr) return __real_QueryPerformanceCounter(count);
    count->QuadPart = Clock->counter;
    return TRUE;
}

DWORD WINAPI __wrap_timeGetTime(void) {
    return Clock != nullptr ? Clock->milliseconds : __real_timeGetTime();
}

int WINAPI __wrap_MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (ScriptedAnswers != nullptr) return ScriptedAnswers(owner, text, caption, type);
    return __real_MessageBoxA(owner, text, caption, type);
}

// A stand-in that fails as the layer's own does, once armed, and otherwise
// hands the call on.
#define FAILING_STAND_IN(Result, failure, name, parameters, arguments) \
    const bool name##CanFail = CanFail(#name);                        \
    Result WINAPI __real_##name parameters;                           \
    Result WINAPI __wrap_##name parameters {                          \
        if (Fails(#name)) return failure;                             \
        return __real_##name arguments;                               \
    }

FAILING_STAND_IN(ATOM, 0, RegisterClassA, (const WNDCLASSA* windowClass), (windowClass))
FAILING_STAND_IN(BOOL, FALSE, UnregisterClassA, (LPCSTR name, HINSTANCE instance), (name, instance))
FAILING_STAND_IN(HWND, nullptr, CreateWindowExA,
                 (DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param),
                 (exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                  param))
FAILING_STAND_IN(BOOL, FALSE, DestroyWindow, (HWND window), (window))
FAILING_STAND_IN(HDC, nullptr, GetDC, (HWND window), (window))
FAILING_STAND_IN(int, 0, ReleaseDC, (HWND window, HDC dc), (window, dc))
FAILING_STAND_IN(int, 0, ChoosePixelFormat, (HDC dc, const PIXELFORMATDESCRIPTOR* descriptor),
                 (dc, descriptor))
FAILING_STAND_IN(BOOL, FALSE, SetPixelFormat,
                 (HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor), (dc, format, descriptor))
FAILING_STAND_IN(HGLRC, nullptr, wglCreateContext, (HDC dc), (dc))
FAILING_STAND_IN(BOOL, FALSE, wglMakeCurrent, (HDC dc, HGLRC context), (dc, context))
FAILING_STAND_IN(BOOL, FALSE, wglDeleteContext, (HGLRC context), (context))
FAILING_STAND_IN(HANDLE, nullptr, CreateFileMappingA,
                 (HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD sizeHigh,
                  DWORD sizeLow, LPCSTR name),
                 (file, security, protect, sizeHigh, sizeLow, name))
FAILING_STAND_IN(LPVOID, nullptr, MapViewOfFile,
                 (HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes),
                 (mapping, access, offsetHigh, offsetLow, bytes))
FAILING_STAND_IN(BOOL, FALSE, MoveFileExA, (LPCSTR existing, LPCSTR replacement, DWORD flags),
                 (existing, replacement, flags))
FAILING_STAND_IN(HLOCAL, nullptr, LocalAlloc, (UINT flags, SIZE_T bytes), (flags, bytes))
FAILING_STAND_IN(HDC, nullptr, CreateCompatibleDC, (HDC dc), (dc))
FAILING_STAND_IN(HGDIOBJ, nullptr, SelectObject, (HDC dc, HGDIOBJ object), (dc, object))

// A failed section hands back no bits, as the layer's own.
const bool CreateDIBSectionCanFail = CanFail("CreateDIBSection");
HBITMAP WINAPI __real_CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset);
HBITMAP WINAPI __wrap_CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset) {
    if (Fails("CreateDIBSection")) {
        if (bits != nullptr) *bits = nullptr;
        return nullptr;
    }
    return __real_CreateDIBSection(dc, info, usage, bits, section, offset);
}

BOOL WINAPI __wrap_SwapBuffers(HDC dc) {
    BOOL presented = __real_SwapBuffers(dc);
    if (presented) ++PresentedFrames;
    return presented;
}

}  // extern "C"
