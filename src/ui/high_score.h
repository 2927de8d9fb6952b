// Game over, and the best score with its holder's name, kept in
// "Kubrask.data": the score as 4 bytes, least significant first, then the
// name and a zero byte.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "text/owned_string.h"

extern int32_t HighScore;          // 0 until one is stored
extern OwnedString HighScoreName;  // empty until one is stored
extern char NameEntryBuffer[300];  // a name on its way in or out: 299 characters at most

void FinishGame();
void LoadHighScore();
void SaveHighScore();
INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
