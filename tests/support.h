// What the tests share: scripted message boxes, a clock moved by hand, a
// scratch working folder and SDL events pushed as if the player made them.
#pragma once

#include <SDL.h>

#include <deque>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sdl/test_hooks.h"
#include "stand_ins.h"
#include "platform/win32.h"

struct ShownBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

// Every MessageBoxA of the game lands here instead of on a screen.
struct MessageBoxScript {
    static std::vector<ShownBox> shown;
    static std::deque<int> answers;  // given in turn; 0 (a failed box) once used up
    static void (*whileOpen)();      // runs while a box is "open", if set
    static void Reset();
    static int Answer(HWND owner, LPCSTR text, LPCSTR caption, UINT type);  // the layer's handler
};

// A clock the test moves; installed for the life of the object.
struct DrivenClock {
    TestClock clock{true, 1000000, 0, 0};
    DrivenClock() { UseTestClock(&clock); }
    ~DrivenClock() { UseTestClock(nullptr); }
    void AdvanceMs(int64_t ms) {
        clock.counter += ms * clock.frequency / 1000;
        clock.milliseconds += static_cast<DWORD>(ms);
    }
};

// The loop's clock, time scale and switches as a fresh start has them.
void ResetLoopState();

// One pass of the real loop, ms after the last: a posted Escape ends it
// after its frame. Returns the loop's result.
int RunOnePass(DrivenClock& time, int ms);

// Runs the test in a fresh empty folder and returns to the old one after.
struct ScratchFolder {
    std::filesystem::path previous, path;
    ScratchFolder();
    ~ScratchFolder();
    std::string Read(const char* name) const;
    void Write(const char* name, const std::string& content) const;
};

// A small window of a class of its own, gone with the object.
struct TestWindow {
    const char* className;
    HWND window;
    TestWindow(const char* name, WNDPROC procedure);
    ~TestWindow();
};

// A window's caption, as the game set it.
std::string CaptionOf(HWND window);

// SDL events as the player would cause them; SDL's video must be up.
void StartVideo();
void PushKey(SDL_Keycode key, bool down, bool repeat = false, Uint16 mod = KMOD_NONE);
void PressKey(SDL_Keycode key, Uint16 mod = KMOD_NONE);  // down, then up
void PushText(const std::string& utf8);                   // typed text, as SDL reports it
void PushWindowEvent(HWND window, Uint8 event, int data1 = 0, int data2 = 0);
SDL_Window* SdlWindowOf(HWND window);

// Input a test gives a running dialog or box, one step each time it waits
// (install RunNextIdleStep with SetDialogIdleHandler). Once the steps run
// out it is ended with -2, so a test whose input goes astray fails instead
// of hanging.
extern std::deque<std::function<void(HWND)>> IdleSteps;
void RunNextIdleStep(HWND dialog);
// A click of the left mouse button at x, y of a window's client area.
void PushClick(HWND window, int x, int y);
