// The two sound effects, and the probe for a file's existence.
#pragma once

#include "text/owned_string.h"

extern OwnedString MoveSoundPath;
extern OwnedString MatchSoundPath;

// Plays a wave file while the game goes on; dropped while another plays.
void PlaySoundFile(const char* path);
bool FileExists(const char* name);  // a file or folder of that name
