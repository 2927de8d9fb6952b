#include <gtest/gtest.h>

#include "app/launch_counter.h"
#include "board_support.h"
#include "game/matching.h"
#include "ui/status_line.h"

namespace {

struct BoardTest : testing::Test {
    void SetUp() override { ClearBoard(); }
};

struct PinnedDie {
    int column, row;
    std::vector<int32_t> faces;
};

}  // namespace

TEST(NewGameTest, SeedZeroGivesThisBoard) {
    // Worked out once from the rules (column, row, and the 20 turns of each
    // die, drawn in that order) by an independent model, and checked by
    // hand for the first die: the first number after the one thrown away is
    // 7719, 7719 mod 7 = 5, then 21238 mod 7 = 0.
    const PinnedDie pinned[24] = {
        {5, 0, {4, 2, 3, 5, 6, 1}}, {6, 5, {4, 2, 5, 3, 1, 6}}, {4, 4, {1, 6, 2, 4, 3, 5}},
        {3, 5, {3, 5, 1, 6, 2, 4}}, {3, 2, {2, 4, 5, 3, 6, 1}}, {1, 2, {2, 4, 3, 5, 1, 6}},
        {3, 3, {6, 1, 2, 4, 5, 3}}, {3, 0, {4, 2, 3, 5, 6, 1}}, {3, 6, {3, 5, 1, 6, 2, 4}},
        {2, 6, {3, 5, 6, 1, 4, 2}}, {1, 4, {2, 4, 3, 5, 1, 6}}, {1, 6, {4, 2, 3, 5, 6, 1}},
        {1, 3, {4, 2, 3, 5, 6, 1}}, {4, 0, {6, 1, 2, 4, 5, 3}}, {0, 1, {1, 6, 2, 4, 3, 5}},
        {3, 1, {3, 5, 1, 6, 2, 4}}, {2, 0, {6, 1, 4, 2, 3, 5}}, {2, 3, {4, 2, 3, 5, 6, 1}},
        {5, 5, {1, 6, 4, 2, 5, 3}}, {5, 2, {4, 2, 5, 3, 1, 6}}, {1, 0, {2, 4, 5, 3, 6, 1}},
        {0, 6, {6, 1, 4, 2, 3, 5}}, {6, 1, {4, 2, 3, 5, 6, 1}}, {6, 3, {6, 1, 2, 4, 5, 3}},
    };
    FillFaceCycleTable();
    RandomSeed(0);
    RandomNext();  // thrown away at start-up
    NewGame();
    int k = 0;
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next, ++k) {
        ASSERT_LT(k, 24);
        SCOPED_TRACE(k);
        EXPECT_EQ(node->die.column, pinned[k].column);
        EXPECT_EQ(node->die.row, pinned[k].row);
        EXPECT_EQ(FacesOf(node->die), pinned[k].faces);
    }
    EXPECT_EQ(k, 24);
    EXPECT_EQ(GameBoard.walker.column, 6);
    EXPECT_EQ(GameBoard.walker.row, 3);
    EXPECT_TRUE(BoardIsConsistent());
}

TEST(NewGameTest, StartsAFreshGameOfSettledDice) {
    EXPECT_EQ(DiceCap, 24);
    FillFaceCycleTable();
    // A cell that no die of this seed's game lands on.
    RandomSeed(99);
    NewGame();
    int emptyCell = 0;
    while (GameBoard.cells[emptyCell].die != nullptr) ++emptyCell;
    RandomSeed(99);
    GameBoard.walker.column = emptyCell % BoardSize;
    GameBoard.walker.row = emptyCell / BoardSize;
    GameBoard.ScoreTotal = 512;
    GameBoard.GameClock = 3.0f;
    GameBoard.GameOver = 1;
    SpawnTimer = StallTimer = StatusTimer = 4.0f;
    LastDiceCount = 30;
    StatusSuffix.Append(" - last score: 36");
    GameBoard.walker.flags = WALKER_STEPPING;  // a step under way carries on,
    GameBoard.walker.progress = 0.5f;          // now toward the new cell
    NewGame();
    EXPECT_EQ(DiceCount(), 24);
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) {
        EXPECT_EQ(node->die.flags, DIE_IDLE);
        EXPECT_EQ(node->die.chain, 0);
        EXPECT_EQ(node->die.progress, 0.0f);
    }
    const Die& last = GameBoard.dice.tail->die;
    EXPECT_EQ(GameBoard.walker.column, last.column);
    EXPECT_EQ(GameBoard.walker.row, last.row);
    EXPECT_EQ(GameBoard.walker.flags, WALKER_STEPPING);
    EXPECT_EQ(GameBoard.walker.progress, 0.5f);
    EXPECT_EQ(GameBoard.ScoreTotal, 0);
    EXPECT_EQ(GameBoard.GameClock, 180.0f);
    EXPECT_EQ(GameBoard.GameOver, 0);
    EXPECT_EQ(SpawnTimer, 0.0f);
    EXPECT_EQ(StallTimer, 0.0f);
    EXPECT_EQ(StatusTimer, 0.0f);
    EXPECT_EQ(LastDiceCount, -1);
    EXPECT_STREQ(StatusSuffix.text, "");
    for (int k = 0; k < 49; ++k) EXPECT_EQ(GameBoard.cells[k].cellFlags, CELL_FLOOR);
    EXPECT_TRUE(BoardIsConsistent());
}

TEST_F(BoardTest, SpawnedDieRisesAndStopsAStepIntoItsCell) {
    // Find the cell the next spawn will take, then send the walker into it.
    RandomSeed(5);
    int column = RandomNext() % 7, row = RandomNext() % 7;
    RandomSeed(5);
    GameBoard.walker = Walker{WALKER_STEPPING, column, row, 1.0f, 0.0f, 0.4f};
    SpawnDie();
    ASSERT_EQ(DiceCount(), 1);
    const Die& die = GameBoard.dice.head->die;
    EXPECT_EQ(die.column, column);
    EXPECT_EQ(die.row, row);
    EXPECT_EQ(die.flags, DIE_IDLE | DIE_BUSY | DIE_RISING);  // 0x0B
    EXPECT_EQ(die.progress, 0.0f);
    EXPECT_EQ(GameBoard.walker.flags, 0u);

    GameBoard.walker = Walker{WALKER_STEPPING, column, row, 1.0f, 0.0f, 0.4f};
    SpawnDie();  // lands elsewhere: the cell is taken
    EXPECT_EQ(GameBoard.walker.flags, WALKER_STEPPING);
    EXPECT_TRUE(BoardIsConsistent());
}

TEST_F(BoardTest, SpawnSkipsCellsWithoutFloorOrWithADie) {
    for (int k = 0; k < 49; ++k) GameBoard.cells[k].cellFlags = 0;
    GameBoard.CellAt(2, 5)->cellFlags = CELL_FLOOR;
    SpawnDie();
    ASSERT_EQ(DiceCount(), 1);
    EXPECT_EQ(GameBoard.dice.head->die.column, 2);
    EXPECT_EQ(GameBoard.dice.head->die.row, 5);
}

TEST_F(BoardTest, SpawnOnAFullBoardAddsNothingAndDrawsNothing) {
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c) PlaceDie(c, r);
    RandomSeed(77);
    SpawnDie();
    EXPECT_EQ(DiceCount(), 49);
    int next = RandomNext();
    RandomSeed(77);
    EXPECT_EQ(next, RandomNext());
    EXPECT_TRUE(BoardIsConsistent());
}

TEST_F(BoardTest, RemovingKeepsTheListLinked) {
    Die* only = PlaceDie(0, 0);
    RemoveDie(only);
    EXPECT_EQ(GameBoard.dice.head, nullptr);
    EXPECT_EQ(GameBoard.dice.tail, nullptr);
    EXPECT_EQ(GameBoard.CellAt(0, 0)->die, nullptr);

    Die* first = PlaceDie(0, 0);
    Die* middle = PlaceDie(1, 0);
    Die* last = PlaceDie(2, 0);
    RemoveDie(last);
    EXPECT_EQ(&GameBoard.dice.tail->die, middle);
    EXPECT_EQ(GameBoard.dice.tail->next, nullptr);
    Die* newLast = PlaceDie(3, 0);
    RemoveDie(middle);
    EXPECT_EQ(GameBoard.dice.head->next, GameBoard.dice.tail);
    RemoveDie(first);
    EXPECT_EQ(&GameBoard.dice.head->die, newLast);
    EXPECT_EQ(GameBoard.dice.head, GameBoard.dice.tail);
    EXPECT_TRUE(BoardIsConsistent());

    Die stranger;  // not on the list: nothing happens to the list
    stranger.column = 3;
    stranger.row = 0;
    RemoveDie(&stranger);
    EXPECT_EQ(GameBoard.CellAt(3, 0)->die, newLast);
    EXPECT_EQ(DiceCount(), 1);
}

TEST_F(BoardTest, TopValueAndHeights) {
    Die* resting = PlaceDie(0, 0);
    Die* rolling = PlaceDie(1, 0, DIE_BUSY | DIE_ROLLING, 0.5f);
    Die* sliding = PlaceDie(2, 0, DIE_BUSY | DIE_ROLLING | DIE_SLIDING, 0.5f);
    Die* rising = PlaceDie(3, 0, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.4f);
    Die* sinking = PlaceDie(4, 0, DIE_BUSY | DIE_SINKING, 0.25f);
    Die* justSinking = PlaceDie(5, 0, DIE_BUSY | DIE_SINKING, 0.0f);
    EXPECT_EQ(TopValue(*resting), 6);
    EXPECT_EQ(TopValue(*rolling), 0);
    EXPECT_EQ(TopValue(*sliding), 0);
    EXPECT_EQ(TopValue(*rising), 6);
    EXPECT_EQ(TopValue(*sinking), 6);
    EXPECT_EQ(CellHeight(*GameBoard.CellAt(6, 0)), 0.0f);
    EXPECT_EQ(CellHeight(*GameBoard.CellAt(0, 0)), 1.0f);
    EXPECT_EQ(CellHeight(*GameBoard.CellAt(1, 0)), 1.0f);
    EXPECT_EQ(CellHeight(*GameBoard.CellAt(2, 0)), 1.0f);
    EXPECT_EQ(HeightFraction(*rising), 0.4f);
    EXPECT_EQ(HeightFraction(*sinking), 0.75f);
    EXPECT_EQ(HeightFraction(*justSinking), 1.0f);
    EXPECT_TRUE(IsSinkingAt(4, 0));
    EXPECT_FALSE(IsSinkingAt(3, 0));
    EXPECT_FALSE(IsSinkingAt(6, 0));
    EXPECT_FALSE(IsSinkingAt(-1, 0));
    EXPECT_FALSE(IsSinkingAt(7, 0));
    EXPECT_FALSE(IsSinkingAt(0, 7));
}

TEST_F(BoardTest, WalkerIsBlockedWhileSteppingOrRidingAMovingDie) {
    EXPECT_FALSE(IsWalkerBlocked());
    GameBoard.walker.flags = WALKER_STEPPING;
    EXPECT_TRUE(IsWalkerBlocked());
    GameBoard.walker.flags = 0;
    Die* under = PlaceDie(3, 3, DIE_BUSY | DIE_RISING, 0.5f);
    EXPECT_FALSE(IsWalkerBlocked());
    under->flags = DIE_BUSY | DIE_ROLLING;
    EXPECT_TRUE(IsWalkerBlocked());
}

TEST_F(BoardTest, AnimationEndsAndSinkStartFollowTheTable) {
    Die die;
    die.flags = DIE_BUSY | DIE_ROLLING | DIE_SLIDING | DIE_MARKED;
    EndDieMove(die);
    EXPECT_EQ(die.flags, DIE_IDLE | DIE_SLIDING | DIE_MARKED);
    die.flags = DIE_IDLE | DIE_BUSY | DIE_RISING;
    EndDieRise(die);
    EXPECT_EQ(die.flags, DIE_IDLE);

    die.flags = DIE_IDLE | DIE_BUSY | DIE_RISING;
    die.progress = 0.3f;
    StartSinking(die);  // carries on from its height of 0.3
    EXPECT_EQ(die.flags, DIE_BUSY | DIE_SINKING);
    EXPECT_FLOAT_EQ(HeightFraction(die), 0.3f);
    die.progress = 0.6f;
    StartSinking(die);  // already sinking: nothing changes
    EXPECT_EQ(die.progress, 0.6f);
    EndDieSink(die);
    EXPECT_EQ(die.flags, DIE_DEAD);

    die.flags = DIE_IDLE | DIE_SLIDING | DIE_MARKED;
    die.progress = 0.9f;
    StartSinking(die);
    EXPECT_EQ(die.flags, DIE_BUSY | DIE_SINKING | DIE_SLIDING | DIE_MARKED);
    EXPECT_EQ(die.progress, 0.0f);
}

TEST_F(BoardTest, ConsistencyCheckCatchesEachKindOfBreak) {
    Die* a = PlaceDie(1, 1);
    Die* b = PlaceDie(2, 1);
    EXPECT_TRUE(BoardIsConsistent());
    a->column = 4;  // listed die away from its cell
    EXPECT_FALSE(BoardIsConsistent());
    a->column = 1;
    GameBoard.CellAt(5, 5)->die = b;  // a cell pointing at a die standing elsewhere
    EXPECT_FALSE(BoardIsConsistent());
    GameBoard.CellAt(5, 5)->die = nullptr;
    Die stranger;
    GameBoard.CellAt(6, 6)->die = &stranger;  // a cell pointing at an unlisted die
    EXPECT_FALSE(BoardIsConsistent());
    GameBoard.CellAt(6, 6)->die = nullptr;
    GameBoard.CellAt(1, 1)->die = nullptr;  // a listed die its cell forgot
    EXPECT_FALSE(BoardIsConsistent());
    GameBoard.CellAt(1, 1)->die = a;
    EXPECT_TRUE(BoardIsConsistent());
}
