// Shared insides of the Linux platform layer.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/sdl/win32_api.h"

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

HWND WindowFromSdlId(Uint32 windowId);
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

// Test seam: true when a failure of this call was armed (and uses it up).
bool CallFails(const char* functionName);

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
