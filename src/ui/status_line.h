// The window caption, the game's only status display: time left, score, the
// latest message, and the best score with its holder.
#pragma once

#include "text/owned_string.h"

// The sticky tail of the status line: " - " and the latest message, or empty.
extern OwnedString StatusSuffix;

// Rebuilds the caption; a message, when given, becomes the new sticky tail.
void UpdateStatusLine(const char* message = nullptr);
void ShowFps();
