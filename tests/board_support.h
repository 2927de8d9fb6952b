// Boards laid out by hand for the rules' tests.
#pragma once

#include <vector>

#include "game/board.h"

// An empty 7 x 7 board with floor everywhere and the walker at rest on (3, 3).
void ClearBoard();

// A die standing at (column, row), with the given flags and progress.
Die* PlaceDie(int column, int row, uint32_t flags = DIE_IDLE, float progress = 0.0f);

std::vector<int32_t> FacesOf(const Die& die);
