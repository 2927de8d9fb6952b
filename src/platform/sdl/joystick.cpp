// Input: joystick 1 over SDL. A pad SDL knows as a game controller is read
// through its game-controller interface: the d-pad and the left stick give the
// position, Start is button 1 and A (the bottom face button) button 2. Any
// other pad is read through its joystick interface: hat 0 and axes 0 and 1
// give the position, buttons 1 to 4 are its first four. While a window
// holds the capture, the position arrives as MM_JOY1MOVE (x in the low
// word, y in the high word, each 0..65535, a pressed d-pad at the ends) and
// the buttons as MM_JOY1BUTTONDOWN and MM_JOY1BUTTONUP, carrying the change
// flag of the button and the state of all. The first pad plugged in, when
// the capture begins or later, is joystick 1; when it goes, the position
// returns to the centre and the next pad, if any, takes its place.
// See README.md beside this file for what the layer provides and refuses.
#include "platform/sdl/layer.h"

namespace {

HWND CaptureWindow = nullptr;
SDL_Joystick* Stick = nullptr;     // joystick 1, or none
SDL_GameController* Pad = nullptr;  // the same, when SDL knows it as a controller
SDL_JoystickID StickId = -1;
Sint16 AxisX = 0, AxisY = 0;  // the stick
int HatX = 0, HatY = 0;       // the d-pad: -1, 0 or 1
WPARAM ButtonsDown = 0;

LPARAM Position() {
    if (HatX != 0 || HatY != 0)  // the d-pad wins over the stick
        return MAKELPARAM(HatX < 0 ? 0 : HatX > 0 ? 65535 : 32767,
                          HatY < 0 ? 0 : HatY > 0 ? 65535 : 32767);
    return MAKELPARAM(AxisX + 32768, AxisY + 32768);
}

void SendPosition() { DeliverInput(CaptureWindow, MM_JOY1MOVE, ButtonsDown, Position(), true); }

// Button 1 to 4 of joystick 1, by its index 0 to 3.
void SetButton(int index, bool down) {
    WPARAM bit = WPARAM{1} << index;
    if (((ButtonsDown & bit) != 0) == down) return;
    ButtonsDown ^= bit;
    DeliverInput(CaptureWindow, down ? MM_JOY1BUTTONDOWN : MM_JOY1BUTTONUP, (bit << 8) | ButtonsDown,
                 Position(), true);
}

void SetHatFromBits(Uint8 hat) {
    HatX = (hat & SDL_HAT_LEFT) ? -1 : (hat & SDL_HAT_RIGHT) ? 1 : 0;
    HatY = (hat & SDL_HAT_UP) ? -1 : (hat & SDL_HAT_DOWN) ? 1 : 0;
}

// The d-pad of a controller as a hat.
Uint8 ControllerHat() {
    Uint8 hat = SDL_HAT_CENTERED;
    if (SDL_GameControllerGetButton(Pad, SDL_CONTROLLER_BUTTON_DPAD_UP)) hat |= SDL_HAT_UP;
    if (SDL_GameControllerGetButton(Pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) hat |= SDL_HAT_DOWN;
    if (SDL_GameControllerGetButton(Pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) hat |= SDL_HAT_LEFT;
    if (SDL_GameControllerGetButton(Pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) hat |= SDL_HAT_RIGHT;
    return hat;
}

// Makes the pad at a device index joystick 1, starting from where it stands.
void Open(int device) {
    if (SDL_IsGameController(device)) {
        Pad = SDL_GameControllerOpen(device);
        Stick = Pad != nullptr ? SDL_GameControllerGetJoystick(Pad) : nullptr;
    } else {
        Stick = SDL_JoystickOpen(device);
    }
    if (Stick == nullptr) {
        Pad = nullptr;
        return;
    }
    StickId = SDL_JoystickInstanceID(Stick);
    if (Pad != nullptr) {
        AxisX = SDL_GameControllerGetAxis(Pad, SDL_CONTROLLER_AXIS_LEFTX);
        AxisY = SDL_GameControllerGetAxis(Pad, SDL_CONTROLLER_AXIS_LEFTY);
        SetHatFromBits(ControllerHat());
    } else {
        AxisX = SDL_JoystickNumAxes(Stick) > 0 ? SDL_JoystickGetAxis(Stick, 0) : 0;
        AxisY = SDL_JoystickNumAxes(Stick) > 1 ? SDL_JoystickGetAxis(Stick, 1) : 0;
        SetHatFromBits(SDL_JoystickNumHats(Stick) > 0 ? SDL_JoystickGetHat(Stick, 0) : SDL_HAT_CENTERED);
    }
    ButtonsDown = 0;
    SendPosition();  // where it stands as it comes
}

void OpenFirst() {
    for (int device = 0; device < SDL_NumJoysticks() && Stick == nullptr; ++device) Open(device);
}

// Lets go of joystick 1; with `tell`, its buttons come up and its position
// returns to the centre first.
void Close(bool tell) {
    if (Stick == nullptr) return;
    if (tell) {
        for (int index = 0; index < 4; ++index) SetButton(index, false);
        AxisX = AxisY = 0;
        HatX = HatY = 0;
        SendPosition();
    }
    if (Pad != nullptr)
        SDL_GameControllerClose(Pad);
    else
        SDL_JoystickClose(Stick);
    Pad = nullptr;
    Stick = nullptr;
    StickId = -1;
}

void ControllerButton(Uint8 button, bool down) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_START:
            SetButton(0, down);
            break;
        case SDL_CONTROLLER_BUTTON_A:
            SetButton(1, down);
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            SetHatFromBits(ControllerHat());
            SendPosition();
            break;
        default:
            break;
    }
}

}  // namespace

// The capture holds with or without a pad: one plugged in later reports to it.
MMRESULT WINAPI joySetCapture(HWND window, UINT joystick, UINT, BOOL) {
    if (joystick != JOYSTICKID1 || !IsLiveWindow(window)) return JOYERR_PARMS;
    if (CaptureWindow != nullptr) return JOYERR_NOCANDO;
    // A captured joystick reports to its window whether or not it has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return JOYERR_UNPLUGGED;
    CaptureWindow = window;
    OpenFirst();
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyReleaseCapture(UINT joystick) {
    if (joystick != JOYSTICKID1) return JOYERR_PARMS;
    if (CaptureWindow == nullptr) return JOYERR_NOCANDO;
    Close(false);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    CaptureWindow = nullptr;
    return JOYERR_NOERROR;
}

void EndJoystickCaptureOf(HWND window) {
    if (window != nullptr && window == CaptureWindow) joyReleaseCapture(JOYSTICKID1);
}

void TranslateJoystickEvent(const SDL_Event& event) {
    if (CaptureWindow == nullptr) return;
    switch (event.type) {
        case SDL_JOYDEVICEADDED:
            if (Stick == nullptr) Open(event.jdevice.which);
            return;
        case SDL_JOYDEVICEREMOVED:
            if (event.jdevice.which == StickId) {
                Close(true);
                OpenFirst();
            }
            return;
        default:
            break;
    }
    if (Stick == nullptr) return;
    if (Pad != nullptr) {  // a controller's joystick events are left aside
        switch (event.type) {
            case SDL_CONTROLLERAXISMOTION:
                if (event.caxis.which != StickId) return;
                if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) AxisX = event.caxis.value;
                if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) AxisY = event.caxis.value;
                if (event.caxis.axis <= SDL_CONTROLLER_AXIS_LEFTY) SendPosition();
                return;
            case SDL_CONTROLLERBUTTONDOWN:
            case SDL_CONTROLLERBUTTONUP:
                if (event.cbutton.which == StickId)
                    ControllerButton(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN);
                return;
            default:
                return;
        }
    }
    switch (event.type) {
        case SDL_JOYAXISMOTION:
            if (event.jaxis.which != StickId || event.jaxis.axis > 1) return;
            (event.jaxis.axis == 0 ? AxisX : AxisY) = event.jaxis.value;
            SendPosition();
            return;
        case SDL_JOYHATMOTION:
            if (event.jhat.which != StickId || event.jhat.hat != 0) return;
            SetHatFromBits(event.jhat.value);
            SendPosition();
            return;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            if (event.jbutton.which == StickId && event.jbutton.button <= 3)
                SetButton(event.jbutton.button, event.type == SDL_JOYBUTTONDOWN);
            return;
        default:
            return;
    }
}
