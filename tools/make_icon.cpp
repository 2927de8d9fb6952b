// Draws the game's icon: a die seen from above one corner, green top, blue
// left side, red right side, black pips; 32 x 32 pixels in the 16 standard
// colours with a transparency mask, written as a Windows .ico file. The same
// die drawn at another size, in the same colours, is written as a PNG file
// for the desktop's icon themes.
//
//   make_icon OUTPUT.ico
//   make_icon OUTPUT.png SIZE
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "little_endian.h"
#include "png_chunks.h"

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

// Colour index of one pixel of the die drawn `size` pixels wide, or -1
// where the icon is transparent.
int PixelColour(const std::array<Face, 3>& faces, int x, int y, int size = Size) {
    const double scale = static_cast<double>(Size) / size;
    Point centre{(x + 0.5) * scale, (y + 0.5) * scale};
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

std::array<Face, 3> DieFaces() {
    // The corner nearest the eye is at (16, 16); the top is a rhombus above it.
    const Point top{16, 1}, left{1.5, 8.5}, right{30.5, 8.5}, near{16, 16};
    const double height = 15;
    return {{
        {top, {left.x - top.x, left.y - top.y}, {right.x - top.x, right.y - top.y}, Green,
         DarkGreen, {{0.5, 0.5}}},
        {left, {near.x - left.x, near.y - left.y}, {0, height}, Blue, DarkBlue,
         {{0.27, 0.27}, {0.73, 0.73}}},
        {near, {right.x - near.x, right.y - near.y}, {0, height}, Red, DarkRed,
         {{0.27, 0.73}, {0.5, 0.5}, {0.73, 0.27}}},
    }};
}

std::vector<uint8_t> Icon() {
    const std::array<Face, 3> faces = DieFaces();
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

    return ico;
}

// The die at size x size pixels: 8-bit palette indices, the 16 colours and
// one transparent entry after them. The pixels go in stored (uncompressed)
// deflate blocks, which any PNG reader takes and the art checks can read.
std::vector<uint8_t> Png(int size) {
    const std::array<Face, 3> faces = DieFaces();
    const int Transparent = 16;
    std::vector<uint8_t> rows;
    for (int y = 0; y < size; ++y) {
        rows.push_back(0);  // no filter
        for (int x = 0; x < size; ++x) {
            int colour = PixelColour(faces, x, y, size);
            rows.push_back(static_cast<uint8_t>(colour < 0 ? Transparent : colour));
        }
    }

    std::vector<uint8_t> header;
    Put32BigEndian(header, size);
    Put32BigEndian(header, size);
    header.insert(header.end(), {8, 3, 0, 0, 0});  // 8 bits, palette, deflate, no filter choice, no interlace
    std::vector<uint8_t> palette, alpha(Transparent + 1, 255);
    for (const auto& colour : Palette) palette.insert(palette.end(), {colour[2], colour[1], colour[0]});
    palette.insert(palette.end(), {0, 0, 0});
    alpha[Transparent] = 0;

    std::vector<uint8_t> stream{0x78, 0x01};  // zlib: deflate, 32 KiB window
    uint32_t a = 1, b = 0;  // Adler-32 of the rows
    for (uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < rows.size();) {
        unsigned count = static_cast<unsigned>(std::min<size_t>(rows.size() - at, 65535));
        stream.push_back(at + count == rows.size() ? 1 : 0);  // the last block, or not; stored
        Put16(stream, count);
        Put16(stream, ~count & 0xFFFF);
        stream.insert(stream.end(), rows.begin() + at, rows.begin() + at + count);
        at += count;
    }
    Put32BigEndian(stream, b << 16 | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutPngChunk(png, "IHDR", header);
    PutPngChunk(png, "PLTE", palette);
    PutPngChunk(png, "tRNS", alpha);
    PutPngChunk(png, "IDAT", stream);
    PutPngChunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) return WriteBytes(argv[1], Icon()) ? 0 : 1;
    int size = argc == 3 ? std::atoi(argv[2]) : 0;
    if (size < 1 || size > 1024) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico | make_icon OUTPUT.png SIZE (1 to 1024)\n");
        return 2;
    }
    return WriteBytes(argv[1], Png(size)) ? 0 : 1;
}
