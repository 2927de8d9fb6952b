// The browser's platform layer's shared insides: what its files give each
// other. What it shares with the Linux layer (the Windows names the layers
// use, the window record, the files over POSIX, the windows and messages, the
// journal) is in platform/posix/posix.h and journal.h; the page's side of
// every call is in page.js.
// README.md beside this file lists what the layer provides to the game.
#pragma once

#include "platform/posix/journal.h"

// What the page tells the layer, in the order it happened. Keys carry the
// virtual-key code and whether the key was already down; a resize the size of
// the canvas in device pixels; a command the overlay's number and the id of
// the button (or IDCANCEL for Escape).
enum PageEventKind { PageKeyDown = 1, PageKeyUp, PageResize, PageHidden, PageShown, PageCommand };
struct PageEvent {
    int kind, a, b;
};

// Windows and messages over the page (windows.cpp). A window is the game's
// own, the page's canvas under its status line, or a box or the dialog, an
// overlay of the page's above it (its HWND__::box).

// Turns what the page has told since into messages: window changes are sent
// at once, keys queued (dropped for a disabled window), commands sent to their
// box. The joystick is read too.
void ReadPage();
// Hands the thread to the browser until the page has news or the time is up.
void WaitForPage(int milliseconds);
// The same until the browser's next frame (a tenth of a second at most while
// the page is hidden).
void WaitForNextFrame();
HWND BoxWindow(int box);  // the window of a box's overlay

// The joystick (joystick.cpp): reads the page's first pad into the messages of
// the capturing window; a capture ends with its window (EndJoystickCaptureOf).
void ReadJoystick();
