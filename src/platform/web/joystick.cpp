// Input: joystick 1 in the browser, from the Gamepad API, read as the Linux
// layer reads its pads: a pad with the standard mapping gives its d-pad and
// left stick as the position, Start as button 1 and A (the bottom face
// button) as button 2; any other pad its axes 0 and 1 and its first four
// buttons. While a window holds the capture, the position arrives as
// MM_JOY1MOVE (x in the low word, y in the high word, each 0..65535, a
// pressed d-pad at the ends) and the buttons as MM_JOY1BUTTONDOWN and
// MM_JOY1BUTTONUP, carrying the change flag of the button and the state of
// all. The first pad plugged in, when the capture begins or later, is
// joystick 1; when it goes, the position returns to the centre. The pad is
// read whenever the layer reads the page.
// See README.md beside this file for what the layer provides and refuses.
#include <emscripten.h>

#include "platform/web/layer.h"

// The first pad's state: [connected, x, y, hat x, hat y, buttons], the axes
// from -32768 to 32767, the hat -1, 0 or 1 each way, a bit per button.
EM_JS(void, PageReadPad, (int* state), { Page.readPad(state); });

namespace {

struct PadState {
    int connected, x, y, hatX, hatY, buttons;
};

HWND CaptureWindow = nullptr;
PadState Now{};  // as last told to the window

LPARAM Position(const PadState& pad) {
    if (pad.hatX != 0 || pad.hatY != 0)  // the d-pad wins over the stick
        return MAKELPARAM(pad.hatX < 0 ? 0 : pad.hatX > 0 ? 65535 : 32767,
                          pad.hatY < 0 ? 0 : pad.hatY > 0 ? 65535 : 32767);
    return MAKELPARAM(pad.x + 32768, pad.y + 32768);
}

// Tells the capturing window how the pad changed since it was last told.
void Tell(const PadState& pad) {
    for (int index = 0; index < 4; ++index) {
        const int bit = 1 << index;
        if ((Now.buttons & bit) == (pad.buttons & bit)) continue;
        Now.buttons ^= bit;
        DeliverInput(CaptureWindow, (pad.buttons & bit) ? MM_JOY1BUTTONDOWN : MM_JOY1BUTTONUP,
                     static_cast<WPARAM>((bit << 8) | Now.buttons), Position(pad), true);
    }
    const bool moved = Position(pad) != Position(Now) || pad.connected != Now.connected;
    Now = pad;
    if (moved) DeliverInput(CaptureWindow, MM_JOY1MOVE, static_cast<WPARAM>(Now.buttons), Position(Now), true);
}

}  // namespace

// The capture holds with or without a pad: one plugged in later reports to it.
// A pad already plugged in reports where it stands at the next peek, with the
// page's other news, so that the journal has it in its place.
MMRESULT WINAPI joySetCapture(HWND window, UINT joystick, UINT, BOOL) {
    if (joystick != JOYSTICKID1 || !IsLiveWindow(window)) return JOYERR_PARMS;
    if (CaptureWindow != nullptr) return JOYERR_NOCANDO;
    CaptureWindow = window;
    Now = PadState{};
    return JOYERR_NOERROR;
}

MMRESULT WINAPI joyReleaseCapture(UINT joystick) {
    if (joystick != JOYSTICKID1) return JOYERR_PARMS;
    if (CaptureWindow == nullptr) return JOYERR_NOCANDO;
    CaptureWindow = nullptr;
    return JOYERR_NOERROR;
}

void EndJoystickCaptureOf(HWND window) {
    if (window != nullptr && window == CaptureWindow) joyReleaseCapture(JOYSTICKID1);
}

void ReadJoystick() {
    if (CaptureWindow == nullptr) return;
    PadState pad{};
    PageReadPad(&pad.connected);
    if (!pad.connected) pad = PadState{};  // gone: buttons up, back to the centre
    Tell(pad);
}
