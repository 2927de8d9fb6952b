// The performance counter and the millisecond clock, both from the
// monotonic clock; tests may put a clock of their own in its place.
#include <time.h>

#include "platform/sdl/layer.h"
#include "platform/sdl/test_seams.h"

namespace {

const TestClock* Override = nullptr;

LONGLONG MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

void UseTestClock(const TestClock* clock) { Override = clock; }

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (Override != nullptr && !Override->hasPerformanceCounter) {
        frequency->QuadPart = 0;
        return FALSE;
    }
    frequency->QuadPart = Override != nullptr ? Override->frequency : 1000000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = Override != nullptr ? Override->counter : MonotonicNanoseconds();
    return TRUE;
}

DWORD WINAPI timeGetTime(void) {
    if (Override != nullptr) return Override->milliseconds;
    return static_cast<DWORD>(MonotonicNanoseconds() / 1000000);  // wraps like Windows' clock
}
