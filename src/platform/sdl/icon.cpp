// Windows and messages, the window icon: icon 101, the same .ico file the
// Windows resources hold, decoded from its 16-colour bitmap and
// transparency mask.
// See README.md beside this file for what the layer provides and refuses.
#include <cstddef>
#include <cstdint>

#include "platform/sdl/layer.h"

extern const unsigned char GameIconFile[];
extern const std::size_t GameIconFileSize;

namespace {

uint32_t Read32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

void SetGameIcon(SDL_Window* window) {
    const unsigned char* file = GameIconFile;
    if (GameIconFileSize < 22) return;
    uint32_t offset = Read32(file + 18);  // of the first image
    if (offset + 40 > GameIconFileSize) return;
    const unsigned char* header = file + offset;
    int width = static_cast<int>(Read32(header + 4));
    int height = static_cast<int>(Read32(header + 8)) / 2;  // colours and mask
    if ((header[14] | header[15] << 8) != 4 || width <= 0 || width > 256 || height <= 0 || height > 256)
        return;
    const unsigned char* palette = header + 40;
    const unsigned char* colours = palette + 16 * 4;
    const int colourRow = static_cast<int>(DibRowBytes(width, 4));
    const int maskRow = static_cast<int>(DibRowBytes(width, 1));
    const unsigned char* mask = colours + colourRow * height;
    if (mask + maskRow * height > file + GameIconFileSize) return;

    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr) return;
    for (int y = 0; y < height; ++y) {
        const int row = height - 1 - y;  // stored bottom row first
        auto* out = reinterpret_cast<uint8_t*>(icon->pixels) + y * icon->pitch;
        for (int x = 0; x < width; ++x) {
            int index = (colours[row * colourRow + x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
            bool clear = (mask[row * maskRow + x / 8] >> (7 - x % 8)) & 1;
            const unsigned char* bgr = palette + index * 4;
            out[4 * x + 0] = bgr[2];
            out[4 * x + 1] = bgr[1];
            out[4 * x + 2] = bgr[0];
            out[4 * x + 3] = clear ? 0 : 255;
        }
    }
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}
