// Groups, chains and the ones rule, on boards laid out by hand. The die whose
// move "just ended" is given its top value and left at rest, as the drawing
// leaves it before it asks for a match.
#include <gtest/gtest.h>

#include <filesystem>

#include "board_support.h"
#include "game/cheat_flags.h"
#include "game/matching.h"
#include "support.h"
#include "ui/sounds.h"
#include "ui/status_line.h"

namespace {

struct MatchingTest : testing::Test {
    ScratchFolder folder;
    void SetUp() override {
        std::filesystem::create_directory("Data");
        std::filesystem::copy_file(KUBRASK_SOURCE_DIR "/Data/DiceMatch.wav", "Data/DiceMatch.wav");
        ClearBoard();
        GameBoard.ScoreTotal = 0;
        StatusSuffix.Adopt(DuplicateString(""));
        CheatFlags = CheatFlagSet{};
    }
    void TearDown() override {
        CheatFlags = CheatFlagSet{};
        EXPECT_TRUE(BoardIsConsistent());
    }
    static Die* Showing(int value, int column, int row, uint32_t flags = DIE_IDLE, float progress = 0.0f) {
        Die* die = PlaceDie(column, row, flags, progress);
        die->faces[4] = value;
        return die;
    }
    static bool Sinking(const Die* die) { return die->flags & DIE_SINKING; }
};

}  // namespace

TEST_F(MatchingTest, AGroupAsLargeAsItsValueSinksAndScores) {
    Die* a = Showing(3, 2, 2);
    Die* b = Showing(3, 3, 2);
    Die* c = Showing(3, 3, 3);  // the L's last die, just rolled in
    EvaluateMatch(3, 3, true);
    for (Die* die : {a, b, c}) {
        EXPECT_EQ(die->flags, DIE_BUSY | DIE_SINKING | DIE_MARKED);
        EXPECT_EQ(die->chain, 1);
        EXPECT_EQ(die->progress, 0.0f);
    }
    EXPECT_EQ(GameBoard.ScoreTotal, 9);
    EXPECT_STREQ(StatusSuffix.text, " - last score: 9");
    EXPECT_STREQ(SoundNowPlaying(), "Data/DiceMatch.wav");
}

TEST_F(MatchingTest, ASmallerGroupDoesNothing) {
    Die* a = Showing(3, 2, 2);
    Die* b = Showing(3, 3, 2);
    Showing(3, 5, 5);  // not connected
    EvaluateMatch(3, 2, true);
    EXPECT_FALSE(Sinking(a));
    EXPECT_FALSE(Sinking(b));
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
    EXPECT_STREQ(StatusSuffix.text, "");
    EXPECT_EQ(SoundNowPlaying(), nullptr);
}

TEST_F(MatchingTest, JoiningASinkingGroupMakesAChain) {
    Die* a = Showing(3, 2, 2);
    Die* b = Showing(3, 3, 2);
    Die* c = Showing(3, 3, 3);
    EvaluateMatch(3, 3, true);
    Die* d = Showing(3, 4, 3);
    EvaluateMatch(4, 3, true);
    EXPECT_EQ(GameBoard.ScoreTotal, 9 + 3 * 2 * 4);
    EXPECT_STREQ(StatusSuffix.text, " - last score: 24");
    for (Die* die : {a, b, c, d}) EXPECT_EQ(die->chain, 2);
    EXPECT_TRUE(Sinking(d));
}

TEST_F(MatchingTest, SixesNeedSix) {
    for (int column = 0; column < 5; ++column) Showing(6, column, 0);
    EvaluateMatch(4, 0, true);
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
    Showing(6, 4, 1);  // the sixth, below the row
    EvaluateMatch(4, 1, true);
    EXPECT_EQ(GameBoard.ScoreTotal, 36);
    EXPECT_EQ(DiceCount(), 6);
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next)
        EXPECT_TRUE(Sinking(&node->die));
}

TEST_F(MatchingTest, NoTwosSwitchStopsTwos) {
    CheatFlags.NoTwos = true;
    Die* a = Showing(2, 1, 1);
    Showing(2, 1, 2);
    EvaluateMatch(1, 1, true);
    EXPECT_FALSE(Sinking(a));
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
    CheatFlags.NoTwos = false;
    EvaluateMatch(1, 1, true);
    EXPECT_EQ(GameBoard.ScoreTotal, 4);
}

TEST_F(MatchingTest, ARolledOneBesideASinkingDieTakesTheOtherOnes) {
    Die* sinking = Showing(4, 3, 2, DIE_BUSY | DIE_SINKING);
    Die* one = Showing(1, 3, 3);
    Die* others[3] = {Showing(1, 0, 0), Showing(1, 6, 6), Showing(1, 0, 6)};
    Die* five = Showing(5, 5, 5);
    EvaluateMatch(3, 3, true);
    for (Die* other : others) EXPECT_TRUE(Sinking(other));
    EXPECT_FALSE(Sinking(one));  // rolled into place: it stays
    EXPECT_FALSE(Sinking(five));
    EXPECT_EQ(sinking->chain, 0);
    EXPECT_EQ(GameBoard.ScoreTotal, 3);
}

TEST_F(MatchingTest, ASlidOneGoesWithThem) {
    Showing(4, 3, 2, DIE_BUSY | DIE_SINKING);
    Die* one = Showing(1, 3, 3, DIE_IDLE | DIE_SLIDING);
    Showing(1, 0, 0);
    Showing(1, 6, 6);
    Showing(1, 0, 6);
    EvaluateMatch(3, 3, false);
    EXPECT_TRUE(Sinking(one));
    EXPECT_EQ(GameBoard.ScoreTotal, 4);
}

TEST_F(MatchingTest, ALoneOneBesideASinkingDieScoresNothingAloud) {
    Showing(4, 2, 3, DIE_BUSY | DIE_SINKING);
    Die* one = Showing(1, 3, 3);
    GameBoard.ScoreTotal = 50;
    EvaluateMatch(3, 3, true);
    EXPECT_FALSE(Sinking(one));
    EXPECT_EQ(GameBoard.ScoreTotal, 50);
    EXPECT_STREQ(StatusSuffix.text, " - last score: 0");
    EXPECT_STREQ(SoundNowPlaying(), "Data/DiceMatch.wav");
}

TEST_F(MatchingTest, AOneWithoutASinkingNeighbourDoesNothing) {
    Showing(1, 3, 3);
    Die* other = Showing(1, 0, 0);
    Showing(4, 3, 2);  // at rest, not sinking
    EvaluateMatch(3, 3, false);
    EXPECT_FALSE(Sinking(other));
    EXPECT_STREQ(StatusSuffix.text, "");
}

TEST_F(MatchingTest, RisingDiceJoinMovingDiceDoNot) {
    Die* rising = Showing(2, 1, 1, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.4f);
    Die* rested = Showing(2, 1, 2);
    Die* moving = Showing(2, 2, 2, DIE_BUSY | DIE_ROLLING);  // TopValue reads 0 while it moves
    EvaluateMatch(1, 2, true);
    EXPECT_TRUE(Sinking(rising));
    EXPECT_FLOAT_EQ(rising->progress, 0.6f);  // carries on down from its height of 0.4
    EXPECT_TRUE(Sinking(rested));
    EXPECT_FALSE(Sinking(moving));
    EXPECT_EQ(GameBoard.ScoreTotal, 4);
    EXPECT_FALSE(moving->flags & DIE_MARKED);
}

TEST_F(MatchingTest, MarksAreClearedAtEachEvaluation) {
    Die* a = Showing(2, 0, 0);
    Showing(2, 0, 1);
    EvaluateMatch(0, 0, true);
    EXPECT_TRUE(a->flags & DIE_MARKED);
    Showing(5, 4, 4);
    EvaluateMatch(4, 4, true);
    EXPECT_FALSE(a->flags & DIE_MARKED);
    EXPECT_TRUE(GameBoard.CellAt(4, 4)->die->flags & DIE_MARKED);  // its group of one
}
