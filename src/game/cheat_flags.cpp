#include "game/cheat_flags.h"

CheatFlagSet CheatFlags{};

// Pausing only stops the clock, it wins no points: it does not count.
bool IsCheated() { return CheatFlags.SlowMotionUsed || CheatFlags.FreeStep || CheatFlags.NoTwos; }
