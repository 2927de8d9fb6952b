#include <gtest/gtest.h>

#include "app/frame_timer.h"
#include "game/cheat_flags.h"
#include "support.h"

namespace {

// A timer started on the driven clock, with no frame timed yet.
struct FrameTimerTest : testing::Test {
    DrivenClock time;
    void SetUp() override {
        GameTimer = FrameTimer();
        LastFrameTime = -1.0f;
        FrameDelta = 0.0f;
        TimeScale = 1.0f;
        CheatFlags = CheatFlagSet{};
        MessageBoxScript::Reset();
    }
    void TearDown() override { CheatFlags = CheatFlagSet{}; }
};

DrivenClock* ClockDuringBox = nullptr;

}  // namespace

TEST_F(FrameTimerTest, UsesThePerformanceCounterWhenThereIsOne) {
    EXPECT_TRUE(GameTimer.counterMode);
    EXPECT_EQ(GameTimer.frequency, 1000000);
    EXPECT_EQ(GameTimer.resolution, 1e-6f);
    time.AdvanceMs(1500);
    EXPECT_NEAR(static_cast<double>(TimerElapsedMs()), 1500.0, 1e-3);
}

TEST_F(FrameTimerTest, FallsBackToTheMillisecondClockAcrossItsWrap) {
    time.clock.hasPerformanceCounter = false;
    time.clock.milliseconds = 0xFFFFFF00u;  // 256 ms before the clock wraps
    GameTimer = FrameTimer();
    EXPECT_FALSE(GameTimer.counterMode);
    EXPECT_EQ(GameTimer.frequency, 1000);
    EXPECT_EQ(GameTimer.resolution, 0.001f);
    time.clock.milliseconds = 0x100;  // wrapped
    EXPECT_NEAR(static_cast<double>(TimerElapsedMs()), 512.0, 1e-3);
}

TEST_F(FrameTimerTest, FirstFrameHasNoDeltaThenDeltasFollowTheClock) {
    time.AdvanceMs(700);
    UpdateFrameDelta();
    EXPECT_EQ(FrameDelta, 0.0f);
    EXPECT_EQ(LastFrameTime, 700.0f);
    time.AdvanceMs(20);
    UpdateFrameDelta();
    EXPECT_NEAR(FrameDelta, 0.02, 1e-6);
    EXPECT_EQ(LastFrameTime, 720.0f);
}

TEST_F(FrameTimerTest, SlowMotionScalesTheDelta) {
    UpdateFrameDelta();
    TimeScale = 0.2f;
    time.AdvanceMs(50);
    UpdateFrameDelta();
    EXPECT_NEAR(FrameDelta, 0.01, 1e-6);
}

TEST_F(FrameTimerTest, PauseStopsGameTimeWithoutPilingItUp) {
    UpdateFrameDelta();
    CheatFlags.Paused = true;
    for (int frame = 0; frame < 3; ++frame) {
        time.AdvanceMs(1000);
        UpdateFrameDelta();
        EXPECT_EQ(FrameDelta, 0.0f);
    }
    CheatFlags.Paused = false;
    time.AdvanceMs(16);
    UpdateFrameDelta();
    EXPECT_NEAR(FrameDelta, 0.016, 1e-6);  // only its own frame
}

TEST_F(FrameTimerTest, ModalMessageTimeIsNotGameTime) {
    UpdateFrameDelta();
    time.AdvanceMs(10);
    ClockDuringBox = &time;
    MessageBoxScript::whileOpen = [] { ClockDuringBox->AdvanceMs(60000); };
    ShowModalMessage("A Test");
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].text, "A Test");
    EXPECT_EQ(MessageBoxScript::shown[0].caption, "Kubrask");
    EXPECT_EQ(MessageBoxScript::shown[0].type, static_cast<UINT>(MB_OK));
    time.AdvanceMs(25);
    UpdateFrameDelta();
    EXPECT_NEAR(FrameDelta, 0.025, 1e-6);
}

TEST_F(FrameTimerTest, LongRunsRoundTheLastFrameTimeToAFloat) {
    // A counter of 2^20 ticks a second, whose tick a float holds exactly.
    time.clock.frequency = 1 << 20;
    GameTimer = FrameTimer();
    auto at = [this](int64_t ms) { time.clock.counter = ms * (1 << 20) / 1000; };
    // Past 2^24 ms (about 4.7 hours) a float holds only even milliseconds,
    // and the next delta is measured against the rounded value.
    at(16777375);
    UpdateFrameDelta();
    EXPECT_EQ(LastFrameTime, 16777376.0f);
    at(16777500);
    UpdateFrameDelta();
    EXPECT_FLOAT_EQ(FrameDelta, 0.124f);
}

TEST_F(FrameTimerTest, ADayOfFastFramesNeverRunsTimeBackwards) {
    // At 24 hours a float holds only every 8th millisecond, so the stored
    // time of the last frame may lie ahead of the next: its delta is 0.
    const int64_t day = 24LL * 60 * 60 * 1000;
    time.clock.counter = day * time.clock.frequency / 1000;
    UpdateFrameDelta();
    double total = 0;
    for (int frame = 0; frame < 64; ++frame) {
        time.AdvanceMs(1);
        UpdateFrameDelta();
        EXPECT_GE(FrameDelta, 0.0f) << "frame " << frame;
        total += FrameDelta;
    }
    EXPECT_GE(total, 0.064 - 0.008);  // what passed, less the first frame's rounding
}
