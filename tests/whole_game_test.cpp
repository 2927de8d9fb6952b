// A whole game in-process, through the real loop with a clock moved by hand:
// three minutes of scripted play end in the game-over box with the score,
// the name typed into the dialog is stored, and the next start shows it.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/controls.h"
#include "app/frame_timer.h"
#include "app/launch_counter.h"
#include "app/main.h"
#include "app/window.h"
#include "game/board.h"
#include "picture_support.h"
#include "support.h"
#include "text/number_text.h"
#include "ui/high_score.h"
#include "ui/status_line.h"

namespace {

void PushDialogInput() {
    // Sent while the game-over box is open, so the name dialog that follows
    // reads them: to the name field, type, confirm.
    for (SDL_Keycode key : {SDLK_TAB, SDLK_TAB}) {
        PushKey(key, true);
        PushKey(key, false);
    }
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "Kim", sizeof text.text.text);
    SDL_PushEvent(&text);
    PushKey(SDLK_RETURN, true);
    PushKey(SDLK_RETURN, false);
}


}  // namespace

TEST(WholeGame, ThreeMinutesOfPlayEndInANamedBestScore) {
    ScratchFolder folder;
    DrivenClock time;
    std::filesystem::create_directory("Data");
    WriteTestAtlas("Data/DiceTexture.bmp");
    MessageBoxScript::Reset();
    MessageBoxScript::whileOpen = PushDialogInput;
    GameTimer = FrameTimer();
    LastFrameTime = -1.0f;
    CheatFlags = CheatFlagSet{};
    FillFaceCycleTable();
    RandomSeed(4);
    NewGame();
    LoadHighScore();
    FractionDigits = 6;
    ASSERT_TRUE(CreateGameWindow("Kubrask test", 160, 120, 16));
    UpdateStatusLine();
    EXPECT_EQ(CaptionOf(GameWindow), "Kubrask - Time: 3:00 - Score: 0");

    // Walk about at random, a key held for a few passes at a time, 50 ms a pass.
    const WPARAM arrows[4] = {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT};
    std::mt19937 pick(4);
    WPARAM held = 0;
    int passes = 0;
    while (!GameBoard.GameOver && passes < 5000) {
        if (passes % 4 == 0) {
            if (held) PostMessageA(GameWindow, WM_KEYUP, held, 0);
            held = arrows[pick() % 4];
            PostMessageA(GameWindow, WM_KEYDOWN, held, 0);
        }
        PostMessageA(GameWindow, WM_KEYDOWN, VK_ESCAPE, 0);  // this pass ends the loop
        time.AdvanceMs(50);
        ASSERT_EQ(RunMainLoop(), 0);
        KeyStates[VK_ESCAPE] = 0;
        ++passes;
    }
    EXPECT_NEAR(passes, 3600, 2);  // 180 s of 50 ms passes
    EXPECT_GT(GameBoard.ScoreTotal, 0) << "no group sank in three minutes of play";

    ASSERT_GE(MessageBoxScript::shown.size(), 1u);
    OwnedString expected;
    expected.Adopt(IntToText(GameBoard.ScoreTotal));
    expected.Prepend("Gamve Over!\nScore: ");
    EXPECT_EQ(MessageBoxScript::shown[0].text, expected.text);
    EXPECT_EQ(HighScore, GameBoard.ScoreTotal);
    EXPECT_STREQ(HighScoreName.text, "Kim");
    uint32_t score = static_cast<uint32_t>(GameBoard.ScoreTotal);
    std::string bytes = {static_cast<char>(score), static_cast<char>(score >> 8),
                         static_cast<char>(score >> 16), static_cast<char>(score >> 24)};
    EXPECT_EQ(folder.Read("Kubrask.data"), bytes + std::string("Kim\0", 4));

    // The next start reads it back and shows it.
    HighScore = 0;
    HighScoreName.Adopt(DuplicateString(""));
    NewGame();
    LoadHighScore();
    UpdateStatusLine();
    OwnedString caption;
    caption.Adopt(IntToText(score));
    caption.Prepend("Kubrask - Time: 3:00 - Score: 0 - High Score: ");
    caption.Append(" by Kim");
    EXPECT_EQ(CaptionOf(GameWindow), caption.text);
    DestroyGameWindow();
    MessageBoxScript::Reset();
}
