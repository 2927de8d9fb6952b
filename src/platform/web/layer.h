// The browser's platform layer's shared insides: what its files give each
// other. What it shares with the Linux layer (the Windows names the layers
// use, the files over POSIX) is in platform/posix/posix.h; the page's side
// of every call is in page.js. README.md beside this file lists what the
// layer provides to the game.
#pragma once

#include <string>

#include "platform/posix/posix.h"

// A window: the game's own is the page's canvas, under its status line; a
// box or the dialog is an overlay of the page's, above it.
struct HWND__ {
    std::string className;
    WNDPROC procedure;
    std::string caption;  // Windows-1252, as the game set it
    bool minimized;       // while the page is hidden
    HDC__ dc;             // every window has its own device context (CS_OWNDC)
    bool disabled;        // while it owns an open dialog or box: no keys
    int box;              // the page's number for a box's overlay; 0 for the canvas
};

// What the page tells the layer, in the order it happened. Keys carry the
// virtual-key code and whether the key was already down; a resize the size of
// the canvas in device pixels; a command the overlay's number and the id of
// the button (or IDCANCEL for Escape).
enum PageEventKind { PageKeyDown = 1, PageKeyUp, PageResize, PageHidden, PageShown, PageCommand };
struct PageEvent {
    int kind, a, b;
};

// Windows and messages (windows.cpp).
bool IsLiveWindow(HWND window);
HWND NewWindow(const char* className, WNDPROC procedure, const char* caption, int box);
void QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Turns what the page has told since into messages: window changes are sent
// at once, keys queued (dropped for a disabled window), commands sent to their
// box. The joystick is read too.
void ReadPage();
// Dispatches every queued message, as a modal loop does; a posted quit stays
// for the main loop.
void DispatchWaitingMessages();
// Hands the thread to the browser until the page has news or the time is up.
void WaitForPage(int milliseconds);
HWND BoxWindow(int box);  // the window of a box's overlay

// The joystick (joystick.cpp): reads the page's first pad into the messages of
// the capturing window; a capture ends with its window.
void ReadJoystick();
void EndJoystickCaptureOf(HWND window);
