// Draws the game's icon: a die seen from above one corner, green top, blue
// left side, red right side, black pips; 32 x 32 pixels in the 16 standard
// colours with a transparency mask, written as a Windows .ico file.
//
//   make_icon OUTPUT.ico
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "little_endian.h"

namespace {

const int Size = 32;

// The 16 standard colours, as blue, green, red.
const uint8_t Palette[16][3] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},   {0, 128, 128},
    {128, 0, 0},     {128, 0, 128},   {128, 128, 0}, {192, 192, 192},
    {128, 128, 128}, {0, 0, 255},     {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {255, 255, 255},
};
const int Black = 0, DarkRed = 1, DarkGreen = 2, DarkBlue = 4, Red = 9, Green = 10, Blue = 12;

struct Point {
    double x, y;
};

// A face of the cube: the parallelogram origin + u * across + v * down for
// u and v in 0..1, its colours, and where its pips sit in (u, v).
struct Face {
    Point origin, across, down;
    int fill, edge;
    std::vector<Point> pips;
};

// The face coordinates of a pixel centre, false when it lies outside.
bool FaceCoordinates(const Face& face, Point p, Point& uv) {
    double dx = p.x - face.origin.x, dy = p.y - face.origin.y;
    double det = face.across.x * face.down.y - face.across.y * face.down.x;
    uv.x = (dx * face.down.y - dy * face.down.x) / det;
    uv.y = (face.across.x * dy - face.across.y * dx) / det;
    return uv.x >= 0 && uv.x <= 1 && uv.y >= 0 && uv.y <= 1;
}

// Colour index of one pixel, or -1 where the icon is transparent.
int PixelColour(const std::array<Face, 3>& faces, int x, int y) {
    Point centre{x + 0.5, y + 0.5};
    for (const Face& face : faces) {
        Point uv;
        if (!FaceCoordinates(face, centre, uv)) continue;
        for (Point pip : face.pips)
            if (std::hypot(uv.x - pip.x, uv.y - pip.y) < 0.13) return Black;
        const double rim = 0.07;
        bool onEdge = uv.x < rim || uv.x > 1 - rim || uv.y < rim || uv.y > 1 - rim;
        return onEdge ? face.edge : face.fill;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    // The corner nearest the eye is at (16, 16); the top is a rhombus above it.
    const Point top{16, 1}, left{1.5, 8.5}, right{30.5, 8.5}, near{16, 16};
    const double height = 15;
    std::array<Face, 3> faces = {{
        {top, {left.x - top.x, left.y - top.y}, {right.x - top.x, right.y - top.y}, Green,
         DarkGreen, {{0.5, 0.5}}},
        {left, {near.x - left.x, near.y - left.y}, {0, height}, Blue, DarkBlue,
         {{0.27, 0.27}, {0.73, 0.73}}},
        {near, {right.x - near.x, right.y - near.y}, {0, height}, Red, DarkRed,
         {{0.27, 0.73}, {0.5, 0.5}, {0.73, 0.27}}},
    }};

    const int xorRow = Size / 2, andRow = Size / 8;  // 4 bits and 1 bit per pixel
    const unsigned imageBytes = 40 + 16 * 4 + Size * xorRow + Size * andRow;
    std::vector<uint8_t> ico;
    Put16(ico, 0);  // icon directory: reserved, type 1 (icon), one image
    Put16(ico, 1);
    Put16(ico, 1);
    ico.push_back(Size);  // directory entry
    ico.push_back(Size);
    ico.push_back(16);  // colours
    ico.push_back(0);
    Put16(ico, 1);  // planes
    Put16(ico, 4);  // bits per pixel
    Put32(ico, imageBytes);
    Put32(ico, 6 + 16);
    Put32(ico, 40);  // bitmap header; the height counts the colour and mask bitmaps
    Put32(ico, Size);
    Put32(ico, Size * 2);
    Put16(ico, 1);
    Put16(ico, 4);
    Put32(ico, 0);
    Put32(ico, Size * xorRow + Size * andRow);
    Put32(ico, 0);
    Put32(ico, 0);
    Put32(ico, 16);
    Put32(ico, 0);
    for (const auto& colour : Palette) {
        ico.insert(ico.end(), colour, colour + 3);
        ico.push_back(0);
    }
    for (int y = Size - 1; y >= 0; --y)  // colours, bottom row first
        for (int x = 0; x < Size; x += 2) {
            int a = PixelColour(faces, x, y), b = PixelColour(faces, x + 1, y);
            ico.push_back(static_cast<uint8_t>((a < 0 ? 0 : a) << 4 | (b < 0 ? 0 : b)));
        }
    for (int y = Size - 1; y >= 0; --y)  // mask: 1 where transparent
        for (int x = 0; x < Size; x += 8) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                if (PixelColour(faces, x + k, y) < 0) bits |= 0x80 >> k;
            ico.push_back(bits);
        }

    return WriteBytes(argv[1], ico) ? 0 : 1;
}
