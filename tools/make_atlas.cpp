// Draws the game's texture atlas: the six die faces and the board's felt,
// 256 x 256 pixels, written as a 24-bit uncompressed .bmp file.
//
//   make_atlas [OUTPUT.bmp]        (DiceTexture.bmp by default)
//
// The game uploads the rows in file order, so t = 0 is the first row stored
// (the bottom of the picture) and s = 0 the left column. Texture space is cut
// into cells 5/16 wide and high: column c starts at s = 5c/16, band b at
// t = 5b/16. Band 1 holds the faces with one, two and three pips, band 0 the
// faces with four, five and six, and the first cell of band 2 the floor,
// which is stretched over the whole 7 x 7 board. Everything else is light,
// because other quads are tinted through the texel at (5/16, 0).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "little_endian.h"

namespace {

const int Size = 256;
const int Cell = Size * 5 / 16;  // 80 pixels
const int BoardCells = 7;

struct Colour {
    double r, g, b;
};

Colour Mix(Colour a, Colour b, double amount) {
    return {a.r + (b.r - a.r) * amount, a.g + (b.g - a.g) * amount, a.b + (b.b - a.b) * amount};
}

Colour Scale(Colour c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double SmoothStep(double edge0, double edge1, double v) {
    double t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

const Colour Unused{255, 253, 247};
const Colour Ivory{250, 245, 230};
const Colour PipBlack{22, 20, 19};
const Colour PipRed{196, 24, 32};
const Colour Felt{38, 104, 62};
const Colour GridLine{14, 44, 26};

// Pip centres in face coordinates (u along s, v along t), for 1 to 6 pips.
struct Point {
    double u, v;
};
const double Lo = 0.25, Mid = 0.5, Hi = 0.75;
const std::vector<Point> Pips[7] = {
    {},
    {{Mid, Mid}},
    {{Lo, Lo}, {Hi, Hi}},
    {{Lo, Lo}, {Mid, Mid}, {Hi, Hi}},
    {{Lo, Lo}, {Hi, Lo}, {Lo, Hi}, {Hi, Hi}},
    {{Lo, Lo}, {Hi, Lo}, {Mid, Mid}, {Lo, Hi}, {Hi, Hi}},
    {{Lo, Lo}, {Lo, Mid}, {Lo, Hi}, {Hi, Lo}, {Hi, Mid}, {Hi, Hi}},
};

// One pixel of a face with `count` pips; x and y are the pixel's offset in
// its cell. Pips are discs with analytic edge coverage, the single pip red
// and a little larger; the face darkens gently toward its rim like a rounded
// edge but stays light right at the border, where filtering reaches across.
Colour FacePixel(int count, int x, int y) {
    double px = x + 0.5, py = y + 0.5;
    double rim = std::min(std::min(px, Cell - px), std::min(py, Cell - py)) / Cell;
    Colour face = Scale(Ivory, 0.84 + 0.16 * SmoothStep(0.0, 0.13, rim));

    const double radius = (count == 1 ? 0.135 : 0.1) * Cell;
    const Colour pip = count == 1 ? PipRed : PipBlack;
    for (Point centre : Pips[count]) {
        double dx = px - centre.u * Cell, dy = py - centre.v * Cell;
        double distance = std::hypot(dx, dy);
        // A faint shadow just outside the hole, then the hole itself, a
        // touch lighter toward its far side as if the light came from above.
        face = Mix(face, Scale(face, 0.82), Clamp01((radius + 2.0 - distance) / 2.0) * 0.6);
        double lit = 1.0 + 0.45 * Clamp01(-dy / radius) * Clamp01(distance / radius);
        face = Mix(face, Scale(pip, lit), Clamp01(radius - distance + 0.5));
    }
    return face;
}

// A fixed integer hash of a lattice point, as a value in 0..1.
double Hash(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFF) / 65535.0;
}

// Smooth value noise with lattice points `spacing` pixels apart.
double ValueNoise(double x, double y, double spacing, uint32_t seed) {
    double gx = x / spacing, gy = y / spacing;
    int ix = static_cast<int>(std::floor(gx)), iy = static_cast<int>(std::floor(gy));
    double fx = SmoothStep(0, 1, gx - ix), fy = SmoothStep(0, 1, gy - iy);
    double top = Hash(ix, iy, seed) + (Hash(ix + 1, iy, seed) - Hash(ix, iy, seed)) * fx;
    double bottom = Hash(ix, iy + 1, seed) + (Hash(ix + 1, iy + 1, seed) - Hash(ix, iy + 1, seed)) * fx;
    return top + (bottom - top) * fy;
}

// How much of the pixel span [p, p + 1) a line of the given width centred
// at `centre` covers.
double LineCoverage(double p, double centre, double width) {
    double lo = std::max(p, centre - width / 2), hi = std::min(p + 1, centre + width / 2);
    return std::max(0.0, hi - lo);
}

// The strongest grid line over the pixel span [p, p + 1): a thin core and a
// soft halo around it, at k * Cell / 7 for k = 0..7.
double GridAmount(double p) {
    double amount = 0;
    for (int k = 0; k <= BoardCells; ++k) {
        double centre = k * static_cast<double>(Cell) / BoardCells;
        double line = LineCoverage(p, centre, 0.9) * 0.75 + LineCoverage(p, centre, 2.6) * 0.2;
        amount = std::max(amount, line);
    }
    return Clamp01(amount);
}

// One pixel of the floor: green felt with a soft mottle and a fine grain,
// each board cell a shade lighter in its middle, and thin soft lines
// between the cells.
Colour FloorPixel(int x, int y) {
    double px = x + 0.5, py = y + 0.5;
    double mottle = ValueNoise(px, py, 9.0, 0x6b1d) - 0.5;
    double grain = Hash(x, y, 0x2f53) - 0.5;
    double square = Cell / static_cast<double>(BoardCells);
    double cx = std::fmod(px, square) / square - 0.5, cy = std::fmod(py, square) / square - 0.5;
    double middle = 1.0 - 4.0 * std::max(cx * cx, cy * cy);  // 1 at a cell's middle, 0 at its edge
    Colour felt = Scale(Felt, 1.0 + 0.10 * mottle + 0.06 * grain + 0.07 * middle);

    double across = GridAmount(x), down = GridAmount(y);
    double line = 1.0 - (1.0 - across) * (1.0 - down);
    return Mix(felt, GridLine, line);
}

// The colour of stored pixel (x, row): row 0 is t = 0.
Colour AtlasPixel(int x, int row) {
    int column = x / Cell, band = row / Cell;
    if (column > 2 || band > 2) return Unused;
    int cx = x - column * Cell, cy = row - band * Cell;
    if (band == 1) return FacePixel(1 + column, cx, cy);
    if (band == 0) return FacePixel(4 + column, cx, cy);
    if (column == 0) return FloorPixel(cx, cy);
    return Unused;
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_atlas [OUTPUT.bmp]\n");
        return 2;
    }
    const char* name = argc == 2 ? argv[1] : "DiceTexture.bmp";

    const unsigned rowBytes = (Size * 3 + 3) / 4 * 4;
    const unsigned imageBytes = rowBytes * Size;
    std::vector<uint8_t> bmp;
    bmp.push_back('B');  // file header
    bmp.push_back('M');
    Put32(bmp, 14 + 40 + imageBytes);
    Put32(bmp, 0);
    Put32(bmp, 14 + 40);
    Put32(bmp, 40);  // info header
    Put32(bmp, Size);
    Put32(bmp, Size);  // positive: bottom row first
    Put16(bmp, 1);
    Put16(bmp, 24);
    Put32(bmp, 0);  // no compression
    Put32(bmp, imageBytes);
    Put32(bmp, 2835);  // 72 dots per inch
    Put32(bmp, 2835);
    Put32(bmp, 0);
    Put32(bmp, 0);
    for (int row = 0; row < Size; ++row) {
        for (int x = 0; x < Size; ++x) {
            Colour c = AtlasPixel(x, row);
            bmp.push_back(Byte(c.b));
            bmp.push_back(Byte(c.g));
            bmp.push_back(Byte(c.r));
        }
        bmp.resize(bmp.size() + rowBytes - Size * 3, 0);
    }

    return WriteBytes(name, bmp) ? 0 : 1;
}
