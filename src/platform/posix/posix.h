// What the platform layers over POSIX share (the Linux layer over SDL2 in
// platform/sdl, the browser's over Emscripten in platform/web): the Windows
// calls of the files beside this one (clock, memory, bitmaps, text, files,
// windows and messages), and what those files and the layers give each
// other. README.md beside this file lists what these files provide and
// refuse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/cp1252.h"
#include "platform/posix/win32_api.h"

// Windows names the layers use that the game never does.
#define MAKELONG(a, b) ((LONG)(((WORD)(a)) | ((DWORD)((WORD)(b))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define IS_INTRESOURCE(r) ((((uintptr_t)(r)) >> 16) == 0)
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010

// The messages and answers the layers make, and the keys they know
// beyond those the game reads.

#define WM_DESTROY 0x0002
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SC_MINIMIZE 0xF020
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

#define SW_HIDE 0
#define SW_SHOWMINIMIZED 2
#define SW_MINIMIZE 6
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define IDNO 7
#define BN_CLICKED 0

#define JOYERR_NOERROR 0
#define JOYERR_PARMS 165
#define JOYERR_NOCANDO 166
#define JOYERR_UNPLUGGED 167

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_CAPITAL 0x14
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91

#define SND_NODEFAULT 0x0002

extern "C" {
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND WINAPI GetDlgItem(HWND dialog, int id);
}

// A device context: a window's own (every window is CS_OWNDC), or a memory
// DC holding a bitmap, which has no window.
struct HDC__ {
    HWND window;
    int pixelFormat;  // 0 until SetPixelFormat
};

struct SDL_Window;  // SDL's own

// A window: what every layer keeps of it, then what each layer keeps of its
// own.
struct HWND__ {
    std::string className;
    WNDPROC procedure = nullptr;
    std::string caption;     // Windows-1252, as the game set it
    bool minimized = false;  // in the browser: while the page is hidden
    HDC__ dc{nullptr, 0};    // every window has its own device context (CS_OWNDC)
    bool disabled = false;   // while it owns an open dialog or box: no keys, no close box
    // The Linux layer's: the SDL window it is (none for a dialog's control).
    SDL_Window* sdl = nullptr;
    // The browser's: the page's number for a box's overlay, which sits above
    // the canvas; 0 for the game's own window, the page's canvas.
    int box = 0;
};

// A registered window class: its name as registered, and what was given
// (less the name, whose text may not last).
struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

// Windows and messages (windows.cpp): what every layer's windows share.
WindowClass* FindClass(LPCSTR name);  // by name, whatever the case; null for none
bool IsGameIcon(HICON icon);          // the handle LoadIconA gives for the game's icon
// Adds a window to the live ones, with no platform part yet: the layer
// gives it its own before anything else happens.
HWND NewWindow(const char* className, WNDPROC procedure, const std::string& caption);
const std::vector<HWND>& LiveWindows();  // in the order they were made
bool IsLiveWindow(HWND window);
bool IsLiveDc(HDC dc);  // a live window's own DC
// A pixel format the layers offer (their one, format 1): a window's, with
// OpenGL and RGBA.
bool IsWindowPixelFormat(const PIXELFORMATDESCRIPTOR* descriptor);
void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Dispatches every queued message, as a modal loop does, without reading the
// platform's events; a posted quit stays for the main loop.
void DispatchWaitingMessages();

// What each layer gives windows.cpp.
// Turns what the platform has told since into messages: window changes are
// sent at once, keys and the joystick queued. PeekMessageA reads them first.
void ReadLayerEvents();
// The time a queued message carries, in milliseconds.
DWORD MessageTime();
// Shows a window's caption, as SetWindowTextA has just kept it.
void ShowCaption(HWND window);
// Lets go of the layer's part of a window that DestroyWindow has taken out
// of the live ones, before it is deleted.
void ReleaseLayerWindow(HWND window);
// A joystick capture ends with its window.
void EndJoystickCaptureOf(HWND window);

// Bytes in one stored row of a device-independent bitmap: rows are padded
// to whole 32-bit words.
inline size_t DibRowBytes(size_t width, unsigned bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// The game's 8-bit text is Windows-1252; the systems below speak UTF-8.
// A window's caption as it is shown: Windows-1252 as Cp1252ToUtf8 makes it,
// but with control characters drawn as their symbols (U+2400 on) and the
// five bytes 1252 leaves undefined left out, as captions show nothing there.
std::string CaptionToUtf8(std::string_view text);
// The same in ISO 8859-1, for readers of X's oldest window names: ? for
// what it cannot hold.
std::string CaptionToLatin1(std::string_view text);
// What a Get...TextA call hands back: the text cut to the count less one and
// ended with a zero in `buffer`, which has room for `maxCount` (at least 1);
// returns its length.
int CopyText(std::string_view text, LPSTR buffer, int maxCount);
