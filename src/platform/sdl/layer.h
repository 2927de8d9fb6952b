// The Linux platform layer's shared insides: what its files give each other,
// and the Windows names the layer itself uses that the game never does.
// README.md beside this file lists what the layer provides to the game.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/sdl/win32_api.h"

// Windows names of the messages and answers the layer makes, and of the
// keys it knows beyond those the game reads.
#define MAKELONG(a, b) ((LONG)(((WORD)(a)) | ((DWORD)((WORD)(b))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define IS_INTRESOURCE(r) ((((uintptr_t)(r)) >> 16) == 0)

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

#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define SND_NODEFAULT 0x0002

extern "C" {
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND WINAPI GetDlgItem(HWND dialog, int id);
}

struct HDC__ {
    HWND window;
    int pixelFormat;  // 0 until SetPixelFormat
};

struct HWND__ {
    SDL_Window* sdl;
    std::string className;
    WNDPROC procedure;
    std::string caption;  // Windows-1252, as the game set it
    bool minimized;
    HDC__ dc;  // every window has its own device context (CS_OWNDC)
    bool disabled = false;  // while it owns an open dialog or box: no keys, no close box
};

// Bytes in one stored row of a device-independent bitmap: rows are padded
// to whole 32-bit words.
inline size_t DibRowBytes(size_t width, unsigned bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// Gives an SDL window the game's icon.
void SetGameIcon(SDL_Window* window);

// Starts SDL's video on first use; false when there is no display to use.
bool EnsureVideo();

// Makes an SDL window created elsewhere in the layer (a dialog) one of its
// windows; DestroyWindow ends it as any other.
HWND AdoptSdlWindow(SDL_Window* sdl, const char* className, WNDPROC procedure,
                    const std::string& caption);
bool IsLiveWindow(HWND window);
bool IsLayerSdlWindow(SDL_Window* sdl);  // the SDL window of a live window of ours
void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One SDL event as the thread's messages: window changes are sent to their
// window at once, keys and the joystick are queued. Input for a disabled
// window is dropped. Modal loops hand on what is not theirs through it.
void TranslateSdlEvent(const SDL_Event& event);
// Dispatches every queued message, as a modal loop does, without reading
// SDL's events; a posted quit stays for the main loop.
void DispatchWaitingMessages();

// Turns a joystick event into the messages of the capturing window.
void TranslateJoystickEvent(const SDL_Event& event);
// A capture ends with its window.
void EndJoystickCaptureOf(HWND window);

// The Windows virtual-key code of an SDL key, 0 for keys the game cannot know.
WORD VirtualKeyFromSdl(SDL_Keycode key);

// The game's 8-bit text is Windows-1252; SDL speaks UTF-8.
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);  // drops what 1252 cannot hold
// A window's caption as it is shown: Windows-1252 as Cp1252ToUtf8 makes it,
// but with control characters drawn as their symbols (U+2400 on) and the
// five bytes 1252 leaves undefined left out, as captions show nothing there.
std::string CaptionToUtf8(std::string_view text);
// The same in ISO 8859-1, for readers of X's oldest window names: ? for
// what it cannot hold.
std::string CaptionToLatin1(std::string_view text);
// Names an SDL window by a Windows-1252 caption.
void SetSdlWindowTitle(SDL_Window* sdl, std::string_view caption);

#ifdef KUBRASK_TEST_HOOKS
#include "platform/sdl/test_hooks.h"
#endif
