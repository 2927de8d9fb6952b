// The test and cheat switches. Only the controls change them; a new game
// leaves them as they are.
#pragma once

struct CheatFlagSet {
    bool Paused;          // game time stands still
    bool FreeStep;        // the next move puts the walker straight onto the next cell
    bool NoTwos;          // groups of twos never sink
    bool SlowMotionUsed;  // slow motion was used at least once
};

extern CheatFlagSet CheatFlags;
