// The window caption, the game's only status display.
#pragma once

#include "text/owned_string.h"

// The sticky tail of the status line: " - " and the latest message, or empty.
extern OwnedString StatusSuffix;
