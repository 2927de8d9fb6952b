// The controls, through the real window procedure and main loop: key
// messages are posted, and each run of the loop makes exactly one pass
// (Escape is held in it), after which the controls have acted once.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>

#include "app/frame_timer.h"
#include "app/main.h"
#include "app/window.h"
#include "board_support.h"
#include "game/cheat_flags.h"
#include "picture_support.h"
#include "render/scene_frame.h"
#include "support.h"
#include "text/number_text.h"
#include "ui/status_line.h"

namespace {

struct Key {
    WPARAM code;
    bool down;
};

struct ControlsTest : testing::Test {
    ScratchFolder folder;
    DrivenClock time;
    void SetUp() override {
        WriteTestAtlas("Data/DiceTexture.bmp");
        std::filesystem::copy_file(KUBRASK_SOURCE_DIR "/Data/DiceMove.wav", "Data/DiceMove.wav");
        MessageBoxScript::Reset();
        ResetLoopState();
        FractionDigits = 6;
        CameraView = 2;
        JoystickDirection = -1;
        std::memset(KeyStates, 0, sizeof KeyStates);
        ASSERT_TRUE(CreateGameWindow("Kubrask test", 160, 120, 16));
        ClearBoard();
        Pass({});  // the first timed frame
    }
    void TearDown() override {
        DestroyGameWindow();
        CheatFlags = CheatFlagSet{};
    }
    // Posts the keys, then runs the loop for one pass, 20 ms after the last.
    void Pass(std::initializer_list<Key> keys) {
        for (const Key& key : keys) PostMessageA(GameWindow, key.down ? WM_KEYDOWN : WM_KEYUP, key.code, 0);
        EXPECT_EQ(RunOnePass(time, 20), 0);
    }
    void Press(WPARAM code) {
        Pass({{code, true}});
        Pass({{code, false}});
    }
};

}  // namespace

TEST_F(ControlsTest, NewGameOncePerKeyDownMessage) {
    GameBoard.ScoreTotal = 5;
    KeyStates[VK_LEFT] = 1;  // held across the new game
    Pass({{'N', true}});
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
    EXPECT_EQ(DiceCount(), 24);
    EXPECT_EQ(KeyStates[VK_LEFT], 0);  // every key must be pressed anew
    GameBoard.ScoreTotal = 5;
    Pass({});  // N is still held, but its entry was cleared
    EXPECT_EQ(GameBoard.ScoreTotal, 5);
    Pass({{'N', true}});  // auto-repeat: another new game
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
}

TEST_F(ControlsTest, CameraOncePerPress) {
    Pass({{'V', true}});
    EXPECT_EQ(CameraView, 0);
    Pass({{'V', true}});  // auto-repeat while held: no more
    EXPECT_EQ(CameraView, 0);
    Pass({{'V', false}});
    Press('V');
    Press('V');
    EXPECT_EQ(CameraView, 2);  // three presses: back where it started
}

TEST_F(ControlsTest, AboutBoxOncePerPress) {
    Pass({{'A', true}});
    Pass({{'A', true}});
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    const ShownBox& about = MessageBoxScript::shown[0];
    EXPECT_EQ(about.caption, "Kubrask");
    EXPECT_EQ(about.owner, GameWindow);
    EXPECT_EQ(about.text.rfind("Kubrask\n\n", 0), 0u);
    EXPECT_NE(about.text.find("developers\n\n"), std::string::npos);
    EXPECT_NE(about.text.find(".example.com/\n"), std::string::npos);
    EXPECT_NE(about.text.find("@example.org"), std::string::npos);
}

TEST_F(ControlsTest, PauseTogglesOncePerPressAndPauseKeyHoldsUntilPIsReleased) {
    Press('P');
    EXPECT_TRUE(CheatFlags.Paused);
    Press('P');
    EXPECT_FALSE(CheatFlags.Paused);
    Press(VK_PAUSE);
    EXPECT_TRUE(CheatFlags.Paused);
    EXPECT_EQ(KeyStates['P'], 1);  // written back: it stays down
    Press(VK_PAUSE);
    EXPECT_TRUE(CheatFlags.Paused);  // no second toggle until P is let go
    Pass({{'P', false}});
    Press(VK_PAUSE);
    EXPECT_FALSE(CheatFlags.Paused);
}

TEST_F(ControlsTest, FrameRateAndTestMessageOncePerKeyDownMessage) {
    Pass({{'F', true}});
    EXPECT_NE(CaptionOf(GameWindow).find(" - FPS:"), std::string::npos);
    SetWindowTextA(GameWindow, "");
    Pass({{'F', true}});  // each key-down message shows it again
    EXPECT_NE(CaptionOf(GameWindow).find(" - FPS:"), std::string::npos);
    Pass({{'D', true}});
    Pass({});
    Pass({{'D', true}});
    ASSERT_EQ(MessageBoxScript::shown.size(), 2u);
    EXPECT_EQ(MessageBoxScript::shown[1].text, "A Test");
}

TEST_F(ControlsTest, SwitchesWhileHeldAndForGood) {
    Pass({{'T', true}});
    EXPECT_EQ(TimeScale, 0.2f);
    EXPECT_TRUE(IsCheated());
    Pass({{'T', false}});
    EXPECT_EQ(TimeScale, 1.0f);
    EXPECT_TRUE(IsCheated());  // slow motion, once used, spoils the run
    CheatFlags.SlowMotionUsed = false;

    Pass({{'C', true}});
    EXPECT_TRUE(CheatFlags.FreeStep);
    EXPECT_TRUE(IsCheated());
    Pass({{'C', false}});
    EXPECT_FALSE(IsCheated());  // only while held

    Press('2');
    EXPECT_TRUE(CheatFlags.NoTwos);
    Press('N');
    EXPECT_TRUE(CheatFlags.NoTwos);  // across new games
    CheatFlags.NoTwos = false;

    Pass({{'L', true}});
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    Pass({{'L', false}});
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    Press('P');
    EXPECT_FALSE(IsCheated());  // pausing is no cheat
}

TEST_F(ControlsTest, DirectionsByPriorityWithTheMoveSound) {
    Pass({{VK_UP, true}, {VK_DOWN, true}});
    EXPECT_EQ(GameBoard.walker.row, 4);  // Down beats Up
    EXPECT_STREQ(SoundNowPlaying(), "Data/DiceMove.wav");
    Pass({{VK_UP, false}, {VK_DOWN, false}});
    for (int k = 0; k < 10; ++k) Pass({});  // the step ends
    JoystickDirection = 0;
    Pass({{VK_LEFT, true}});
    EXPECT_EQ(GameBoard.walker.column, 2);  // Left beats the joystick
    EXPECT_EQ(GameBoard.walker.row, 4);
    Pass({{VK_LEFT, false}});
    for (int k = 0; k < 10; ++k) Pass({});
    EXPECT_EQ(GameBoard.walker.row, 3);  // the joystick alone walks up
}

TEST_F(ControlsTest, PausedGameStartsOneMoveThatThenWaits) {
    Press('P');
    Pass({{VK_RIGHT, true}});
    EXPECT_EQ(GameBoard.walker.column, 4);
    for (int k = 0; k < 20; ++k) Pass({});
    EXPECT_TRUE(GameBoard.walker.flags & WALKER_STEPPING);  // no time passes
    EXPECT_EQ(GameBoard.walker.column, 4);
    Pass({{VK_RIGHT, false}});
    Press('P');
    for (int k = 0; k < 10; ++k) Pass({});
    EXPECT_FALSE(GameBoard.walker.flags & WALKER_STEPPING);
}

TEST_F(ControlsTest, AfterTheGameOnlyNewGameCameraAndAboutWork) {
    GameBoard.GameOver = 1;
    for (WPARAM key : {WPARAM('P'), WPARAM('F'), WPARAM('D'), WPARAM('T'), WPARAM('C'), WPARAM('2'),
                       WPARAM('L'), WPARAM(VK_RIGHT)})
        Pass({{key, true}});
    EXPECT_FALSE(CheatFlags.Paused);
    EXPECT_FALSE(IsCheated());
    EXPECT_EQ(TimeScale, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(GameBoard.walker.column, 3);
    EXPECT_TRUE(MessageBoxScript::shown.empty());
    EXPECT_EQ(CaptionOf(GameWindow).find("FPS"), std::string::npos);
    Pass({{'V', true}});
    EXPECT_EQ(CameraView, 0);
    Pass({{'A', true}});
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
    Pass({{'N', true}});
    EXPECT_EQ(GameBoard.GameOver, 0);
}
