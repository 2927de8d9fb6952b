// Any bytes at all as "random.txt", read and advanced by the launch counter:
// afterwards the file holds exactly the decimal digits of the seed (no sign,
// no leading zero, nothing else), the seed is at most 1000000, a file that
// starts with a number n gives n + 1 (0 once n + 1 is past 1000000), a file
// that starts with anything but a number, blanks or a sign gives 0, and no
// new file is left beside it.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/launch_counter.h"
#include "fuzz_folder.h"

namespace {

// The next numbers of the generator, which it draws on.
void Draw(int (&numbers)[3]) {
    for (int& number : numbers) number = RandomNext();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LeaveScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string after;
    bool leftBehind;
    RandomSeed(12345);  // no counter value gives this state
    {
        InScratchFolder folder;
        WriteWholeFile("random.txt", bytes);
        SeedFromLaunchCounter();
        after = ReadWholeFile("random.txt");
        leftBehind = FileThere("random.txt.new");
    }
    int drawn[3];
    Draw(drawn);

    if (leftBehind || after.empty() || after.size() > 7) std::abort();
    if (after.size() > 1 && after[0] == '0') std::abort();
    uint32_t written = 0;
    for (char c : after) {
        if (c < '0' || c > '9') std::abort();
        written = written * 10 + static_cast<uint32_t>(c - '0');
    }
    if (written > 1000000) std::abort();
    int expected[3];
    RandomSeed(written);  // the seed is the value written
    Draw(expected);
    for (int k = 0; k < 3; ++k)
        if (drawn[k] != expected[k]) std::abort();

    if (size > 0 && std::isdigit(data[0])) {
        uint64_t n = 0;
        for (size_t at = 0; at < size && std::isdigit(data[at]) && n < 1000000; ++at) n = n * 10 + (data[at] - '0');
        if (written != (n < 1000000 ? n + 1 : 0)) std::abort();
    }
    const bool blankOrSign = size > 0 && (std::isspace(data[0]) || data[0] == '+' || data[0] == '-');
    if (!blankOrSign && (size == 0 || !std::isdigit(data[0])) && written != 0) std::abort();
    return 0;
}
