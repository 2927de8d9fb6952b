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

struct CapturedJoystick : testing::Test {
    TestWindow owner{"JoystickTest", DefWindowProcA};
    HWND window = owner.window;
    SDL_Joystick* stick = nullptr;
    void SetUp() override {
        SDL_InitSubSystem(SDL_INIT_JOYSTICK);
        int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        ASSERT_GE(device, 0) << SDL_GetError();
        stick = SDL_JoystickOpen(device);
        ASSERT_EQ(joySetCapture(window, JOYSTICKID1, 0, FALSE), static_cast<MMRESULT>(JOYERR_NOERROR));
    }
    void TearDown() override {
        joyReleaseCapture(JOYSTICKID1);
        SDL_JoystickClose(stick);
        SDL_JoystickDetachVirtual(0);
    }
    std::vector<MSG> Messages() {
        SDL_JoystickUpdate();
        std::vector<MSG> messages;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) messages.push_back(msg);
        return messages;
    }
};

}  // namespace

TEST_F(CapturedJoystick, AxesArriveAsPositionsFromZeroTo65535) {
    SDL_JoystickSetVirtualAxis(stick, 0, 32767);
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    std::vector<MSG> messages = Messages();
    ASSERT_FALSE(messages.empty());
    const MSG& last = messages.back();
    EXPECT_EQ(last.message, static_cast<UINT>(MM_JOY1MOVE));
    EXPECT_EQ(last.hwnd, window);
    EXPECT_EQ(LOWORD(last.lParam), 65535);
    EXPECT_EQ(HIWORD(last.lParam), 0);
}

TEST_F(CapturedJoystick, ButtonsCarryTheirChangeFlags) {
    SDL_JoystickSetVirtualButton(stick, 1, SDL_PRESSED);
    std::vector<MSG> messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(MM_JOY1BUTTONDOWN));
    EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(JOY_BUTTON2CHG | JOY_BUTTON2));
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, 1, SDL_RELEASED);
    messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(MM_JOY1BUTTONDOWN));
    EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(JOY_BUTTON1CHG | JOY_BUTTON1 | JOY_BUTTON2));
    EXPECT_EQ(messages[1].message, static_cast<UINT>(MM_JOY1BUTTONUP));
    EXPECT_EQ(messages[1].wParam, static_cast<WPARAM>(JOY_BUTTON2CHG | JOY_BUTTON1));
}

TEST_F(CapturedJoystick, ReleasedCaptureSendsNothing) {
    joyReleaseCapture(JOYSTICKID1);
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    EXPECT_TRUE(Messages().empty());
}
