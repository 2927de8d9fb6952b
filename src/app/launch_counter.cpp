#include "app/launch_counter.h"

#include <cctype>
#include <cstdio>

#include "platform/win32.h"

namespace {

const char CounterFile[] = "random.txt";
const char NewCounterFile[] = "random.txt.new";
const uint32_t CounterLimit = 1000000;

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

// Whether the counter can be written where it is. It is written through a
// new file and a rename, and a rename would replace even a file that cannot
// be written (a read-only one, say): such a file keeps its content, as it
// did when it was rewritten in place. Opening to append truncates nothing.
bool CounterWritable() {
    std::FILE* file = std::fopen(CounterFile, "a");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// The new value is written whole beside the old one and then put in its
// place in one step, so a crash or a full disk leaves the old value or the
// new one, never an empty or half-written file.
void WriteCounter(uint32_t n) {
    std::FILE* file = std::fopen(NewCounterFile, "w");
    if (file == nullptr) return;
    bool written = std::fprintf(file, "%u", static_cast<unsigned>(n)) > 0;
    written = std::fclose(file) == 0 && written;
    if (!written || !MoveFileExA(NewCounterFile, CounterFile, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        std::remove(NewCounterFile);
}

}  // namespace

void SeedFromLaunchCounter() {
    std::FILE* file = std::fopen(CounterFile, "r");
    if (file == nullptr) {
        if (!CounterWritable()) return;  // neither readable nor writable: stay unseeded
        RandomSeed(0);
        WriteCounter(0);
        return;
    }
    uint32_t n = ReadCounter(file) + 1;
    if (n > CounterLimit) n = 0;
    RandomSeed(n);  // before writing, so the seed holds even if the write fails
    std::fclose(file);
    if (CounterWritable()) WriteCounter(n);
}
