// Pictures for the drawing's tests: a test atlas of solid colours, reading
// back what was drawn, and saving it as a PNG for a person to look at.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

// The solid colour of the atlas cell that shows a value (1 to 6); 0 is the floor.
Rgb AtlasColour(int value);

// Writes a 64 x 64 atlas whose die and floor cells are solid AtlasColour()s
// and whose other texels are white, as a 24-bit BMP file.
void WriteTestAtlas(const std::string& path);

// The drawn colour at a window pixel (origin bottom left).
Rgb ReadPixel(int x, int y);

// Where a point of the dice frame lands in the window, for a camera view.
bool ProjectDiceFramePoint(int cameraView, float x, float y, float z, int& windowX, int& windowY);

void WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbRowsBottomUp);
