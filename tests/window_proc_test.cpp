// The window procedure, fed plain messages.
#include <gtest/gtest.h>

#include <cstring>

#include "app/window.h"
#include "support.h"

namespace {

struct WindowProcTest : testing::Test {
    void SetUp() override {
        std::memset(KeyStates, 0, sizeof KeyStates);
        WindowActive = true;
        JoystickDirection = -1;
        MSG stale;
        while (PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return GameWindowProc(nullptr, message, wParam, lParam);
    }
    bool QuitWaiting(int* code) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) || msg.message != WM_QUIT) return false;
        *code = static_cast<int>(msg.wParam);
        return true;
    }
};

int DirectionAt(unsigned x, unsigned y) {
    JoystickDirection = 99;
    JoystickToDirection(static_cast<DWORD>(MAKELONG(x, y)));
    return JoystickDirection;
}

}  // namespace

TEST_F(WindowProcTest, KeysSetAndClearTheirEntries) {
    EXPECT_EQ(Send(WM_KEYDOWN, 'N'), 0);
    EXPECT_EQ(KeyStates['N'], 1);
    Send(WM_KEYDOWN, 'N', 0x40000001);  // auto-repeat sets it again
    EXPECT_EQ(KeyStates['N'], 1);
    EXPECT_EQ(Send(WM_KEYUP, 'N'), 0);
    EXPECT_EQ(KeyStates['N'], 0);
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(KeyStates[VK_ESCAPE], 1);
    // A key code past the table is ignored instead of written out of bounds.
    Send(WM_KEYDOWN, 256 + 'N');
    EXPECT_EQ(KeyStates['N'], 0);
}

TEST_F(WindowProcTest, ActivationTracksOnlyMinimising) {
    Send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1));
    EXPECT_FALSE(WindowActive);
    Send(WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0));
    EXPECT_TRUE(WindowActive);
    Send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0));  // another window took the focus
    EXPECT_TRUE(WindowActive);
}

TEST_F(WindowProcTest, CreationSetsActiveEvenWithoutAJoystick) {
    WindowActive = false;
    EXPECT_EQ(Send(WM_CREATE, 0), 0);
    EXPECT_TRUE(WindowActive);
    EXPECT_EQ(JoystickDirection, -1);
}

TEST_F(WindowProcTest, CloseAsksToQuitWithCodeZero) {
    EXPECT_EQ(Send(WM_CLOSE, 0), 0);
    int code = -1;
    ASSERT_TRUE(QuitWaiting(&code));
    EXPECT_EQ(code, 0);
}

TEST_F(WindowProcTest, ScreenSaverAndMonitorPowerAreSwallowedOtherCommandsAreNot) {
    int code = -1;
    EXPECT_EQ(Send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(Send(WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_FALSE(QuitWaiting(&code));
    // Close from the system menu goes to the default procedure, which sends
    // the close message back to the game: a real window is needed for that.
    TestWindow menu("SystemMenuTest", GameWindowProc);
    ASSERT_NE(menu.window, nullptr);
    GameWindowProc(menu.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(QuitWaiting(&code));
}

TEST_F(WindowProcTest, JoystickTrianglesAndDeadBands) {
    EXPECT_EQ(DirectionAt(32767, 0), 0);      // up
    EXPECT_EQ(DirectionAt(65535, 32767), 2);  // right
    EXPECT_EQ(DirectionAt(0, 32767), 3);      // left
    EXPECT_EQ(DirectionAt(32767, 65535), 1);  // down
    EXPECT_EQ(DirectionAt(32767, 32767), -1);  // centre
    EXPECT_EQ(DirectionAt(0, 0), -1);          // on the diagonals
    EXPECT_EQ(DirectionAt(65535, 65535), -1);
    EXPECT_EQ(DirectionAt(65535, 0), -1);
    EXPECT_EQ(DirectionAt(0, 65535), -1);
    // Steps of 2048: three steps off a diagonal is still dead, four is not.
    EXPECT_EQ(DirectionAt(19 << 11, 16 << 11), -1);
    EXPECT_EQ(DirectionAt(20 << 11, 16 << 11), 2);
    EXPECT_EQ(DirectionAt(12 << 11, 16 << 11), 3);
    EXPECT_EQ(DirectionAt(13 << 11, 16 << 11), -1);
    EXPECT_EQ(DirectionAt(16 << 11, 12 << 11), 0);
    EXPECT_EQ(DirectionAt(16 << 11, 20 << 11), 1);
}

TEST_F(WindowProcTest, JoystickMessagesDriveDirectionAndButtons) {
    Send(MM_JOY1MOVE, 0, MAKELPARAM(65535, 32767));
    EXPECT_EQ(JoystickDirection, 2);
    Send(MM_JOY1MOVE, 0, MAKELPARAM(32767, 32767));
    EXPECT_EQ(JoystickDirection, -1);

    Send(MM_JOY1BUTTONDOWN, JOY_BUTTON1CHG | JOY_BUTTON1);
    EXPECT_EQ(KeyStates['N'], 1);
    EXPECT_EQ(KeyStates['V'], 0);
    Send(MM_JOY1BUTTONUP, JOY_BUTTON1CHG);
    EXPECT_EQ(KeyStates['N'], 0);
    Send(MM_JOY1BUTTONDOWN, JOY_BUTTON1CHG | JOY_BUTTON2CHG | JOY_BUTTON1 | JOY_BUTTON2);
    EXPECT_EQ(KeyStates['N'], 1);
    EXPECT_EQ(KeyStates['V'], 1);
    // A button that did not change leaves its entry alone.
    Send(MM_JOY1BUTTONUP, JOY_BUTTON2CHG | JOY_BUTTON1);
    EXPECT_EQ(KeyStates['N'], 1);
    EXPECT_EQ(KeyStates['V'], 0);
    Send(MM_JOY1BUTTONUP, JOY_BUTTON1CHG);
    EXPECT_EQ(KeyStates['N'], 0);
}
