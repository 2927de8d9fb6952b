// The test and cheat switches. Only the controls change them; the rules, the
// frame timer and game over read them. A new game leaves them as they are.
#pragma once

struct CheatFlagSet {
    bool Paused;          // game time stands still
    bool FreeStep;        // the next move puts the walker straight onto the next cell
    bool NoTwos;          // groups of twos never sink
    bool SlowMotionUsed;  // slow motion was used at least once
};

extern CheatFlagSet CheatFlags;

bool IsCheated();  // a switch that spoils a best score is or was on
