// Reads a device-independent bitmap file (.bmp) into plain RGB rows.
#pragma once

#include <cstdint>

struct RgbImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;  // width x height x 3 bytes: red, green, blue; rows in the file's order
};

// A new image (the caller deletes pixels with delete[], then the record with
// delete), or null. Errors after the file opened are told in a message box.
RgbImage* LoadBitmapImage(const char* name);
RgbImage* ReadDibFile(const char* name);
// Palette entries of a core (12-byte) or info header.
uint32_t DibPaletteSize(const void* header);  // callers keep the low 16 bits
