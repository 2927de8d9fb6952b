// The Linux platform layer's own duties: text crossing into SDL, key codes,
// joystick messages.
#include <gtest/gtest.h>

#include "platform/sdl/layer.h"
#include "support.h"

TEST(CodePage, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(CodePage, ConvertsTheCharactersThatDifferFromLatin1) {
    EXPECT_EQ(Cp1252ToUtf8("Score: 10 \x80"), "Score: 10 \xE2\x82\xAC");  // euro sign
    EXPECT_EQ(Cp1252ToUtf8("J\xF6rg \x96 \x93ok\x94"), "J\xC3\xB6rg \xE2\x80\x93 \xE2\x80\x9Cok\xE2\x80\x9D");
    EXPECT_EQ(Utf8ToCp1252("\xC5\xA0\xC3\xA9\xE2\x84\xA2"), "\x8A\xE9\x99");  // S caron, e acute, TM
}

TEST(CodePage, LeavesOutWhatWindows1252CannotHold) {
    EXPECT_EQ(Utf8ToCp1252("a\xE6\x97\xA5" "b\xF0\x9F\x8E\xB2" "c"), "abc");  // a CJK ideograph, a die emoji
    EXPECT_EQ(Utf8ToCp1252("x\xC2\x80y"), "xy");                           // U+0080 has no byte
    EXPECT_EQ(Utf8ToCp1252("bad \xC3 \xFF end"), "bad   end");             // broken UTF-8 is skipped
}

TEST(Keys, MapToWindowsVirtualKeys) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_n), 'N');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_2), '2');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PAUSE), VK_PAUSE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RETURN), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_TAB), VK_TAB);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_BACKSPACE), VK_BACK);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), VK_UP);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT), VK_RIGHT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN), VK_DOWN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), VK_F1 + 11);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_5), VK_NUMPAD0 + 5);
}

namespace {

// Joystick 1 captured by a window, with pads plugged in and out as SDL's
// virtual joysticks: a game controller SDL knows, or a plain pad with a hat.
struct CapturedJoystick : testing::Test {
    TestWindow owner{"JoystickTest", DefWindowProcA};
    HWND window = owner.window;
    void SetUp() override {
        ASSERT_NE(window, nullptr);
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    void TearDown() override {
        joyReleaseCapture(JOYSTICKID1);
        while (SDL_NumJoysticks() > 0) SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    // Plugs in a pad; returns its joystick, to move it by.
    SDL_Joystick* Plug(bool controller) {
        int device = controller ? SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER,
                                                           SDL_CONTROLLER_AXIS_MAX,
                                                           SDL_CONTROLLER_BUTTON_MAX, 0)
                                : SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 1);
        EXPECT_GE(device, 0) << SDL_GetError();
        EXPECT_EQ(SDL_IsGameController(device) == SDL_TRUE, controller);
        return SDL_JoystickOpen(device);  // a second reference, for the test's hand
    }
    void Unplug(SDL_Joystick* stick) {
        SDL_JoystickID id = SDL_JoystickInstanceID(stick);
        SDL_JoystickClose(stick);
        for (int device = 0; device < SDL_NumJoysticks(); ++device)
            if (SDL_JoystickGetDeviceInstanceID(device) == id) SDL_JoystickDetachVirtual(device);
    }
    void Capture() {
        ASSERT_EQ(joySetCapture(window, JOYSTICKID1, 0, FALSE), static_cast<MMRESULT>(JOYERR_NOERROR));
    }
    std::vector<MSG> Messages() {
        SDL_JoystickUpdate();
        SDL_GameControllerUpdate();
        std::vector<MSG> messages;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) messages.push_back(msg);
        return messages;
    }
    // The last position reported, as (x, y); (-1, -1) when none was.
    std::pair<int, int> LastPosition() {
        std::pair<int, int> position{-1, -1};
        for (const MSG& msg : Messages()) {
            EXPECT_EQ(msg.hwnd, window);
            if (msg.message == MM_JOY1MOVE) position = {LOWORD(msg.lParam), HIWORD(msg.lParam)};
        }
        return position;
    }
    // The button messages, as (message, wParam).
    std::vector<std::pair<UINT, WPARAM>> ButtonMessages() {
        std::vector<std::pair<UINT, WPARAM>> buttons;
        for (const MSG& msg : Messages())
            if (msg.message != MM_JOY1MOVE) buttons.push_back({msg.message, msg.wParam});
        return buttons;
    }
};

using Position = std::pair<int, int>;
using Buttons = std::vector<std::pair<UINT, WPARAM>>;

}  // namespace

TEST_F(CapturedJoystick, AControllersDpadAndStickMoveAndStartAndAAreButtonsOneAndTwo) {
    SDL_Joystick* pad = Plug(true);
    Capture();
    const struct {
        int button;
        Position position;
    } dpad[] = {{SDL_CONTROLLER_BUTTON_DPAD_UP, {32767, 0}},
                {SDL_CONTROLLER_BUTTON_DPAD_DOWN, {32767, 65535}},
                {SDL_CONTROLLER_BUTTON_DPAD_LEFT, {0, 32767}},
                {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, {65535, 32767}}};
    for (const auto& press : dpad) {
        SDL_JoystickSetVirtualButton(pad, press.button, SDL_PRESSED);
        EXPECT_EQ(LastPosition(), press.position);
        SDL_JoystickSetVirtualButton(pad, press.button, SDL_RELEASED);
        EXPECT_EQ(LastPosition(), Position(32768, 32768));
    }
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    EXPECT_EQ(LastPosition(), Position(0, 65535));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 32767);  // the right stick: nothing
    EXPECT_EQ(LastPosition(), Position(-1, -1));

    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
    EXPECT_EQ(ButtonMessages(), (Buttons{{MM_JOY1BUTTONDOWN, JOY_BUTTON1CHG | JOY_BUTTON1}}));
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_RELEASED);
    EXPECT_EQ(ButtonMessages(), (Buttons{{MM_JOY1BUTTONDOWN, JOY_BUTTON2CHG | JOY_BUTTON1 | JOY_BUTTON2},
                                         {MM_JOY1BUTTONUP, JOY_BUTTON1CHG | JOY_BUTTON2}}));
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, SDL_PRESSED);  // no meaning
    EXPECT_TRUE(ButtonMessages().empty());
    SDL_JoystickClose(pad);
}

TEST_F(CapturedJoystick, APlainPadsHatAxesAndButtonsCountAsTheyAreNumbered) {
    SDL_Joystick* pad = Plug(false);
    Capture();
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_UP);
    EXPECT_EQ(LastPosition(), Position(32767, 0));
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_LEFT);
    EXPECT_EQ(LastPosition(), Position(0, 32767));
    SDL_JoystickSetVirtualHat(pad, 0, SDL_HAT_CENTERED);
    SDL_JoystickSetVirtualAxis(pad, 0, 32767);
    SDL_JoystickSetVirtualAxis(pad, 1, -32768);
    EXPECT_EQ(LastPosition(), Position(65535, 0));
    SDL_JoystickSetVirtualButton(pad, 1, SDL_PRESSED);
    EXPECT_EQ(ButtonMessages(), (Buttons{{MM_JOY1BUTTONDOWN, JOY_BUTTON2CHG | JOY_BUTTON2}}));
    SDL_JoystickClose(pad);
}

TEST_F(CapturedJoystick, TheFirstPadPluggedInIsJoystickOneUntilItGoes) {
    Capture();  // no pad yet: the capture waits for one
    EXPECT_TRUE(Messages().empty());
    SDL_Joystick* first = Plug(true);
    SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_PRESSED);
    EXPECT_EQ(LastPosition(), Position(65535, 32767));
    SDL_Joystick* second = Plug(false);
    SDL_JoystickSetVirtualHat(second, 0, SDL_HAT_DOWN);
    EXPECT_EQ(LastPosition(), Position(-1, -1));  // the second pad waits its turn

    // Unplugged while pressed: the button comes up, the position returns to
    // the centre, and the other pad takes over from where it stands.
    SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
    ButtonMessages();
    Unplug(first);
    std::vector<MSG> messages = Messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(MM_JOY1BUTTONUP));
    EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(JOY_BUTTON1CHG));
    EXPECT_EQ(messages[1].message, static_cast<UINT>(MM_JOY1MOVE));
    EXPECT_EQ(Position(LOWORD(messages[1].lParam), HIWORD(messages[1].lParam)), Position(32768, 32768));
    EXPECT_EQ(messages.back().message, static_cast<UINT>(MM_JOY1MOVE));
    EXPECT_EQ(Position(LOWORD(messages.back().lParam), HIWORD(messages.back().lParam)),
              Position(32767, 65535));
    SDL_JoystickSetVirtualHat(second, 0, SDL_HAT_UP);
    EXPECT_EQ(LastPosition(), Position(32767, 0));

    // Plugged in again, the first pad waits behind the second.
    SDL_Joystick* again = Plug(true);
    SDL_JoystickSetVirtualButton(again, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_PRESSED);
    EXPECT_EQ(LastPosition(), Position(-1, -1));
    Unplug(second);
    Messages();
    SDL_JoystickSetVirtualButton(again, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_RELEASED);
    SDL_JoystickSetVirtualButton(again, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_PRESSED);
    EXPECT_EQ(LastPosition(), Position(32767, 65535));
    SDL_JoystickClose(again);
}

TEST_F(CapturedJoystick, ReleasedCaptureSendsNothing) {
    SDL_Joystick* pad = Plug(true);
    Capture();
    EXPECT_EQ(LastPosition(), Position(32768, 32768));  // where it stood at the capture
    joyReleaseCapture(JOYSTICKID1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
    EXPECT_TRUE(Messages().empty());
    SDL_JoystickClose(pad);
}

TEST(CodePage, CaptionsShowControlCharactersAndLeaveOutUndefinedBytes) {
    EXPECT_EQ(CaptionToUtf8("a\nb\x01\x7F"), "a\xE2\x90\x8A" "b\xE2\x90\x81\xE2\x90\xA1");  // ␊ ␁ ␡
    EXPECT_EQ(CaptionToUtf8("x\x81\x8D\x8F\x90\x9Dy\x88\x80"), "xy\xCB\x86\xE2\x82\xAC");  // ˆ €
    EXPECT_EQ(CaptionToLatin1("Zo\xEB\n\x81\x80."), "Zo\xEB??.");
}
