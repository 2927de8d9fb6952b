#include "game/matching.h"

#include "game/cheat_flags.h"
#include "text/number_text.h"
#include "ui/sounds.h"
#include "ui/status_line.h"

namespace {

// Marks the 4-connected group of dice showing value around (column, row).
void MarkGroup(int32_t column, int32_t row, int32_t value, int32_t& count) {
    for (;;) {
        BoardCell* cell = GameBoard.CellAt(column, row);
        if (cell == nullptr || cell->die == nullptr || (cell->die->flags & DIE_MARKED) ||
            TopValue(*cell->die) != value)
            return;
        cell->die->flags |= DIE_MARKED;
        ++count;
        MarkGroup(column - 1, row, value, count);
        MarkGroup(column + 1, row, value, count);
        MarkGroup(column, row - 1, value, count);
        ++row;  // the fourth neighbour without nesting deeper
    }
}

}  // namespace

void EvaluateMatch(int32_t column, int32_t row, bool turned) {
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next)
        node->die.flags &= ~DIE_MARKED;
    int32_t count = 0;
    BoardCell* cell = GameBoard.CellAt(column, row);
    if (cell == nullptr || cell->die == nullptr) return;
    Die* rested = cell->die;
    int32_t value = TopValue(*rested);
    if (CheatFlags.NoTwos && value == 2) return;

    if (value == 1) {
        // A one beside a sinking die takes every other one down with it; a
        // one that slid into place goes too, a rolled one stays.
        if (!IsSinkingAt(column - 1, row) && !IsSinkingAt(column + 1, row) &&
            !IsSinkingAt(column, row - 1) && !IsSinkingAt(column, row + 1))
            return;
        for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) {
            Die& die = node->die;
            if (TopValue(die) == 1 && !(turned && &die == rested)) {
                die.flags |= DIE_MARKED;
                ++count;
            }
        }
    } else {
        MarkGroup(column, row, value, count);
        if (count < value) return;
    }

    // Dice still sinking from an earlier match raise the chain.
    int32_t chain = 0;
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next) {
        Die& die = node->die;
        if (!(die.flags & DIE_MARKED)) continue;
        StartSinking(die);
        if (die.chain > chain) chain = die.chain;
    }
    for (DieNode* node = GameBoard.dice.head; node != nullptr; node = node->next)
        if (node->die.flags & DIE_MARKED) node->die.chain = chain + 1;

    int32_t points = value * (chain + 1) * count;
    GameBoard.ScoreTotal += points;
    OwnedString message;
    message.Adopt(IntToText(points));
    message.Prepend("last score: ");
    UpdateStatusLine(message.text);
    PlaySoundFile(MatchSoundPath.text);
}

void StartSinking(Die& die) {
    if (die.flags & DIE_SINKING) return;
    die.progress = (die.flags & DIE_RISING) ? 1.0f - die.progress : 0.0f;
    die.flags &= ~(DIE_IDLE | DIE_ROLLING | DIE_RISING);
    die.flags |= DIE_BUSY | DIE_SINKING;
}
