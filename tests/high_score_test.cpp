// The score file and game over without the dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/window.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "support.h"
#include "ui/high_score.h"

namespace {

struct HighScoreTest : testing::Test {
    ScratchFolder folder;
    void SetUp() override {
        MessageBoxScript::Reset();
        CheatFlags = CheatFlagSet{};
        HighScore = 0;
        HighScoreName.Adopt(DuplicateString(""));
    }
    void TearDown() override { CheatFlags = CheatFlagSet{}; }
    std::string Load(const std::string& bytes) {
        folder.Write("Kubrask.data", bytes);
        LoadHighScore();
        return HighScoreName.text;
    }
};

}  // namespace

TEST_F(HighScoreTest, SavedBytesAndLoadedBack) {
    HighScore = 1234;
    HighScoreName.Adopt(DuplicateString("Jo"));
    SaveHighScore();
    EXPECT_EQ(folder.Read("Kubrask.data"), std::string("\xD2\x04\x00\x00Jo\x00", 7));
    EXPECT_FALSE(std::filesystem::exists("Kubrask.data.new"));
    HighScore = 0;
    HighScoreName.Adopt(DuplicateString(""));
    LoadHighScore();
    EXPECT_EQ(HighScore, 1234);
    EXPECT_STREQ(HighScoreName.text, "Jo");

    HighScore = -5;  // signed, least significant byte first
    HighScoreName.Adopt(DuplicateString(std::string(299, 'x').c_str()));
    SaveHighScore();
    std::string bytes = folder.Read("Kubrask.data");
    EXPECT_EQ(bytes.size(), 304u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFB\xFF\xFF\xFF", 4));
}

TEST_F(HighScoreTest, NoFileMeansNoBestScoreAndNoFileIsMade) {
    HighScore = 7;
    LoadHighScore();
    EXPECT_EQ(HighScore, 0);
    EXPECT_STREQ(HighScoreName.text, "");
    EXPECT_FALSE(std::filesystem::exists("Kubrask.data"));
}

TEST_F(HighScoreTest, DamagedFilesGiveWhatCanBeTrusted) {
    EXPECT_EQ(Load(std::string("\x01\x02", 2)), "");  // shorter than a score
    EXPECT_EQ(HighScore, 0);
    EXPECT_EQ(Load(std::string("\x0A\x00\x00\x00" "Ann", 7)), "Ann");  // no zero byte
    EXPECT_EQ(HighScore, 10);
    std::string longName = std::string("\x0B\x00\x00\x00", 4) + std::string(400, 'y') + '\0';
    EXPECT_EQ(Load(longName), std::string(299, 'y'));  // never past the buffer
    EXPECT_EQ(HighScore, 11);
    EXPECT_EQ(Load(std::string("\x0C\x00\x00\x00", 4)), "");
    EXPECT_EQ(HighScore, 12);

    std::filesystem::remove("Kubrask.data");
    std::filesystem::create_directory("Kubrask.data");  // a folder of that name
    LoadHighScore();
    EXPECT_EQ(HighScore, 0);
    EXPECT_STREQ(HighScoreName.text, "");
}

TEST_F(HighScoreTest, AFailedSaveKeepsTheOldFile) {
    folder.Write("Kubrask.data", std::string("\x05\x00\x00\x00Old\x00", 8));
    std::filesystem::create_directory("Kubrask.data.new");  // the new file cannot be written
    HighScore = 99;
    HighScoreName.Adopt(DuplicateString("New"));
    SaveHighScore();
    EXPECT_EQ(folder.Read("Kubrask.data"), std::string("\x05\x00\x00\x00Old\x00", 8));
}

TEST_F(HighScoreTest, ACheatedGameIsReportedAndChangesNothing) {
    FillFaceCycleTable();
    NewGame();
    GameBoard.ScoreTotal = 500;
    CheatFlags.NoTwos = true;
    FinishGame();
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].text, "Gamve Over!\nScore: 500\nBUT YOU CHEATED!");
    EXPECT_EQ(MessageBoxScript::shown[0].caption, "Kubrask");
    EXPECT_EQ(HighScore, 0);
    EXPECT_FALSE(std::filesystem::exists("Kubrask.data"));
}

TEST_F(HighScoreTest, AnEqualOrLowerScoreOffersNoDialog) {
    FillFaceCycleTable();
    NewGame();
    HighScore = 300;
    GameBoard.ScoreTotal = 300;
    FinishGame();
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].text, "Gamve Over!\nScore: 300");
    EXPECT_EQ(HighScore, 300);
    EXPECT_FALSE(std::filesystem::exists("Kubrask.data"));
}

namespace {

// A better score than the stored one, ready to be named.
struct NamingTest : HighScoreTest {
    TestWindow owner{"NamingTest", DefWindowProcA};
    void SetUp() override {
        HighScoreTest::SetUp();
        GameWindow = owner.window;
        FillFaceCycleTable();
        NewGame();
        GameBoard.ScoreTotal = 1234;
    }
    void TearDown() override {
        GameWindow = nullptr;
        HighScoreTest::TearDown();
    }
};

}  // namespace

TEST_F(NamingTest, ANameTypedAndConfirmedIsStored) {
    PressKey(SDLK_TAB);  // from OK to Cancel to the name
    PressKey(SDLK_TAB);
    PushText("Jo");
    PressKey(SDLK_RETURN);
    FinishGame();
    EXPECT_EQ(MessageBoxScript::shown.size(), 1u);  // the game-over message only
    EXPECT_EQ(HighScore, 1234);
    EXPECT_STREQ(HighScoreName.text, "Jo");
    EXPECT_EQ(folder.Read("Kubrask.data"), std::string("\xD2\x04\x00\x00Jo\x00", 7));
}

TEST_F(NamingTest, ThePreviousHoldersNameIsOfferedAndALongNameIsCut) {
    HighScore = 10;
    HighScoreName.Adopt(DuplicateString("Ann"));
    PressKey(SDLK_RETURN);  // confirm the name as it stands
    FinishGame();
    EXPECT_STREQ(HighScoreName.text, "Ann");
    EXPECT_EQ(HighScore, 1234);

    GameBoard.ScoreTotal = 2000;
    PressKey(SDLK_TAB);
    PressKey(SDLK_TAB);
    for (int k = 0; k < 31; ++k) PushText("abcdefghij");  // 310 more characters
    PressKey(SDLK_RETURN);
    FinishGame();
    EXPECT_EQ(StringSize(HighScoreName.text), 300);  // 299 characters kept
    EXPECT_EQ(folder.Read("Kubrask.data").size(), 304u);
}

TEST_F(NamingTest, CancelAsksFirstAndYesStoresNothing) {
    MessageBoxScript::answers = {IDOK, IDNO, IDYES};  // game over, then No, then Yes
    PressKey(SDLK_ESCAPE);
    PressKey(SDLK_ESCAPE);
    FinishGame();
    ASSERT_EQ(MessageBoxScript::shown.size(), 3u);
    EXPECT_EQ(MessageBoxScript::shown[1].text, "Sure you don't want to enter a name?");
    EXPECT_EQ(MessageBoxScript::shown[1].type, static_cast<UINT>(MB_YESNO));
    EXPECT_NE(MessageBoxScript::shown[1].owner, GameWindow);  // over the dialog
    EXPECT_EQ(HighScore, 0);
    EXPECT_FALSE(std::filesystem::exists("Kubrask.data"));
}
