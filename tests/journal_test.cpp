// Reading journals: a kept one reads whole; one cut short, damaged or made
// up is refused with where and why, and never read as a whole game; a
// message's fields read as recorded; and a recording that stops at its cap.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "journal_bytes.h"
#include "platform/posix/journal_parts.h"

namespace {

std::string KeptJournal() {
    std::ifstream in(KUBRASK_SOURCE_DIR "/tests/journals/short-game.journal", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Header(const std::string& version) {
    std::string payload;
    PutVarint(payload, version.size());
    payload += version;
    PutVarint(payload, 0);  // no files kept
    return std::string("KBRJ\x01", 5) + Chunk(payload);
}

std::string Refusal(const std::string& bytes) {
    JournalFile journal;
    std::string error;
    return ReadJournal(bytes, &journal, &error) ? "(read)" : error;
}

}  // namespace

TEST(Journal, KeptGameReadsWhole) {
    const std::string bytes = KeptJournal();
    ASSERT_GT(bytes.size(), 100u);
    JournalFile journal;
    std::string error;
    ASSERT_TRUE(ReadJournal(bytes, &journal, &error)) << error;
    EXPECT_TRUE(journal.complete);
    EXPECT_EQ(journal.rulesName, "1.0.0");  // kept before the rules had a number of their own
    EXPECT_EQ(journal.rules, KubraskRules);
    ASSERT_EQ(journal.files.size(), 2u);
    EXPECT_EQ(journal.files[0].name, "random.txt");
    EXPECT_TRUE(journal.files[0].present);
    EXPECT_EQ(journal.files[0].bytes, "56");  // the planned board's counter
    EXPECT_EQ(journal.files[1].name, "Kubrask.data");
    EXPECT_FALSE(journal.files[1].present);
    EXPECT_EQ(journal.records.size(), journal.offsets.size());
}

TEST(Journal, RefusesWhatIsNoJournalOfThisGame) {
    EXPECT_EQ(Refusal(""), "is not a Kubrask journal");
    EXPECT_EQ(Refusal("KBRJ"), "is not a Kubrask journal");
    EXPECT_EQ(Refusal("RIFF\x01 and the rest"), "is not a Kubrask journal");
    EXPECT_EQ(Refusal(std::string("KBRJ\x02", 5)), "is a journal of format 2, and this game reads format 1");
    EXPECT_EQ(Refusal(std::string("KBRJ\x01", 5)), "is cut short before its header");
    EXPECT_EQ(Refusal(Header("0.9")), "was recorded under other rules (Kubrask 0.9) than this game's (rules 1)");
    EXPECT_EQ(Refusal(Header("rules 2")), "was recorded under other rules (rules 2) than this game's (rules 1)");
    EXPECT_EQ(Refusal(Header("rules 1x")), "was recorded under other rules (rules 1x) than this game's (rules 1)");
    EXPECT_EQ(Refusal(Header(RulesName())), "(read)");
    EXPECT_EQ(Refusal(Header("1.0.0")), "(read)");
    // Checksums right, records made up: a tag no recorder writes, a varint
    // running off its chunk, a file read from outside the game's folder.
    EXPECT_EQ(Refusal(Header(RulesName()) + Chunk("\x7f")),
              "is damaged at byte 20 in the chunk at byte 19: a record makes no sense there");
    EXPECT_NE(Refusal(Header(RulesName()) + Chunk("\x02\xff")).find("a record makes no sense"), std::string::npos);
    EXPECT_NE(Refusal(Header(RulesName()) + Chunk(std::string("\x0d\x0b/etc/passwd\x01\x01", 15))).find("makes no sense"),
              std::string::npos);
    // Nothing after the end.
    EXPECT_NE(Refusal(Header(RulesName()) + Chunk(std::string("\x0f\x00\x00\x00\x01", 5))).find("goes on after its end"),
              std::string::npos);
}

// Cut anywhere in its last thousand bytes, the journal is either refused as cut
// short, at the byte where it ends, or read as a game that did not end.
TEST(Journal, CutAnywhereIsNeverAWholeGame) {
    const std::string bytes = KeptJournal();
    int boundaries = 0;
    for (size_t size = std::max<size_t>(bytes.size() > 1000 ? bytes.size() - 1000 : 0, 64); size < bytes.size(); ++size) {
        JournalFile journal;
        std::string error;
        if (ReadJournal(bytes.substr(0, size), &journal, &error)) {
            EXPECT_FALSE(journal.complete) << "cut at " << size;
            ++boundaries;
        } else {
            EXPECT_EQ(error.rfind("is cut short at byte " + std::to_string(size) + ", in the chunk that starts at byte ", 0), 0u)
                << error;
        }
    }
    EXPECT_GT(boundaries, 0);
}

// A changed byte is found in the chunk that holds it (or, in a chunk's
// length, as a chunk running past the end or a checksum that fails).
TEST(Journal, DamageIsFoundWhereItIs) {
    const std::string bytes = KeptJournal();
    std::mt19937 random(20261209);
    for (int trial = 0; trial < 300; ++trial) {
        std::string damaged = bytes;
        const size_t at = 5 + random() % (bytes.size() - 5);
        damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
        JournalFile journal;
        std::string error;
        ASSERT_FALSE(ReadJournal(damaged, &journal, &error)) << "a change at byte " << at << " went unseen";
        size_t first = 0, last = 0;
        if (std::sscanf(error.c_str(), "is damaged in the chunk at bytes %zu to %zu", &first, &last) == 2) {
            EXPECT_LE(first, at);
            EXPECT_GE(last, at);
        } else {
            EXPECT_EQ(error.rfind("is cut short", 0), 0u) << error << " for a change at byte " << at;
        }
    }
}

// The fields of a message are read as they were: a pad's position or a size
// in lParam, signed, and wParam as it is.
TEST(Journal, MessagesReadAsRecorded) {
    std::string records;
    const int64_t lParams[] = {0, 1, 0x7fff7fff, -1, -0x12345678, 0x0001fffe};
    for (int64_t lParam : lParams) {
        records += '\x05';  // a message sent
        PutVarint(records, 0x3a0);  // MM_JOY1MOVE
        PutVarint(records, 3);
        PutVarint(records, journal_format::ZigZag(lParam));
    }
    JournalFile journal;
    std::string error;
    ASSERT_TRUE(ReadJournal(Header(RulesName()) + Chunk(records), &journal, &error)) << error;
    ASSERT_EQ(journal.records.size(), std::size(lParams));
    for (size_t i = 0; i < std::size(lParams); ++i) {
        EXPECT_EQ(journal.records[i].a, 0x3a0);
        EXPECT_EQ(journal.records[i].b, 3);
        EXPECT_EQ(journal.records[i].c, lParams[i]) << "message " << i;
    }
}

// A run's journal never passes its cap, however long the run: the records
// that would take it past are not written, and the game plays on unrecorded.
TEST(Journal, RecordingStopsAtItsCap) {
    char folder[] = "/tmp/kubrask-journal-cap-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    char name[] = "kubrask";
    char* argv[] = {name, nullptr};
    StartJournal(1, argv);
    ASSERT_EQ(JournalRun, JournalMode::Record);
    // Clock readings a steady pace does not predict: seven bytes or so
    // each, in one chunk of well over the cap.
    std::mt19937_64 random(7);
    LONGLONG reading = 0;
    for (int i = 0; i < 200000; ++i) JournalClock(reading += static_cast<LONGLONG>(random() % 1000000000000ull));
    EXPECT_EQ(FinishJournal(0), 0);
    EXPECT_EQ(JournalRun, JournalMode::Off);
    bool read = false;
    const std::string kept = ReadWhole("Kubrask.journal", &read);
    ASSERT_TRUE(read);
    EXPECT_GT(kept.size(), 5u);
    EXPECT_LE(kept.size(), JournalLimit);
    JournalFile journal;
    std::string error;
    EXPECT_TRUE(ReadJournal(kept, &journal, &error)) << error;
    EXPECT_FALSE(journal.complete);  // its end lay past the cap
    std::remove("Kubrask.journal");
    ASSERT_EQ(chdir(here), 0);
    rmdir(folder);
}
