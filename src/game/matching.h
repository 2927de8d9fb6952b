// Matching and scoring: when a die comes to rest, groups that show its value
// and ones beside a sinking die go down into the floor, for points.
#pragma once

#include <cstdint>

#include "game/board.h"

// Looks at the die whose move has just ended at (column, row); turned is
// true when it rolled into place, false when it slid.
void EvaluateMatch(int32_t column, int32_t row, bool turned);
// Starts a die going down into the floor from the height it has now.
void StartSinking(Die& die);
