// Matching and scoring: groups that sink and the points they bring.
#pragma once

#include "game/board.h"

// Starts a die going down into the floor from the height it has now.
void StartSinking(Die& die);
