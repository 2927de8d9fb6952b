// A digest of the game's state: the board, the dice, the walker, the score,
// the clocks and the random generator. Two runs whose digests agree after
// every frame played the same game; replays of a journal check it.
#pragma once

#include <cstdint>

uint64_t GameStateDigest();
int32_t GameScore();
