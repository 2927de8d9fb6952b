// One drawn frame: the floor, every die with its animation, the die under
// the walker shown again beside the board, and the spinning walker. Dice and
// walker animations advance and end here.
#pragma once

#include <cstdint>

#include "game/board.h"
#include "render/orientation.h"

extern int32_t CameraView;  // 0, 1 or 2
extern float WalkerSpin;    // degrees, never reset

bool RenderFrame();  // always true
void ApplyCameraView();
void DrawScene();
void DrawFloor();
void DrawBoardContents(Board& board);
void CellToWorld(const Board& board, float x, float y, Vec4& out);
void DrawDie(Die& die, bool preview, int32_t previewColumn, int32_t previewRow);
void DrawWalker(Walker& walker);
