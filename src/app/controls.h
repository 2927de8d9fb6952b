// The controls: once per pass of the main loop, the key table becomes game
// actions. Also the test and cheat switches, which only the controls change
// and a new game leaves as they are.
#pragma once

#include "platform/win32.h"

struct CheatFlagSet {
    bool Paused;          // game time stands still
    bool FreeStep;        // the next move puts the walker straight onto the next cell
    bool NoTwos;          // groups of twos never sink
    bool SlowMotionUsed;  // slow motion was used at least once
};

extern CheatFlagSet CheatFlags;

void ApplyControls(BYTE keys[256]);
bool IsCheated();  // a switch that spoils a best score is or was on
