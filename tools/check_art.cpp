// Checks the art files for what the game relies on; exits non-zero and says
// what is wrong when something is off.
//
//   check_art atlas DiceTexture.bmp
//   check_art sounds FOLDER          (DiceMove.wav and DiceMatch.wav in it)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
    std::string what = argc == 3 ? argv[1] : "";
    if (what == "atlas") return CheckAtlas(argv[2]);
    if (what == "sounds") return CheckSounds(argv[2]);
    std::fprintf(stderr, "usage: check_art atlas FILE.bmp | check_art sounds FOLDER\n");
    return 2;
}
