#include "game/moves.h"

#include <cmath>

#include "game/cheat_flags.h"

uint8_t FreeStepLatch = 0;

namespace {

const float ClimbLimit = 0.75f;  // the most the walker climbs or steps down
const float SwapLimit = 0.3f;    // a die no higher than this can be rolled over
const float FullHeight = 1.0f;

bool HasRoomForADie(const BoardCell* cell) {
    return cell != nullptr && (cell->cellFlags & CELL_FLOOR) && cell->die == nullptr;
}

bool StartStep(int direction) {
    Walker& walker = GameBoard.walker;
    if (walker.flags & WALKER_STEPPING) return false;
    walker.flags |= WALKER_STEPPING;
    walker.progress = 0.0f;
    Step step = DirectionToStep(direction);
    walker.column += step.dx;
    walker.row += step.dy;
    walker.stepX = static_cast<float>(step.dx);
    walker.stepY = static_cast<float>(step.dy);
    return true;
}

// The die moves to its new cell at once; the drawing plays the move back.
bool MoveDie(BoardCell* source, int32_t dx, int32_t dy, bool slide) {
    Die* die = source->die;
    if (die == nullptr || (die->flags & DIE_BUSY)) return false;
    BoardCell* target = GameBoard.CellAt(die->column + dx, die->row + dy);
    if (!HasRoomForADie(target)) return false;
    source->die = nullptr;
    target->die = die;
    die->column += dx;
    die->row += dy;
    int direction = StepToDirection(dx, dy);
    if (!slide) TurnDie(die->faces, die->orientation, direction);
    die->progress = 0.0f;
    die->rollDirection = direction;
    die->flags &= ~(DIE_IDLE | DIE_RISING | DIE_SINKING | DIE_SLIDING);
    die->flags |= DIE_BUSY | DIE_ROLLING | (slide ? DIE_SLIDING : 0);
    return true;
}

// The walker's die rolls over the low die ahead, which takes its place.
bool SwapOverLowDie(BoardCell& here, BoardCell& ahead, int direction) {
    Walker& walker = GameBoard.walker;
    Die* mine = here.die;
    Die* low = ahead.die;
    // A die that cannot roll (it has just begun to sink) refuses the whole
    // move before anything changes.
    if (mine->flags & DIE_BUSY) return false;
    int32_t oldColumn = walker.column, oldRow = walker.row;
    if (!StartStep(direction)) return false;
    ahead.die = nullptr;
    Step step = DirectionToStep(direction);
    MoveDie(&here, step.dx, step.dy, false);
    here.die = low;
    low->column = oldColumn;
    low->row = oldRow;
    if (low->flags & DIE_SINKING) low->flags |= DIE_DEAD;  // gone after its next drawing
    return true;
}

// The walker stands on a die: it steps onto the die ahead, rolls its own die
// over a low one or into the empty cell, or steps down from a low die.
bool MoveFromADie(BoardCell& here, BoardCell& ahead, int direction) {
    Die* mine = here.die;
    if (mine->flags & DIE_ROLLING) return false;
    if (ahead.die != nullptr) {
        if (CellHeight(here) == FullHeight && CellHeight(ahead) <= SwapLimit)
            return SwapOverLowDie(here, ahead, direction);
        if (HeightDifference(CellHeight(here), CellHeight(ahead)) > ClimbLimit) return false;
        return StartStep(direction);  // across, up or down onto the die ahead
    }
    if (!(mine->flags & DIE_BUSY)) {
        // The die tips over its leading edge into the empty cell, the walker riding on top.
        if (!StartStep(direction)) return false;
        Step step = DirectionToStep(direction);
        MoveDie(&here, step.dx, step.dy, false);
        return true;
    }
    if (HeightDifference(CellHeight(here), 0.0f) > ClimbLimit) return false;
    return StartStep(direction);  // down from a low die to the floor
}

// The walker is on the floor: it steps, climbs onto a low die or pushes a high one.
bool MoveFromTheFloor(BoardCell& ahead, int direction) {
    Die* front = ahead.die;
    if (front == nullptr) return StartStep(direction);
    if (HeightFraction(*front) <= ClimbLimit) return StartStep(direction);  // climb
    if (front->flags & DIE_BUSY) return false;
    Step step = DirectionToStep(direction);
    if (!HasRoomForADie(GameBoard.CellAt(front->column + step.dx, front->row + step.dy))) return false;
    if (!StartStep(direction)) return false;
    return MoveDie(&ahead, step.dx, step.dy, true);  // push: the die slides, the walker follows
}

}  // namespace

Step DirectionToStep(int direction) {
    switch (direction) {
        case 0: return {0, -1};
        case 1: return {0, 1};
        case 2: return {1, 0};
        case 3: return {-1, 0};
        default: return {0, 0};
    }
}

int StepToDirection(int32_t dx, int32_t dy) {
    switch (dx + 3 * dy) {
        case -3: return 0;
        case 3: return 1;
        case 1: return 2;
        case -1: return 3;
        default: return -1;
    }
}

float HeightDifference(float a, float b) { return std::fabs(a - b); }

bool TryMove(int direction) {
    Board& board = GameBoard;
    Walker& walker = board.walker;
    Step step = DirectionToStep(direction);
    BoardCell* here = board.CellAt(walker.column, walker.row);
    BoardCell* ahead = board.CellAt(walker.column + step.dx, walker.row + step.dy);
    if (here == nullptr || ahead == nullptr) return false;

    // The free-step switch puts the walker straight onto the next cell, once a press.
    if (CheatFlags.FreeStep && FreeStepLatch == 0) {
        FreeStepLatch = 1;
        walker.flags &= ~WALKER_STEPPING;
        walker.column += step.dx;
        walker.row += step.dy;
        walker.stepX = walker.stepY = 0.0f;
        return true;
    }
    FreeStepLatch = CheatFlags.FreeStep ? 1 : 0;  // drops with the first move tried after a release
    if (walker.flags & WALKER_STEPPING) return false;
    if (!(ahead->cellFlags & CELL_FLOOR)) return false;
    if (here->die != nullptr) return MoveFromADie(*here, *ahead, direction);
    return MoveFromTheFloor(*ahead, direction);
}
