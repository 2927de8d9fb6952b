// Joystick 1 over SDL's joystick subsystem: while a window holds the capture,
// the first two axes arrive as MM_JOY1MOVE with positions 0..65535 (x in the
// low word, y in the high word) and buttons 1 to 4 as MM_JOY1BUTTONDOWN and
// MM_JOY1BUTTONUP carrying the change flag of the button and the state of all.
#include "platform/sdl/layer.h"

namespace {

SDL_Joystick* Stick = nullptr;
HWND CaptureWindow = nullptr;
WORD StickX = 32768, StickY = 32768;
WPARAM ButtonsDown = 0;

LPARAM Position() { return MAKELPARAM(StickX, StickY); }

}  // namespace

MMRESULT WINAPI joySetCapture(HWND window, UINT joystick, UINT, BOOL) {
    if (joystick != JOYSTICKID1 || !IsLiveWindow(window)) return JOYERR_PARMS;
    if (CaptureWindow != nullptr) return JOYERR_NOCANDO;
    // A captured joystick reports to its window whether or not it has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return JOYERR_UNPLUGGED;
    Stick = SDL_NumJoysticks() > 0 ? SDL_JoystickOpen(0) : nullptr;
    if (Stick == nullptr) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return JOYERR_UNPLUGGED;
    }
    CaptureWindow = window;
    StickX = static_cast<WORD>(SDL_JoystickGetAxis(Stick, 0) + 32768);
    StickY = static_cast<WORD>(SDL_JoystickGetAxis(Stick, 1) + 32768);
    ButtonsDown = 0;
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyReleaseCapture(UINT joystick) {
    if (joystick != JOYSTICKID1) return JOYERR_PARMS;
    if (CaptureWindow == nullptr) return JOYERR_NOCANDO;
    SDL_JoystickClose(Stick);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    Stick = nullptr;
    CaptureWindow = nullptr;
    return JOYERR_NOERROR;
}

void EndJoystickCaptureOf(HWND window) {
    if (window != nullptr && window == CaptureWindow) joyReleaseCapture(JOYSTICKID1);
}

void TranslateJoystickEvent(const SDL_Event& event) {
    if (CaptureWindow == nullptr || Stick == nullptr) return;
    if (event.type == SDL_JOYAXISMOTION) {
        if (event.jaxis.which != SDL_JoystickInstanceID(Stick) || event.jaxis.axis > 1) return;
        WORD value = static_cast<WORD>(event.jaxis.value + 32768);
        (event.jaxis.axis == 0 ? StickX : StickY) = value;
        QueueMessage(CaptureWindow, MM_JOY1MOVE, ButtonsDown, Position());
        return;
    }
    if (event.jbutton.which != SDL_JoystickInstanceID(Stick) || event.jbutton.button > 3) return;
    WPARAM bit = WPARAM{1} << event.jbutton.button;
    bool down = event.type == SDL_JOYBUTTONDOWN;
    ButtonsDown = down ? (ButtonsDown | bit) : (ButtonsDown & ~bit);
    QueueMessage(CaptureWindow, down ? MM_JOY1BUTTONDOWN : MM_JOY1BUTTONUP,
                 (bit << 8) | ButtonsDown, Position());
}
