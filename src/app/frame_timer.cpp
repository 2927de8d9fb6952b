#include "app/frame_timer.h"

#include "app/window.h"
#include "game/cheat_flags.h"

float FrameDelta = 0.0f;
float TimeScale = 1.0f;
float LastFrameTime = -1.0f;

FrameTimer::FrameTimer() : frequency(0), resolution(0), millisecondStart(0), counterMode(false), counterStart(0) {
    LARGE_INTEGER reading;
    if (QueryPerformanceFrequency(&reading) && reading.QuadPart > 0) {
        frequency = reading.QuadPart;
        QueryPerformanceCounter(&reading);
        counterStart = reading.QuadPart;
        counterMode = true;
        resolution = static_cast<float>(1.0L / static_cast<long double>(frequency));
    } else {
        millisecondStart = timeGetTime();
        frequency = 1000;
        resolution = 0.001f;
    }
}

long double TimerElapsedMs() {
    int64_t ticks;
    if (GameTimer.counterMode) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        ticks = now.QuadPart - GameTimer.counterStart;
    } else {
        // Unsigned subtraction absorbs one wrap of the 49-day clock.
        ticks = static_cast<uint32_t>(timeGetTime() - GameTimer.millisecondStart);
    }
    return static_cast<long double>(ticks) * GameTimer.resolution * 1000;
}

void UpdateFrameDelta() {
    long double now = TimerElapsedMs();
    if (LastFrameTime == -1.0f) {  // the first timed frame
        LastFrameTime = static_cast<float>(TimerElapsedMs());
        FrameDelta = 0.0f;
        return;
    }
    FrameDelta = static_cast<float>((now - LastFrameTime) * 0.001 * TimeScale);
    // After hours of play the stored time is coarser than a frame and may lie
    // ahead of now: time never runs backwards.
    if (FrameDelta < 0.0f) FrameDelta = 0.0f;
    if (CheatFlags.Paused) FrameDelta = 0.0f;
    LastFrameTime = static_cast<float>(now);  // also while paused: no time piles up
}

void ShowModalMessage(const char* text) {
    MessageBoxA(GameWindow, text, "Kubrask", MB_OK);
    // The time the box stayed open is not game time.
    LastFrameTime = static_cast<float>(TimerElapsedMs());
}
