// What the drawing needs that never changes: the atlas texture, the fixed
// pipeline state, one light, and the display lists of the two shapes.
#pragma once

#include "platform/win32.h"

extern GLuint DiceTexture;
extern GLuint DieCubeList;
extern GLuint WalkerList;  // DieCubeList + 1

bool InitRenderState();
bool LoadDiceTexture();
void DrawDieCube();      // at the current transform, colour and texture
void DrawWalkerShape();  // leaves the colour white and smooth shading selected
