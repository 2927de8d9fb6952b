#include "app/launch_counter.h"

#include <cctype>
#include <cstdio>

namespace {

const char CounterFile[] = "random.txt";
const uint32_t CounterLimit = 1000000;

uint32_t GeneratorState = 1;

// An unsigned decimal number from the start of the file, read as a 32-bit
// strtoul reads it: a minus sign negates modulo 2^32, and a number too large
// for 32 bits, or none at all, reads as 4294967295.
uint32_t ReadCounter(std::FILE* file) {
    int c = std::fgetc(file);
    while (c != EOF && std::isspace(c)) c = std::fgetc(file);
    bool negative = c == '-';
    if (c == '-' || c == '+') c = std::fgetc(file);
    if (c == EOF || !std::isdigit(c)) return UINT32_MAX;
    uint64_t value = 0;
    for (; c != EOF && std::isdigit(c); c = std::fgetc(file)) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    uint32_t n = static_cast<uint32_t>(value);
    return negative ? 0u - n : n;
}

void WriteCounter(uint32_t n) {
    std::FILE* file = std::fopen(CounterFile, "w");
    if (file == nullptr) return;
    std::fprintf(file, "%u", static_cast<unsigned>(n));
    std::fclose(file);
}

}  // namespace

void RandomSeed(uint32_t seed) { GeneratorState = seed; }

int RandomNext() {
    GeneratorState = GeneratorState * 214013u + 2531011u;
    return static_cast<int>((GeneratorState >> 16) & 0x7FFF);
}

void SeedFromLaunchCounter() {
    std::FILE* file = std::fopen(CounterFile, "r");
    if (file == nullptr) {
        std::FILE* fresh = std::fopen(CounterFile, "w");
        if (fresh == nullptr) return;  // neither readable nor writable: stay unseeded
        std::fputs("0", fresh);
        std::fclose(fresh);
        RandomSeed(0);
        return;
    }
    uint32_t n = ReadCounter(file) + 1;
    if (n > CounterLimit) n = 0;
    RandomSeed(n);  // before writing, so the seed holds even if the write fails
    std::fclose(file);
    WriteCounter(n);
}
