// The clock: the performance counter and the millisecond clock, both from
// the monotonic clock. See README.md beside this file for the whole layer.
#include <time.h>

#include "platform/posix/journal.h"

namespace {

LONGLONG MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    count->QuadPart = JournalClock(MonotonicNanoseconds());
    return TRUE;
}

DWORD WINAPI timeGetTime(void) {
    return JournalMilliseconds(static_cast<DWORD>(MonotonicNanoseconds() / 1000000));  // wraps like Windows' clock
}
