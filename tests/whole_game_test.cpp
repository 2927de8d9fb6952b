// A whole game in-process, through the real loop with a clock moved by hand:
// three minutes of scripted play end in the game-over box with the score,
// the name typed into the dialog is stored, and the next start shows it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
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
    PressKey(SDLK_TAB);
    PressKey(SDLK_TAB);
    PushText("Kim");
    PressKey(SDLK_RETURN);
}

// Starts the game as WinMain does, from the generator as the caller seeded
// it, in a folder of test art. False when the window could not be made.
bool OpenGame() {
    WriteTestAtlas("Data/DiceTexture.bmp");
    ResetLoopState();
    FillFaceCycleTable();
    NewGame();
    LoadHighScore();
    FractionDigits = 6;
    if (!CreateGameWindow("Kubrask test", 160, 120, 16)) return false;
    UpdateStatusLine();
    return true;
}

// The game the end-to-end test plays: name=value lines, # starts a comment.
std::map<std::string, std::string> ReadPlan() {
    std::ifstream file(KUBRASK_SOURCE_DIR "/tests/e2e/planned_game.txt");
    std::map<std::string, std::string> plan;
    std::string line;
    while (std::getline(file, line)) {
        size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        plan[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return plan;
}

WPARAM KeyCode(const std::string& name) {
    if (name == "Left") return VK_LEFT;
    if (name == "Right") return VK_RIGHT;
    if (name == "Up") return VK_UP;
    if (name == "Down") return VK_DOWN;
    ADD_FAILURE() << "no key called " << name;
    return 0;
}

// One pass of the real loop, after 50 ms.
void Pass(DrivenClock& time) { ASSERT_EQ(RunOnePass(time, 50), 0); }

// Starts as the game does in a folder whose launch counter holds the plan's,
// waits idle for the given time, then presses each planned key for one pass
// and lets a second go by after it. Returns the caption.
std::string PlayPlan(const std::map<std::string, std::string>& plan, int idleMs) {
    ScratchFolder folder;
    DrivenClock time;
    folder.Write("random.txt", plan.at("counter"));
    SeedFromLaunchCounter();
    RandomNext();  // as at launch, the first number is thrown away
    EXPECT_TRUE(OpenGame());
    for (int ms = 0; ms < idleMs; ms += 50) Pass(time);
    std::istringstream keys(plan.at("keys"));
    for (std::string key; keys >> key;) {
        WPARAM code = KeyCode(key);
        PostMessageA(GameWindow, WM_KEYDOWN, code, 0);
        Pass(time);
        PostMessageA(GameWindow, WM_KEYUP, code, 0);
        for (int pass = 0; pass < 20; ++pass) Pass(time);
    }
    std::string caption = CaptionOf(GameWindow);
    DestroyGameWindow();
    return caption;
}

}  // namespace

// The moves the end-to-end test makes score what its plan says, at once or
// after a slow start, in which a first new die has risen.
TEST(WholeGame, ThePlannedGameScoresAsPlanned) {
    auto plan = ReadPlan();
    ASSERT_EQ(plan.count("counter") + plan.count("keys") + plan.count("score"), 3u);
    const std::string ending = " - Score: " + plan["score"] + " - last score: " + plan["score"];
    for (int idleMs : {0, 5500}) {
        std::string caption = PlayPlan(plan, idleMs);
        EXPECT_EQ(std::to_string(GameBoard.ScoreTotal), plan["score"]) << "after " << idleMs << " ms idle";
        EXPECT_TRUE(caption.ends_with(ending)) << caption;
        if (idleMs > 0) {
            EXPECT_EQ(DiceCount(), 25);  // the first new die came first
        }
    }
}

TEST(WholeGame, ThreeMinutesOfPlayEndInANamedBestScore) {
    ScratchFolder folder;
    DrivenClock time;
    MessageBoxScript::Reset();
    MessageBoxScript::whileOpen = PushDialogInput;
    RandomSeed(4);
    ASSERT_TRUE(OpenGame());
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
        ASSERT_NO_FATAL_FAILURE(Pass(time));
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
