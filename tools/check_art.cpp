// Checks the art files for what the game relies on; exits non-zero and says
// what is wrong when something is off.
//
//   check_art atlas DiceTexture.bmp
//   check_art sounds FOLDER          (DiceMove.wav and DiceMatch.wav in it)
//   check_art icon FILE.png SIZE     one of the desktop icons
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "png_chunks.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
}

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

unsigned U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
unsigned U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
bool Tag(const std::vector<uint8_t>& b, size_t at, const char* tag) {
    return std::string(b.begin() + at, b.begin() + at + 4) == tag;
}

// The atlas as a grid of brightness values, row 0 the first stored row.
struct Grey {
    int size = 0;
    std::vector<double> luma;
    double At(int x, int row) const { return luma[row * size + x]; }
};

bool ReadAtlas(const std::string& name, Grey& grey) {
    std::vector<uint8_t> b = ReadFile(name);
    Expect(b.size() >= 54, name + " is a bitmap file");
    if (b.size() < 54) return false;
    unsigned width = U32(b, 18), height = U32(b, 22), offset = U32(b, 10);
    Expect(b[0] == 'B' && b[1] == 'M', "starts with BM");
    Expect(U32(b, 14) == 40, "has a 40-byte info header");
    Expect(offset == 54, "has no palette");
    Expect(U16(b, 28) == 24 && U32(b, 30) == 0, "is 24-bit, uncompressed");
    Expect(width == height, "is square");
    Expect(width >= 64 && width <= 1024 && (width & (width - 1)) == 0, "is a power of two in size");
    unsigned rowBytes = (width * 3 + 3) / 4 * 4;
    Expect(U32(b, 2) == b.size() && b.size() == offset + rowBytes * height, "file size matches the header");
    if (failures > 0) return false;
    grey.size = static_cast<int>(width);
    for (unsigned row = 0; row < height; ++row)
        for (unsigned x = 0; x < width; ++x) {
            const uint8_t* p = &b[offset + row * rowBytes + x * 3];  // blue, green, red
            grey.luma.push_back(0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2]);
        }
    return true;
}

struct Box {
    int x0, row0, size;
};

double Mean(const Grey& grey, Box box) {
    double sum = 0;
    for (int row = box.row0; row < box.row0 + box.size; ++row)
        for (int x = box.x0; x < box.x0 + box.size; ++x) sum += grey.At(x, row);
    return sum / (box.size * box.size);
}

double Darkest(const Grey& grey, int x0, int row0, int x1, int row1) {
    double darkest = 255;
    for (int row = row0; row < row1; ++row)
        for (int x = x0; x < x1; ++x) darkest = std::fmin(darkest, grey.At(x, row));
    return darkest;
}

// Dark patches of a few pixels or more in a cell, four-way connected.
int CountPips(const Grey& grey, Box cell) {
    std::vector<char> seen(cell.size * cell.size, 0);
    auto dark = [&](int x, int y) { return grey.At(cell.x0 + x, cell.row0 + y) < 110; };
    int pips = 0;
    for (int start = 0; start < cell.size * cell.size; ++start) {
        if (seen[start] || !dark(start % cell.size, start / cell.size)) continue;
        std::vector<int> stack{start};
        seen[start] = 1;
        int area = 0;
        while (!stack.empty()) {
            int at = stack.back();
            stack.pop_back();
            ++area;
            int x = at % cell.size, y = at / cell.size;
            const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& step : steps) {
                int nx = x + step[0], ny = y + step[1];
                if (nx < 0 || ny < 0 || nx >= cell.size || ny >= cell.size) continue;
                int next = ny * cell.size + nx;
                if (!seen[next] && dark(nx, ny)) {
                    seen[next] = 1;
                    stack.push_back(next);
                }
            }
        }
        if (area >= 12) ++pips;
    }
    return pips;
}

// How many dark lines cross a brightness profile: runs of entries well
// below the profile's median.
int CountDips(std::vector<double> profile) {
    std::vector<double> sorted = profile;
    std::sort(sorted.begin(), sorted.end());
    double threshold = sorted[sorted.size() / 2] * 0.8;
    int dips = 0;
    for (size_t i = 0; i < profile.size(); ++i)
        if (profile[i] < threshold && (i == 0 || profile[i - 1] >= threshold)) ++dips;
    return dips;
}

int CheckAtlas(const std::string& name) {
    Grey grey;
    if (!ReadAtlas(name, grey)) return 1;
    const int size = grey.size, cell = size * 5 / 16;

    // Faces 1, 2, 3 in band 1 and 4, 5, 6 in band 0, columns left to right.
    double faceMean = 255;
    for (int pips = 1; pips <= 6; ++pips) {
        int column = (pips - 1) % 3, band = pips <= 3 ? 1 : 0;
        Box box{column * cell, band * cell, cell};
        Expect(CountPips(grey, box) == pips, "the face in band " + std::to_string(band) + ", column " +
                                                 std::to_string(column) + " shows " + std::to_string(pips) +
                                                 " pips");
        // Filtering blends across the border, so the face's outer ring stays light.
        double ring = std::fmin(std::fmin(Darkest(grey, box.x0, box.row0, box.x0 + cell, box.row0 + 2),
                                          Darkest(grey, box.x0, box.row0 + cell - 2, box.x0 + cell, box.row0 + cell)),
                                std::fmin(Darkest(grey, box.x0, box.row0, box.x0 + 2, box.row0 + cell),
                                          Darkest(grey, box.x0 + cell - 2, box.row0, box.x0 + cell, box.row0 + cell)));
        Expect(ring > 150, "the border of the " + std::to_string(pips) + " face is light");
        faceMean = std::fmin(faceMean, Mean(grey, box));
    }

    Box floor{0, 2 * cell, cell};
    Expect(Mean(grey, floor) < faceMean - 80, "the floor is much darker than every face");
    std::vector<double> across(cell, 0), down(cell, 0);
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x) {
            across[x] += grey.At(floor.x0 + x, floor.row0 + y);
            down[y] += grey.At(floor.x0 + x, floor.row0 + y);
        }
    // Leave out the outer pixels, where the board's edge line sits.
    std::vector<double> innerAcross(across.begin() + 3, across.end() - 3), innerDown(down.begin() + 3, down.end() - 3);
    Expect(CountDips(innerAcross) == 6, "the floor has six lines between its seven columns");
    Expect(CountDips(innerDown) == 6, "the floor has six lines between its seven rows");

    // Other quads are tinted through the texel at (5/16, 0); it and the
    // unused space must be light.
    Expect(Darkest(grey, cell - 2, 0, cell + 2, 2) > 180, "the texels around (5/16, 0) are light");
    Expect(Darkest(grey, 3 * cell, 0, size, size) > 200, "the unused column on the right is light");
    Expect(Darkest(grey, 0, 3 * cell, size, size) > 200, "the unused strip at the top is light");
    Expect(Darkest(grey, cell, 2 * cell, 3 * cell, 3 * cell) > 200, "the unused cells beside the floor are light");
    return failures == 0 ? 0 : 1;
}

// Samples of a 16-bit mono 22050 Hz PCM .wav file with a 44-byte header,
// as fractions of full scale.
std::vector<double> ReadWave(const std::string& name) {
    std::vector<uint8_t> b = ReadFile(name);
    std::vector<double> samples;
    Expect(b.size() > 44, name + " is a wave file");
    if (b.size() <= 44) return samples;
    Expect(Tag(b, 0, "RIFF") && U32(b, 4) == b.size() - 8 && Tag(b, 8, "WAVE"), name + ": RIFF WAVE header");
    Expect(Tag(b, 12, "fmt ") && U32(b, 16) == 16 && U16(b, 20) == 1, name + ": PCM format chunk");
    Expect(U16(b, 22) == 1 && U32(b, 24) == 22050 && U32(b, 28) == 44100 && U16(b, 32) == 2 && U16(b, 34) == 16,
           name + ": mono, 16-bit, 22050 Hz");
    Expect(Tag(b, 36, "data") && U32(b, 40) == b.size() - 44, name + ": data chunk fills the rest");
    for (size_t at = 44; at + 1 < b.size(); at += 2) samples.push_back(static_cast<int16_t>(U16(b, at)) / 32768.0);
    return samples;
}

// Zero crossings per second: a rough measure of how bright a sound is.
double Crossings(const std::vector<double>& samples) {
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    return crossings * 22050.0 / samples.size();
}

void CheckSound(const std::string& name, const std::vector<double>& samples, double shortest, double longest) {
    if (samples.empty()) return;
    double seconds = samples.size() / 22050.0, peak = 0;
    for (double s : samples) peak = std::fmax(peak, std::fabs(s));
    Expect(seconds >= shortest && seconds <= longest, name + " lasts " + std::to_string(seconds) + " s");
    double decibels = 20 * std::log10(peak);
    Expect(decibels > -4.5 && decibels < -1.5, name + " peaks near -3 dBFS, not at " + std::to_string(decibels));
    // No click: the first and last samples are all but silent.
    Expect(std::fabs(samples.front()) < 0.005 && std::fabs(samples.back()) < 0.005, name + " starts and ends silent");
}

int CheckSounds(const std::string& folder) {
    std::vector<double> move = ReadWave(folder + "/DiceMove.wav"), match = ReadWave(folder + "/DiceMatch.wav");
    CheckSound("DiceMove.wav", move, 0.08, 0.15);
    CheckSound("DiceMatch.wav", match, 0.4, 0.7);
    if (!move.empty() && !match.empty())
        Expect(Crossings(match) > 2 * Crossings(move), "the chime is clearly brighter than the tock");
    return failures == 0 ? 0 : 1;
}

unsigned U32BigEndian(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<unsigned>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

struct Rgba {
    uint8_t r, g, b, a;
};

// The pixels of a PNG file as make_icon writes it: 8-bit palette indices
// in stored deflate blocks, no filtering. Empty when the file is not so.
std::vector<Rgba> ReadIconPng(const std::string& name, unsigned size) {
    std::vector<uint8_t> b = ReadFile(name);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Expect(b.size() > 8 && std::equal(signature, signature + 8, b.begin()), name + " has the PNG signature");
    if (failures > 0) return {};
    std::vector<uint8_t> header, palette, alpha, stream;
    bool ended = false;
    for (size_t at = 8; at + 12 <= b.size() && !ended;) {
        unsigned length = U32BigEndian(b, at);
        if (at + 12 + length > b.size()) break;
        std::string type(b.begin() + at + 4, b.begin() + at + 8);
        Expect(Crc32(&b[at + 4], length + 4) == U32BigEndian(b, at + 8 + length), "chunk " + type + " has the right CRC");
        std::vector<uint8_t> data(b.begin() + at + 8, b.begin() + at + 8 + length);
        if (type == "IHDR") header = data;
        if (type == "PLTE") palette = data;
        if (type == "tRNS") alpha = data;
        if (type == "IDAT") stream.insert(stream.end(), data.begin(), data.end());
        ended = type == "IEND";
        at += 12 + length;
    }
    Expect(ended, "the chunks run to IEND");
    Expect(header.size() == 13 && U32BigEndian(header, 0) == size && U32BigEndian(header, 4) == size,
           "is " + std::to_string(size) + " pixels square");
    Expect(header.size() == 13 && header[8] == 8 && header[9] == 3 && header[12] == 0,
           "holds 8-bit palette indices, not interlaced");
    Expect(!palette.empty() && palette.size() % 3 == 0 && alpha.size() <= palette.size() / 3,
           "has a palette and at most one transparency entry per colour");
    Expect(stream.size() > 6 && stream[0] == 0x78 && (stream[0] << 8 | stream[1]) % 31 == 0, "has a zlib stream");
    if (failures > 0) return {};

    std::vector<uint8_t> rows;
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > stream.size() || (stream[at] & 6) != 0) break;  // stored blocks only
        last = stream[at] & 1;
        unsigned count = U16(stream, at + 1);
        if (U16(stream, at + 3) != (~count & 0xFFFF) || at + 5 + count > stream.size()) break;
        rows.insert(rows.end(), stream.begin() + at + 5, stream.begin() + at + 5 + count);
        at += 5 + count;
    }
    uint32_t a = 1, sum = 0;
    for (uint8_t byte : rows) {
        a = (a + byte) % 65521;
        sum = (sum + a) % 65521;
    }
    Expect(rows.size() == size * (size + 1) && at + 4 == stream.size() && U32BigEndian(stream, at) == (sum << 16 | a),
           "the pixels fill stored deflate blocks with the right Adler-32");
    if (failures > 0) return {};

    std::vector<Rgba> pixels;
    for (unsigned y = 0; y < size; ++y) {
        Expect(rows[y * (size + 1)] == 0, "row " + std::to_string(y) + " is unfiltered");
        for (unsigned x = 0; x < size; ++x) {
            unsigned index = rows[y * (size + 1) + 1 + x];
            if (index >= palette.size() / 3) {
                Expect(false, "every pixel is in the palette");
                return {};
            }
            pixels.push_back({palette[3 * index], palette[3 * index + 1], palette[3 * index + 2],
                              index < alpha.size() ? alpha[index] : uint8_t{255}});
        }
    }
    return pixels;
}

// The icon shows the die of icon 101 at any size: transparent around it,
// a green top, a blue left and a red right side, and its black pips.
int CheckIcon(const std::string& name, int size) {
    std::vector<Rgba> pixels = ReadIconPng(name, size);
    if (pixels.empty()) return 1;
    // Where to look, in the 32-pixel icon's coordinates.
    auto at = [&](double x, double y) { return pixels[static_cast<int>(y * size / 32) * size + static_cast<int>(x * size / 32)]; };
    auto is = [](Rgba p, int r, int g, int b) { return p.a == 255 && p.r == r && p.g == g && p.b == b; };
    int transparent = 0;
    for (Rgba p : pixels) {
        Expect(p.a == 0 || p.a == 255, "every pixel is either transparent or opaque");
        transparent += p.a == 0;
    }
    Expect(at(0.5, 0.5).a == 0 && at(31.5, 0.5).a == 0 && at(0.5, 31.5).a == 0 && at(31.5, 31.5).a == 0,
           "the corners are transparent");
    double share = static_cast<double>(transparent) / pixels.size();
    Expect(share > 0.3 && share < 0.42, "about a third of the icon is transparent, not " + std::to_string(share));
    Expect(is(at(11.5, 6.5), 0, 255, 0), "the top is green");
    Expect(is(at(8.5, 16.5), 0, 0, 255), "the left side is blue");
    Expect(is(at(20, 18), 255, 0, 0), "the right side is red");
    Expect(is(at(16, 8.5), 0, 0, 0), "the one pip is in the middle of the top");

    if (size >= 32) {  // smaller, a pip is a pixel or two and may touch the rim
        std::vector<char> seen(pixels.size(), 0);
        int pips = 0;
        for (int start = 0; start < size * size; ++start) {
            if (seen[start] || !is(pixels[start], 0, 0, 0)) continue;
            ++pips;
            std::vector<int> stack{start};
            seen[start] = 1;
            while (!stack.empty()) {
                int here = stack.back(), x = here % size, y = here / size;
                stack.pop_back();
                const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (const auto& step : steps) {
                    int nx = x + step[0], ny = y + step[1], next = ny * size + nx;
                    if (nx < 0 || ny < 0 || nx >= size || ny >= size || seen[next] || !is(pixels[next], 0, 0, 0))
                        continue;
                    seen[next] = 1;
                    stack.push_back(next);
                }
            }
        }
        Expect(pips == 6, "the three sides show six pips in all, not " + std::to_string(pips));
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc == 3 ? argv[1] : "";
    if (what == "atlas") return CheckAtlas(argv[2]);
    if (what == "sounds") return CheckSounds(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "icon") return CheckIcon(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: check_art atlas FILE.bmp | check_art sounds FOLDER | check_art icon FILE.png SIZE\n");
    return 2;
}
