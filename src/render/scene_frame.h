// One drawn frame.
#pragma once

// Advances game time and draws the picture; false would end the program.
bool RenderFrame();
