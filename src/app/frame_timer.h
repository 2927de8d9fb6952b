// Game time: how long the last frame took, from a high-resolution counter or
// the millisecond clock.
#pragma once

#include <cstdint>

struct FrameTimer {
    int64_t frequency;          // ticks per second
    float resolution;           // seconds per tick
    uint32_t millisecondStart;  // millisecond clock at construction
    bool counterMode;           // the performance counter is used
    int64_t counterStart;       // performance counter at construction

    FrameTimer();
};

extern FrameTimer GameTimer;

extern float FrameDelta;     // seconds of game time in the current frame
extern float TimeScale;      // 1.0, or 0.2 in slow motion
extern float LastFrameTime;  // milliseconds at the previous frame, -1 before the first

long double TimerElapsedMs();
void UpdateFrameDelta();
void ShowModalMessage(const char* text);
