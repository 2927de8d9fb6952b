// What the test build of the layer adds: the library built with
// KUBRASK_TEST_HOOKS, which only the tests, the bench and the fuzz targets
// link. The shipped game carries none of it (a test checks its symbols).
// Calls that tests replace outright (the clocks, the message boxes, calls
// made to fail, counting presented frames) are not here: the tests stand in
// for them at link time (tests/stand_ins.h).
#pragma once

#include <string>
#include <vector>

#include "platform/sdl/layer.h"

// Windows names and calls only the tests use.
#define JOY_BUTTON1 0x0001
#define JOY_BUTTON2 0x0002

extern "C" {
BOOL WINAPI GetClientRect(HWND window, RECT* rect);
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
}

// What the layer holds at the moment: for checking that teardown let go.
int LiveWindowCount();
bool IsClassRegistered(LPCSTR className);
int OpenKernelObjectCount();  // open files and mappings, and mapped views
int LiveGdiObjectCount();     // memory DCs and bitmaps
int LiveLocalBlockCount();    // blocks from LocalAlloc not yet freed

// The file the sound being played came from, "(alert)" for the default
// sound, or null while nothing plays.
const char* SoundNowPlaying();

// The last dialog or message box drawn, kept after it closes: the font's
// base units, where each control was drawn and the picture, so tests can
// hold it against the template. Rectangles are in pixels of the client area.
struct DialogDrawing {
    struct Control {
        int id;
        bool button;
        bool isDefault;  // wears the default frame: Enter presses it
        bool focused;
        std::string text;
        RECT place;
    };
    int baseUnitX;  // the font's average character width
    int baseUnitY;  // the font's character height
    RECT client;
    RECT ok, cancel, edit, label;  // of the controls with these ids or kinds
    int caretX;     // where the edit field's caret was drawn, -1 without one
    std::vector<Control> controls;  // all of them, in tab order
    int width, height;
    std::vector<DWORD> pixels;  // 0xRRGGBB, top row first
};
bool LastDialogDrawing(DialogDrawing* drawing);  // false until one was drawn

// Called by a running dialog or box whenever no input is waiting, so a test
// whose scripted input runs out can end it instead of hanging.
typedef void (*DialogIdleHandler)(HWND dialog);
void SetDialogIdleHandler(DialogIdleHandler handler);
