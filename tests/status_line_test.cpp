// The caption as status line, the frame rate, the sounds and the file probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frame_timer.h"
#include "app/window.h"
#include "game/board.h"
#include "support.h"
#include "text/number_text.h"
#include "ui/high_score.h"
#include "ui/sounds.h"
#include "ui/status_line.h"

namespace {

struct StatusLineTest : testing::Test {
    TestWindow shown{"StatusLineTest", DefWindowProcA};
    void SetUp() override {
        GameWindow = shown.window;
        FractionDigits = 6;
        GameBoard.GameClock = 180.0f;
        GameBoard.ScoreTotal = 0;
        HighScore = 0;
        HighScoreName.Adopt(DuplicateString(""));
        StatusSuffix.Adopt(DuplicateString(""));
    }
    void TearDown() override { GameWindow = nullptr; }
};

}  // namespace

TEST_F(StatusLineTest, TimeLeftInMinutesAndSeconds) {
    const struct {
        float clock;
        const char* piece;
    } cases[] = {{180.0f, "3:00"}, {125.7f, "2:05"}, {60.0f, "1:00"}, {59.99f, "0:59"}, {9.5f, "0:09"},
                 {1.0f, "0:01"},   {0.99f, "OUT"},   {0.0f, "OUT"},   {-3.0f, "OUT"}};
    for (const auto& c : cases) {
        GameBoard.GameClock = c.clock;
        UpdateStatusLine();
        EXPECT_EQ(CaptionOf(GameWindow), std::string("Kubrask - Time: ") + c.piece + " - Score: 0") << c.clock;
    }
}

TEST_F(StatusLineTest, MessagesStickUntilReplacedOrANewGame) {
    GameBoard.ScoreTotal = 36;
    UpdateStatusLine("last score: 36");
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 36 - last score: 36");
    GameBoard.GameClock = 179.0f;
    UpdateStatusLine();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 2:59 - Score: 36 - last score: 36");
    UpdateStatusLine("last score: 4");
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 2:59 - Score: 36 - last score: 4");
    FillFaceCycleTable();
    NewGame();
    UpdateStatusLine();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0");
}

TEST_F(StatusLineTest, BestScoreShownOnlyWhenThereIsOne) {
    HighScoreName.Adopt(DuplicateString("Ann"));
    UpdateStatusLine();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0");  // no score, no holder shown
    HighScore = 1234;
    UpdateStatusLine("last score: 9");
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0 - last score: 9 - High Score: 1234 by Ann");
    HighScoreName.Adopt(DuplicateString(""));
    UpdateStatusLine();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0 - last score: 9 - High Score: 1234 by ");
}

TEST_F(StatusLineTest, FrameRate) {
    FrameDelta = static_cast<float>(1.0 / 60.0);
    ShowFps();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0 - FPS:59.999996");
    FrameDelta = 0.0f;  // no time passed: the first frame, a pause
    ShowFps();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0 - FPS:inf");
}

TEST(FileProbe, FilesAndFoldersExist) {
    ScratchFolder folder;
    folder.Write("Kubrask.data", "x");
    std::filesystem::create_directory("Data");
    EXPECT_TRUE(FileExists("Kubrask.data"));
    EXPECT_TRUE(FileExists("Data"));
    EXPECT_FALSE(FileExists("Missing.data"));
    EXPECT_FALSE(FileExists(""));
}

TEST(Sounds, ASecondSoundWhileOnePlaysIsDropped) {
    EXPECT_EQ(SoundNowPlaying(), nullptr);
    PlaySoundFile(KUBRASK_SOURCE_DIR "/Data/DiceMatch.wav");  // 0.6 s
    ASSERT_NE(SoundNowPlaying(), nullptr);
    EXPECT_STREQ(SoundNowPlaying(), KUBRASK_SOURCE_DIR "/Data/DiceMatch.wav");
    EXPECT_FALSE(sndPlaySoundA(KUBRASK_SOURCE_DIR "/Data/DiceMove.wav", SND_ASYNC | SND_NOSTOP));
    EXPECT_STREQ(SoundNowPlaying(), KUBRASK_SOURCE_DIR "/Data/DiceMatch.wav");  // neither cut nor queued
    for (int wait = 0; wait < 300 && SoundNowPlaying() != nullptr; ++wait) SDL_Delay(10);
    EXPECT_EQ(SoundNowPlaying(), nullptr);  // it ended by itself
    EXPECT_TRUE(sndPlaySoundA(KUBRASK_SOURCE_DIR "/Data/DiceMove.wav", SND_ASYNC | SND_NOSTOP));
}

TEST(Sounds, AFileThatCannotBePlayedGivesTheAlert) {
    EXPECT_TRUE(sndPlaySoundA("Data/NoSuchSound.wav", SND_ASYNC | SND_NOSTOP));
    EXPECT_STREQ(SoundNowPlaying(), "(alert)");
}

TEST(Sounds, WithoutAnyDeviceNothingPlaysAndNothingIsSaid) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);  // before the first sound of this process
    MessageBoxScript::Reset();
    PlaySoundFile(KUBRASK_SOURCE_DIR "/Data/DiceMove.wav");
    EXPECT_FALSE(sndPlaySoundA("Data/NoSuchSound.wav", SND_ASYNC | SND_NOSTOP));
    EXPECT_EQ(SoundNowPlaying(), nullptr);
    EXPECT_TRUE(MessageBoxScript::shown.empty());
}
