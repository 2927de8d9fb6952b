// Stand-ins for a few of the layer's calls, put in their place at link time
// (the linker's --wrap, see layer_stand_ins in CMakeLists.txt): a clock the
// test sets by hand, message boxes answered by a script, calls made to fail
// on demand, and a count of the frames presented. Each stand-in hands the call on
// to the layer's own function unless a test has set it up.
#pragma once

#include "platform/win32.h"

// Readings that QueryPerformanceFrequency, QueryPerformanceCounter and
// timeGetTime return while a test clock is in use. The stand-ins read
// through the pointer, so a test moves time by changing the fields.
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
// as the real one does; each armed failure is used up by one call. Naming a
// call that has no failing stand-in ends the program.
void FailNextCall(const char* functionName);
void ClearCallFailures();

// How many times SwapBuffers has presented a picture since the start.
int PresentedFrameCount();
