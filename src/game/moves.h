// One move of the walker: a step, a climb or a step down, a roll of the die
// it stands on, a push of the die ahead, or a swap over a low die.
#pragma once

#include <cstdint>

#include "game/board.h"

struct Step {
    int32_t dx;
    int32_t dy;
};

extern uint8_t FreeStepLatch;  // the free-step switch as the latest TryMove saw it

bool TryMove(int direction);
Step DirectionToStep(int direction);
int StepToDirection(int32_t dx, int32_t dy);
float HeightDifference(float a, float b);
