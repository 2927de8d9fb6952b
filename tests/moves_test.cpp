// Every kind of walker move and every refusal, on boards laid out by hand.
// The walker starts at rest on cell (3, 3); Direction 0 is toward row 2.
#include <gtest/gtest.h>

#include "board_support.h"
#include "game/cheat_flags.h"
#include "game/moves.h"

namespace {

struct MovesTest : testing::Test {
    void SetUp() override {
        ClearBoard();
        CheatFlags = CheatFlagSet{};
        FreeStepLatch = 0;
    }
    void TearDown() override {
        CheatFlags = CheatFlagSet{};
        EXPECT_TRUE(BoardIsConsistent());
    }
    static const Walker& Me() { return GameBoard.walker; }
    static Die* At(int column, int row) { return GameBoard.CellAt(column, row)->die; }
    static void ExpectWalkerStepping(int column, int row, float stepX, float stepY) {
        EXPECT_EQ(Me().column, column);
        EXPECT_EQ(Me().row, row);
        EXPECT_EQ(Me().flags, WALKER_STEPPING);
        EXPECT_EQ(Me().progress, 0.0f);
        EXPECT_EQ(Me().stepX, stepX);
        EXPECT_EQ(Me().stepY, stepY);
    }
    static void ExpectWalkerStill() {
        EXPECT_EQ(Me().column, 3);
        EXPECT_EQ(Me().row, 3);
        EXPECT_EQ(Me().flags, 0u);
    }
};

const std::vector<int32_t> NewFaces = {4, 2, 3, 5, 6, 1};

}  // namespace

TEST(Steps, DirectionsAndSteps) {
    const Step steps[4] = {{0, -1}, {0, 1}, {1, 0}, {-1, 0}};
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(DirectionToStep(d).dx, steps[d].dx);
        EXPECT_EQ(DirectionToStep(d).dy, steps[d].dy);
        EXPECT_EQ(StepToDirection(steps[d].dx, steps[d].dy), d);
    }
    EXPECT_EQ(DirectionToStep(-1).dx, 0);
    EXPECT_EQ(DirectionToStep(4).dy, 0);
    EXPECT_EQ(StepToDirection(1, 1), -1);
    EXPECT_EQ(StepToDirection(0, 0), -1);
    EXPECT_EQ(HeightDifference(0.25f, 1.0f), 0.75f);
}

TEST_F(MovesTest, StepOnTheFloor) {
    EXPECT_TRUE(TryMove(2));
    ExpectWalkerStepping(4, 3, 1.0f, 0.0f);
    EXPECT_FALSE(TryMove(2));  // still stepping
    EXPECT_EQ(Me().column, 4);
}

TEST_F(MovesTest, ClimbOntoALowDieButNeitherClimbNorPushAHighRisingOne) {
    Die* low = PlaceDie(3, 2, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.75f);
    EXPECT_TRUE(TryMove(0));
    ExpectWalkerStepping(3, 2, 0.0f, -1.0f);
    EXPECT_EQ(At(3, 2), low);
    EXPECT_EQ(low->flags, DIE_IDLE | DIE_BUSY | DIE_RISING);

    ClearBoard();
    PlaceDie(3, 2, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.76f);
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();
    EXPECT_EQ(At(3, 1), nullptr);
}

TEST_F(MovesTest, StepDownFromALowDie) {
    PlaceDie(3, 3, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.5f);
    EXPECT_TRUE(TryMove(3));
    ExpectWalkerStepping(2, 3, -1.0f, 0.0f);
    EXPECT_EQ(At(3, 3)->flags, DIE_IDLE | DIE_BUSY | DIE_RISING);  // the die stays

    ClearBoard();
    PlaceDie(3, 3, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.9f);
    EXPECT_FALSE(TryMove(3));
    ExpectWalkerStill();
}

TEST_F(MovesTest, RollTheDieUnderfootAndRideIt) {
    Die* mine = PlaceDie(3, 3);
    EXPECT_TRUE(TryMove(2));
    ExpectWalkerStepping(4, 3, 1.0f, 0.0f);
    EXPECT_EQ(At(3, 3), nullptr);
    EXPECT_EQ(At(4, 3), mine);
    EXPECT_EQ(mine->column, 4);
    EXPECT_EQ(mine->flags, DIE_BUSY | DIE_ROLLING);
    EXPECT_EQ(mine->rollDirection, 2);
    EXPECT_EQ(mine->progress, 0.0f);
    EXPECT_EQ(FacesOf(*mine), (std::vector<int32_t>{4, 2, 6, 1, 5, 3}));  // tipped over: 5 is up
    EXPECT_EQ(TopValue(*mine), 0);                                        // while it moves
    EXPECT_TRUE(IsWalkerBlocked());
    GameBoard.walker.flags = 0;  // the walker's step ends first...
    EXPECT_TRUE(IsWalkerBlocked());
    EXPECT_FALSE(TryMove(2));  // ...and the die must stop before the next move
    EndDieMove(*mine);
    EXPECT_EQ(mine->flags, DIE_IDLE);
    EXPECT_EQ(TopValue(*mine), 5);
}

TEST_F(MovesTest, PushSlidesTheDieAheadWithoutTurningIt) {
    Die* pushed = PlaceDie(3, 2, DIE_IDLE | DIE_MARKED);
    EXPECT_TRUE(TryMove(0));
    ExpectWalkerStepping(3, 2, 0.0f, -1.0f);
    EXPECT_EQ(At(3, 2), nullptr);
    EXPECT_EQ(At(3, 1), pushed);
    EXPECT_EQ(pushed->flags, DIE_BUSY | DIE_ROLLING | DIE_SLIDING | DIE_MARKED);
    EXPECT_EQ(pushed->rollDirection, 0);
    EXPECT_EQ(FacesOf(*pushed), NewFaces);
    // It already stands in its new cell: pushing on waits for the slide.
    GameBoard.walker.flags = 0;
    EXPECT_FALSE(TryMove(0));
    EndDieMove(*pushed);
    EXPECT_EQ(pushed->flags, DIE_IDLE | DIE_SLIDING | DIE_MARKED);
    EXPECT_TRUE(TryMove(0));
    EXPECT_EQ(At(3, 0), pushed);
}

TEST_F(MovesTest, PushRefusedOffTheBoardIntoADieOrWhenTheDieIsBusy) {
    GameBoard.walker.row = 1;
    PlaceDie(3, 0);  // nothing beyond row 0
    EXPECT_FALSE(TryMove(0));
    EXPECT_EQ(Me().row, 1);

    ClearBoard();
    PlaceDie(3, 2);
    PlaceDie(3, 1);
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();

    ClearBoard();
    Die* sinking = PlaceDie(3, 2, DIE_BUSY | DIE_SINKING, 0.1f);  // height 0.9
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();
    EXPECT_EQ(At(3, 2), sinking);
}

TEST_F(MovesTest, SwapOverARisingDie) {
    Die* mine = PlaceDie(3, 3);
    Die* low = PlaceDie(3, 2, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.3f);
    EXPECT_TRUE(TryMove(0));
    ExpectWalkerStepping(3, 2, 0.0f, -1.0f);
    EXPECT_EQ(At(3, 2), mine);
    EXPECT_EQ(mine->flags, DIE_BUSY | DIE_ROLLING);
    EXPECT_EQ(FacesOf(*mine), (std::vector<int32_t>{6, 1, 3, 5, 2, 4}));
    EXPECT_EQ(At(3, 3), low);
    EXPECT_EQ(low->column, 3);
    EXPECT_EQ(low->row, 3);
    EXPECT_EQ(low->flags, DIE_IDLE | DIE_BUSY | DIE_RISING);  // it rises on where it now is
    EXPECT_EQ(low->progress, 0.3f);
}

TEST_F(MovesTest, SwapOverASinkingDieMakesItDead) {
    Die* mine = PlaceDie(3, 3);
    Die* low = PlaceDie(2, 3, DIE_BUSY | DIE_SINKING, 0.7f);  // height 0.3
    EXPECT_TRUE(TryMove(3));
    ExpectWalkerStepping(2, 3, -1.0f, 0.0f);
    EXPECT_EQ(At(2, 3), mine);
    EXPECT_EQ(At(3, 3), low);
    EXPECT_EQ(low->column, 3);
    EXPECT_EQ(low->flags, DIE_BUSY | DIE_SINKING | DIE_DEAD);
    EXPECT_EQ(FacesOf(*mine), (std::vector<int32_t>{4, 2, 1, 6, 3, 5}));
}

TEST_F(MovesTest, NoSwapFromADieThatHasJustBegunToSink) {
    // At full height but busy, it cannot roll: the whole move is refused.
    Die* mine = PlaceDie(3, 3, DIE_BUSY | DIE_SINKING, 0.0f);
    Die* low = PlaceDie(3, 2, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.2f);
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();
    EXPECT_EQ(At(3, 3), mine);
    EXPECT_EQ(At(3, 2), low);
    EXPECT_EQ(mine->flags, DIE_BUSY | DIE_SINKING);
    EXPECT_EQ(low->row, 2);
}

TEST_F(MovesTest, StepAcrossOrOntoDiceWithinReach) {
    PlaceDie(3, 3);
    PlaceDie(3, 2);  // the same height
    EXPECT_TRUE(TryMove(0));
    ExpectWalkerStepping(3, 2, 0.0f, -1.0f);

    ClearBoard();
    PlaceDie(3, 3);
    Die* half = PlaceDie(3, 4, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.5f);
    EXPECT_TRUE(TryMove(1));  // down by 0.5 onto it
    ExpectWalkerStepping(3, 4, 0.0f, 1.0f);
    EXPECT_EQ(At(3, 4), half);

    ClearBoard();
    PlaceDie(3, 3, DIE_IDLE | DIE_BUSY | DIE_RISING, 0.1f);
    PlaceDie(3, 4);  // 0.9 higher
    EXPECT_FALSE(TryMove(1));
    ExpectWalkerStill();
}

TEST_F(MovesTest, RefusedFromAMovingDieOffTheBoardOrWithoutFloor) {
    PlaceDie(3, 3, DIE_BUSY | DIE_ROLLING);
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();

    ClearBoard();
    GameBoard.walker.column = 0;
    EXPECT_FALSE(TryMove(3));
    EXPECT_EQ(Me().column, 0);
    EXPECT_EQ(Me().flags, 0u);

    ClearBoard();
    GameBoard.CellAt(3, 2)->cellFlags = 0;
    EXPECT_FALSE(TryMove(0));
    ExpectWalkerStill();
}

TEST_F(MovesTest, FreeStepJumpsOncePerPress) {
    CheatFlags.FreeStep = true;
    PlaceDie(3, 2);
    GameBoard.walker.flags = WALKER_STEPPING;
    EXPECT_TRUE(TryMove(0));  // straight onto the die ahead, mid-step or not
    EXPECT_EQ(Me().column, 3);
    EXPECT_EQ(Me().row, 2);
    EXPECT_EQ(Me().flags, 0u);
    EXPECT_EQ(Me().stepX, 0.0f);
    EXPECT_EQ(Me().stepY, 0.0f);
    EXPECT_EQ(FreeStepLatch, 1);

    EXPECT_TRUE(TryMove(1));  // held: an ordinary move now, which rolls the die under it
    ExpectWalkerStepping(3, 3, 0.0f, 1.0f);
    EXPECT_EQ(At(3, 3)->flags, DIE_BUSY | DIE_ROLLING);

    CheatFlags.FreeStep = false;
    EXPECT_FALSE(TryMove(1));  // refused (stepping), but the latch drops
    EXPECT_EQ(FreeStepLatch, 0);
    CheatFlags.FreeStep = true;
    EXPECT_TRUE(TryMove(2));
    EXPECT_EQ(Me().column, 4);
    EXPECT_EQ(Me().flags, 0u);

    GameBoard.walker.column = 6;
    FreeStepLatch = 0;
    EXPECT_FALSE(TryMove(2));  // never off the board
    EXPECT_EQ(Me().column, 6);
    EXPECT_EQ(FreeStepLatch, 0);
}
