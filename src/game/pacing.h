// The game clock and the pacing of new dice, once per drawn frame.
#pragma once

void UpdateClockAndPacing();
