// The controls: once per pass of the main loop, the key table becomes game
// actions. They are the only ones to change the test and cheat switches.
#pragma once

#include "platform/win32.h"

void ApplyControls(BYTE keys[256]);
