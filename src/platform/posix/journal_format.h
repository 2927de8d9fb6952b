// The journal's file: writing its pieces and reading one whole. What a
// journal holds is in journal.h; recording and replaying are
// journal_record.cpp and journal_replay.cpp. The score server reads
// journals with this alone.
//
// Layout: "KBRJ", a format byte, then chunks, each its payload's length (a
// varint), the payload and the payload's FNV-1a 32-bit checksum. The first
// chunk is the header: the rules the game followed and the player's files.
// The rest hold records, a tag byte each with varint fields (signed ones
// zig-zag encoded), written out once a second so that a crash loses at most
// the last second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The rules a journal's game followed: everything that decides its course
// from what it reads (the board, the dice, the walker, the clock, the
// controls, the random numbers). Raised whenever a change could make a kept
// journal play another way; a release that changes none of that keeps it,
// and plays every journal kept before it.
const int KubraskRules = 1;

// A journal's whole size, at most: the recorder stops there (an hour and a
// half of play), and the score server takes nothing larger.
const size_t JournalLimit = 1 << 20;

namespace journal_format {

const int FormatVersion = 1;
// The player's files the game reads at its start, kept whole.
extern const char* const PlayerFiles[2];

// The records' tags. A poll followed at once by a clock reading, the main
// loop's every frame, is one record of its own.
enum Tag {
    Poll = 1,      // PeekMessageA read the platform's events
    Clock,         // a: the performance counter, kept as the change from the reading expected
    PollClock,     // both of the above
    Milliseconds,  // a: the millisecond clock
    Send,          // a message sent to the game's window: a message, b wParam, c lParam
    Post,          // the same, queued
    ModalStart,    // a box or the dialog opens
    Box,           // a: a box's answer
    DialogInit,    // the dialog's procedure was given WM_INITDIALOG
    Command,       // a: a button of the dialog was pressed
    Text,          // text: what the dialog's field held
    DialogEnd,     // a: the dialog's result
    FileRead,      // text: a file read through a mapping, a its size, b its digest
    Check,         // a frame number, b the state's digest after it
    End,           // a the exit code, b the frames, c the final state's digest
    TagCount
};
const char* TagName(int tag);

uint64_t Fnv64(const void* data, size_t size);
uint64_t ZigZag(int64_t n);
int64_t UnZigZag(uint64_t n);
void PutVarint(std::string& out, uint64_t n);
void PutText(std::string& out, const std::string& text);
// The journal's first bytes, and a chunk around `payload`.
std::string Start();
std::string Chunk(const std::string& payload);

}  // namespace journal_format

// A journal read: the records in order, each a tag and its fields, signed
// ones decoded. Reading fails with the message to show, which begins with
// what the journal "is" or "was".
struct JournalRecord {
    int tag = 0;
    int64_t a = 0, b = 0, c = 0;
    std::string text;
};
struct JournalFile {
    std::string rulesName;  // as the header names them
    int rules = 0;          // their number, 0 for rules this game does not know
    struct Saved {
        std::string name;
        bool present;
        std::string bytes;
    };
    std::vector<Saved> files;  // the player's files at the start
    std::vector<JournalRecord> records;
    std::vector<size_t> offsets;  // where each record's chunk starts in the file
    std::vector<size_t> ends;     // and where it ends
    bool complete = false;        // it holds the run's end
};
// The header's name for the rules this game plays.
std::string RulesName();
// What is wrong with a journal that cannot be read.
enum class JournalFault { Readable, NotAJournal, CutShort, Damaged, OtherRules };
// Its name, as a replay's refusal and the score server give it: "cut",
// "damaged", "not a journal", "other rules".
const char* JournalFaultName(JournalFault fault);
bool ReadJournal(const std::string& bytes, JournalFile* journal, std::string* error, JournalFault* fault = nullptr);
