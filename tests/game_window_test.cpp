// The real window, context and loop, on SDL's offscreen video driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "app/frame_timer.h"
#include "app/main.h"
#include "app/window.h"
#include "render/orientation.h"
#include "text/number_text.h"
#include "picture_support.h"
#include "support.h"

namespace {

struct GameWindowTest : testing::Test {
    ScratchFolder folder;  // with the art the window needs
    void SetUp() override {
        WriteTestAtlas("Data/DiceTexture.bmp");
        MessageBoxScript::Reset();
        ClearCallFailures();
        std::memset(KeyStates, 0, sizeof KeyStates);
        WindowActive = true;
        LastFrameTime = -1.0f;
    }
    void TearDown() override {
        if (GameWindow != nullptr) DestroyGameWindow();
        ClearCallFailures();
    }
    static bool Create() { return CreateGameWindow("Kubrask test", 800, 600, 16); }
};


}  // namespace

TEST_F(GameWindowTest, OpensAnOpenGlWindowWithTheGamesPerspective) {
    ASSERT_TRUE(Create());
    EXPECT_TRUE(MessageBoxScript::shown.empty());
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask test");
    RECT client;
    ASSERT_TRUE(GetClientRect(GameWindow, &client));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
    EXPECT_EQ(GetFocus(), GameWindow);

    // Offscreen surfaces have no back buffer, so double buffering is not
    // asked of them here.
    GLint viewport[4], mode, depthBits;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    // A 20-degree vertical field of view at 4:3, near 0.1 and far 100.
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const double f = 1.0 / std::tan(10.0 * M_PI / 180.0);
    EXPECT_NEAR(projection[0], f * 600 / 800, 1e-4);
    EXPECT_NEAR(projection[5], f, 1e-4);
    EXPECT_NEAR(projection[10], -100.1 / 99.9, 1e-5);
    EXPECT_NEAR(projection[11], -1.0, 1e-6);
    EXPECT_NEAR(projection[14], -20.0 / 99.9, 1e-5);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GameWindowTest, ResizingToNothingKeepsTheViewportOnePixelHigh) {
    ASSERT_TRUE(Create());
    SendMessageA(GameWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 0));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 1);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (float value : projection) EXPECT_TRUE(std::isfinite(value));
}

TEST_F(GameWindowTest, EachFailedCreationStepSaysWhyAndLetsEverythingGo) {
    const struct {
        const char* call;
        const char* message;
    } steps[] = {
        {"RegisterClassA", "Failed To Register The Window Class."},
        {"CreateWindowExA", "Window Creation Error."},
        {"GetDC", "Can't Create A GL Device Context."},
        {"ChoosePixelFormat", "Can't Find A Suitable PixelFormat."},
        {"SetPixelFormat", "Can't Set The PixelFormat."},
        {"wglCreateContext", "Can't Create A GL Rendering Context."},
        {"wglMakeCurrent", "Can't Activate The GL Rendering Context."},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.call);
        MessageBoxScript::Reset();
        FailNextCall(step.call);
        EXPECT_FALSE(Create());
        ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
        const ShownBox& box = MessageBoxScript::shown[0];
        EXPECT_EQ(box.text, step.message);
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(LiveWindowCount(), 0);
        EXPECT_FALSE(IsClassRegistered("OpenGL"));
        EXPECT_EQ(GameWindow, nullptr);
        EXPECT_EQ(GameDeviceContext, nullptr);
        EXPECT_EQ(GameRenderingContext, nullptr);
    }
    // Nothing was left behind that would stop a later attempt.
    MessageBoxScript::Reset();
    EXPECT_TRUE(Create());
    EXPECT_TRUE(MessageBoxScript::shown.empty());
}

TEST_F(GameWindowTest, WithoutItsTextureTheWindowIsNotMade) {
    std::filesystem::remove_all("Data");
    EXPECT_FALSE(Create());
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);  // a missing file itself is not reported
    EXPECT_EQ(MessageBoxScript::shown[0].text, "Initialization Failed.");
    EXPECT_EQ(MessageBoxScript::shown[0].caption, "ERROR");
    EXPECT_EQ(LiveWindowCount(), 0);
    EXPECT_FALSE(IsClassRegistered("OpenGL"));

    // The whole program ends at once, without running a frame.
    MessageBoxScript::Reset();
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT), 0);
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(LastFrameTime, -1.0f);
}

TEST_F(GameWindowTest, TeardownReportsEachFailedReleaseAndGoesOn) {
    const struct {
        const char* call;
        std::vector<std::string> messages;
    } cases[] = {
        {"wglMakeCurrent", {"Release Of DC And RC Failed."}},
        {"wglDeleteContext", {"Release Rendering Context Failed."}},
        {"ReleaseDC", {"Release Device Context Failed."}},
        // The window stays, so its class cannot go either.
        {"DestroyWindow", {"Could Not Release hWnd.", "Could Not Unregister Class."}},
        {"UnregisterClassA", {"Could Not Unregister Class."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        ASSERT_TRUE(Create());
        HWND window = GameWindow;
        HGLRC context = GameRenderingContext;
        MessageBoxScript::Reset();
        FailNextCall(c.call);
        DestroyGameWindow();
        std::vector<std::string> shown;
        for (const ShownBox& box : MessageBoxScript::shown) {
            shown.push_back(box.text);
            EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
            EXPECT_EQ(box.owner, nullptr);
        }
        EXPECT_EQ(shown, c.messages);
        EXPECT_EQ(GameRenderingContext, nullptr);
        // Clean up what the failure kept.
        if (std::string(c.call) == "wglDeleteContext") wglDeleteContext(context);
        DestroyWindow(window);
        UnregisterClassA("OpenGL", nullptr);
        EXPECT_EQ(LiveWindowCount(), 0);
    }
}

TEST_F(GameWindowTest, EscapeEndsTheLoopOnTheFirstEmptyQueuePassWithoutPresenting) {
    ASSERT_TRUE(Create());
    PushKey(SDLK_ESCAPE, true);
    int presented = PresentedFrameCount();
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(PresentedFrameCount(), presented);
    EXPECT_NE(LastFrameTime, -1.0f);  // the frame itself was drawn
}

TEST_F(GameWindowTest, QuitMessageEndsTheLoopWithItsCode) {
    ASSERT_TRUE(Create());
    PostQuitMessage(7);
    EXPECT_EQ(RunMainLoop(), 7);
}

TEST_F(GameWindowTest, CloseBoxEndsTheLoopWithZero) {
    ASSERT_TRUE(Create());
    PushWindowEvent(GameWindow, SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(LiveWindowCount(), 1);  // the window stays until teardown
}

TEST_F(GameWindowTest, MessagesComeBeforeFramesAndKeysArriveAsVirtualKeys) {
    ASSERT_TRUE(Create());
    PushKey(SDLK_a, true);
    PushKey(SDLK_LEFT, true);
    PushKey(SDLK_LEFT, true, true);
    PushKey(SDLK_a, false);
    PushKey(SDLK_ESCAPE, true);
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(KeyStates['A'], 0);
    EXPECT_EQ(KeyStates[VK_LEFT], 1);
    EXPECT_EQ(KeyStates[VK_ESCAPE], 1);
}

TEST_F(GameWindowTest, MinimisedWindowDrawsNothingButStillPresents) {
    DrivenClock time;
    ASSERT_TRUE(Create());
    PushWindowEvent(GameWindow, SDL_WINDOWEVENT_MINIMIZED);
    PushKey(SDLK_ESCAPE, true);
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_FALSE(WindowActive);
    EXPECT_EQ(LastFrameTime, -1.0f);  // no frame was timed

    // Restored, the first frame spans the whole time since the last one.
    KeyStates[VK_ESCAPE] = 0;
    PushWindowEvent(GameWindow, SDL_WINDOWEVENT_RESTORED);
    PostQuitMessage(0);
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_TRUE(WindowActive);
}

TEST_F(GameWindowTest, TheWholeProgramRunsAndEndsOnEscape) {
    FractionDigits = -1;
    FaceCycleTable[0] = nullptr;
    StartVideo();
    PushKey(SDLK_ESCAPE, true);
    int presented = PresentedFrameCount();
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT), 0);
    EXPECT_TRUE(MessageBoxScript::shown.empty());
    EXPECT_EQ(PresentedFrameCount(), presented);
    EXPECT_EQ(LiveWindowCount(), 0);
    EXPECT_FALSE(IsClassRegistered("OpenGL"));
    EXPECT_EQ(GameRenderingContext, nullptr);
    // Start-up prepared turning dice and writing numbers.
    EXPECT_NE(FaceCycleTable[0], nullptr);
    EXPECT_EQ(FractionDigits, 6);
}

TEST_F(GameWindowTest, FramesArePresentedWhileTheQueueIsEmpty) {
    ASSERT_TRUE(Create());
    int presented = PresentedFrameCount();
    // Escape arrives only after the loop has run for a while.
    SDL_AddTimer(50, [](Uint32, void*) -> Uint32 {
        PushKey(SDLK_ESCAPE, true);
        return 0;
    }, nullptr);
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_GT(PresentedFrameCount(), presented);
}
