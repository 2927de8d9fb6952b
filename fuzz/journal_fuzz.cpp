// Any bytes at all as a journal, read by the replay's reader: refused with a
// message or read, never a crash, a hang or a read past the bytes (the
// address sanitizer guards them). And the same bytes as the records of a
// chunk whose checksum is right, after a proper header, so that the records
// themselves are read: refused as records that make no sense, or read. What
// is read holds together: each record where its chunk starts, nothing after
// an end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "journal_bytes.h"
#include "platform/posix/journal.h"

namespace {

void Check(const std::string& bytes, bool recordsOnly) {
    JournalFile journal;
    std::string error;
    const bool read = ReadJournal(bytes, &journal, &error);
    if (!read && error.empty()) std::abort();
    if (!read && recordsOnly && error.find("makes no sense") == std::string::npos &&
        error.find("after its end") == std::string::npos)
        std::abort();
    if (read && journal.records.size() != journal.offsets.size()) std::abort();
    for (size_t i = 0; read && i < journal.records.size(); ++i)
        if (journal.offsets[i] >= bytes.size() || (journal.records[i].tag == 15 && i + 1 != journal.records.size()))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes, false);
    std::string header;
    PutVarint(header, RulesName().size());
    header += RulesName();
    PutVarint(header, 0);
    Check(std::string("KBRJ\x01", 5) + Chunk(header) + Chunk(bytes), true);
    return 0;
}
