// The best score so far and its holder's name.
#pragma once

#include <cstdint>

#include "text/owned_string.h"

extern int32_t HighScore;           // 0 until one is stored
extern OwnedString HighScoreName;   // empty until one is stored
