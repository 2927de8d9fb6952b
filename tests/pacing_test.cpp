// The game clock, new dice and the caption's refresh, frame by frame.
#include <gtest/gtest.h>

#include <initializer_list>

#include "app/frame_timer.h"
#include "app/window.h"
#include "board_support.h"
#include "game/pacing.h"
#include "support.h"
#include "ui/high_score.h"
#include "ui/status_line.h"

namespace {

struct PacingTest : testing::Test {
    TestWindow shown{"PacingTest", DefWindowProcA};
    void SetUp() override {
        GameWindow = shown.window;
        MessageBoxScript::Reset();
        FillFaceCycleTable();
        NewGame();
        HighScore = 0;
    }
    void TearDown() override { GameWindow = nullptr; }
    // One frame of the given length, as the drawing runs it.
    static void Frame(float seconds) {
        FrameDelta = seconds;
        UpdateClockAndPacing();
    }
};

}  // namespace

TEST_F(PacingTest, QuarterSecondFramesRefreshAndSpawnOnStrictTests) {
    ClearBoard();  // below the cap the whole time
    std::vector<int> refreshes, spawns;
    int dice = DiceCount();
    for (int frame = 1; frame <= 27; ++frame) {
        SetWindowTextA(GameWindow, "");
        Frame(0.25f);
        if (!CaptionOf(GameWindow).empty()) refreshes.push_back(frame);
        if (DiceCount() != dice) spawns.push_back(frame);
        dice = DiceCount();
    }
    EXPECT_EQ(refreshes, (std::vector<int>{5, 9, 13, 17, 21, 25}));
    EXPECT_EQ(spawns, (std::vector<int>{9, 18, 27}));
    EXPECT_FLOAT_EQ(GameBoard.GameClock, 180.0f - 27 * 0.25f);
}

TEST_F(PacingTest, AnIdlePlayerGetsADieEveryFiveSecondsPastTheCap) {
    EXPECT_EQ(DiceCount(), 24);
    Frame(0.0f);  // the first frame records the count
    for (int k = 0; k < 19; ++k) Frame(0.25f);
    EXPECT_EQ(DiceCount(), 24);  // 4.75 s
    Frame(0.25f);
    EXPECT_EQ(DiceCount(), 25);  // 5 s: not less than five
    Frame(0.25f);                // the new count is recorded
    for (int k = 0; k < 19; ++k) Frame(0.25f);
    EXPECT_EQ(DiceCount(), 25);
    Frame(0.25f);
    EXPECT_EQ(DiceCount(), 26);
}

TEST_F(PacingTest, TheClockEndsTheGameAtZeroWithoutMovingTheTimers) {
    for (float last : {0.5f, 0.75f}) {  // exactly to zero, and past it
        SCOPED_TRACE(last);
        NewGame();
        MessageBoxScript::Reset();
        GameBoard.GameClock = 0.5f;
        GameBoard.ScoreTotal = 0;
        SpawnTimer = 1.9f;
        StatusTimer = 0.9f;
        StallTimer = 4.9f;
        LastDiceCount = 24;
        Frame(last);
        EXPECT_EQ(GameBoard.GameClock, 0.0f);
        EXPECT_EQ(GameBoard.GameOver, 1);
        EXPECT_EQ(FrameDelta, 0.0f);
        EXPECT_EQ(SpawnTimer, 1.9f);
        EXPECT_EQ(StatusTimer, 0.9f);
        EXPECT_EQ(StallTimer, 4.9f);
        ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
        EXPECT_EQ(MessageBoxScript::shown[0].text, "Gamve Over!\nScore: 0");
        Frame(10.0f);  // over: nothing runs any more
        EXPECT_EQ(GameBoard.GameClock, 0.0f);
        EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
    }
}

TEST_F(PacingTest, BelowTheCapADieComesOnceTheSpawnTimerPassesTwoSeconds) {
    RemoveDie(&GameBoard.dice.head->die);
    Frame(0.0f);
    Frame(1.0f);
    Frame(1.0f);
    EXPECT_EQ(DiceCount(), 23);  // 2.0 is not enough
    Frame(0.5f);
    EXPECT_EQ(DiceCount(), 24);
    EXPECT_EQ(SpawnTimer, 0.0f);
    Frame(2.5f);  // at the cap the remainder stays
    EXPECT_EQ(DiceCount(), 24);
    EXPECT_FLOAT_EQ(SpawnTimer, 0.5f);
}
