// Random play: moves, the ends of animations, sinks, spawns and removals in
// any order must never break the board's consistency.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/launch_counter.h"
#include "game/board.h"
#include "game/cheat_flags.h"
#include "game/matching.h"
#include "game/moves.h"

namespace {

std::vector<Die*> ListedDice() {
    std::vector<Die*> dice;
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) dice.push_back(&node->die);
    return dice;
}

// One random event of play, as the controls, the drawing and the rules make them.
void RandomEvent(std::mt19937& pick) {
    std::vector<Die*> dice = ListedDice();
    Die* some = dice.empty() ? nullptr : dice[pick() % dice.size()];
    switch (pick() % 10) {
        case 0:
        case 1:
        case 2:
            if (!IsWalkerBlocked()) TryMove(static_cast<int>(pick() % 4));
            break;
        case 3:  // the walker's step ends
            GameBoard.walker.flags &= ~WALKER_STEPPING;
            break;
        case 4:  // a running animation reaches its end
            if (some != nullptr && (some->flags & DIE_BUSY)) {
                if (some->flags & DIE_SINKING) EndDieSink(*some);
                else if (some->flags & DIE_RISING) EndDieRise(*some);
                else if (some->flags & DIE_ROLLING) {
                    EndDieMove(*some);  // and the match that follows, as in the drawing
                    EvaluateMatch(some->column, some->row, !(some->flags & DIE_SLIDING));
                }
            } else if (some != nullptr) {
                some->progress = static_cast<float>(pick() % 101) / 100.0f;  // part way
            }
            break;
        case 5:
            if (some != nullptr) StartSinking(*some);
            break;
        case 6:
            SpawnDie();
            break;
        case 7:  // the drawing removes the dead
            for (Die* die : dice)
                if (die->flags & DIE_DEAD) RemoveDie(die);
            break;
        case 8:
            CheatFlags.FreeStep = pick() % 8 == 0;
            break;
        case 9:
            if (pick() % 200 == 0) NewGame();
            break;
    }
}

}  // namespace

TEST(BoardProperty, RandomPlayNeverBreaksTheBoard) {
    FillFaceCycleTable();
    for (uint32_t seed = 0; seed < 40; ++seed) {
        RandomSeed(seed);
        NewGame();
        std::mt19937 pick(seed);
        CheatFlags = CheatFlagSet{};
        for (int event = 0; event < 5000; ++event) {
            RandomEvent(pick);
            ASSERT_TRUE(BoardIsConsistent()) << "seed " << seed << ", event " << event;
            const Walker& walker = GameBoard.walker;
            ASSERT_NE(GameBoard.CellAt(walker.column, walker.row), nullptr) << "walker off the board";
        }
    }
    CheatFlags = CheatFlagSet{};
}
