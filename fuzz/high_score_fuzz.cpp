// Any bytes at all as "Kubrask.data", read by the best-score loader: it must
// give the score of the first four bytes (none for a shorter file) and the
// name that follows, up to its zero byte, the file's end or its 299th
// character, as a terminated text; store nothing past NameEntryBuffer (the
// address sanitizer guards the bytes after it); and leave the file as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_folder.h"
#include "ui/high_score.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LeaveScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string after;
    std::memset(NameEntryBuffer, 'U', sizeof NameEntryBuffer);  // no terminator in it yet
    HighScore = 0x5A5A5A5A;
    {
        InScratchFolder folder;
        WriteWholeFile("Kubrask.data", bytes);
        LoadHighScore();
        after = ReadWholeFile("Kubrask.data");
    }

    int32_t score = 0;
    std::string name;
    if (size >= 4) {
        score = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                     static_cast<uint32_t>(data[3]) << 24);
        name = bytes.substr(4, 299);
        name = name.substr(0, name.find('\0'));
        if (std::memchr(NameEntryBuffer, 0, sizeof NameEntryBuffer) == nullptr) std::abort();
    }
    if (HighScore != score || HighScoreName.text == nullptr) std::abort();
    // Reads up to a terminator within 300 bytes, and never past the text's
    // own block: the sanitizer stops that.
    size_t length = strnlen(HighScoreName.text, sizeof NameEntryBuffer);
    if (length > 299 || std::string(HighScoreName.text, length) != name) std::abort();
    if (after != bytes) std::abort();  // loading never writes
    return 0;
}
