// Hooks that let tests drive the Linux platform layer: a clock they set by
// hand, message boxes answered by a script, and calls made to fail on demand.
// The game itself never calls these.
#pragma once

#include <string>
#include <vector>

#include "platform/sdl/win32_api.h"

// Readings that QueryPerformanceFrequency, QueryPerformanceCounter and
// timeGetTime return while a test clock is in use. The layer reads through
// the pointer, so a test moves time by changing the fields.
struct TestClock {
    bool hasPerformanceCounter;
    LONGLONG frequency;
    LONGLONG counter;
    DWORD milliseconds;
};
void UseTestClock(const TestClock* clock);  // null: the real clocks again

// While a handler is set, MessageBoxA calls it instead of showing a box and
// returns its answer.
typedef int (*MessageBoxHandler)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void SetMessageBoxHandler(MessageBoxHandler handler);

// The next call of the named function (for example "wglCreateContext") fails
// as the real one does; each armed failure is used up by one call.
void FailNextCall(const char* functionName);
void ClearCallFailures();

// What the layer holds at the moment: for checking that teardown let go.
int LiveWindowCount();
bool IsClassRegistered(LPCSTR className);
int OpenKernelObjectCount();  // open files and mappings, and mapped views
int LiveGdiObjectCount();     // memory DCs and bitmaps
int LiveLocalBlockCount();    // blocks from LocalAlloc not yet freed

// How many times SwapBuffers has presented a picture since the start.
int PresentedFrameCount();

// Off: presenting runs as fast as it can, with no swap interval asked for
// and no wait (for measuring what pacing saves). On, as the game has it, by default.
void SetFramePacing(bool on);

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
