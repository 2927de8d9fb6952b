// Recording a run's journal: the records as the run makes them, written
// out a chunk at a time, once a second and at the end, through the layer's
// output (journal.h says what is kept). A journal stops at JournalLimit:
// the game plays on unrecorded.

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/posix/journal_parts.h"

using namespace journal_format;

namespace {

struct Recording {
    std::string chunk;          // records not yet written out
    bool pollPending = false;   // a poll not yet written, in case a clock reading follows
    LONGLONG lastClock = 0, lastStep = 0;  // to predict the next reading
    LONGLONG lastWritten = 0;   // real time of the last write
    size_t written = 0;         // bytes written out
    DLGPROC dialogProcedure = nullptr;
};

Recording& R() {
    static Recording recording;
    return recording;
}

// Writes bytes out unless they would take the journal past its limit; then
// the recording ends there.
void Write(const std::string& bytes) {
    Recording& r = R();
    if (JournalRun != JournalMode::Record) return;
    if (r.written + bytes.size() > JournalLimit) {
        std::fprintf(stderr, "kubrask: the journal has reached its limit of %zu bytes; the game plays on unrecorded\n",
                     JournalLimit);
        JournalRun = JournalMode::Off;
        return;
    }
    WriteJournalOutput(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    r.written += bytes.size();
}

void FlushPoll() {
    Recording& r = R();
    if (r.pollPending) r.chunk += static_cast<char>(Poll);
    r.pollPending = false;
}

void Flush() {
    Recording& r = R();
    FlushPoll();
    if (!r.chunk.empty()) Write(Chunk(r.chunk));
    r.chunk.clear();
    r.lastWritten = RealNanoseconds();
}

// Starts a record: a pending poll goes first.
std::string& Record(Tag tag) {
    FlushPoll();
    R().chunk += static_cast<char>(tag);
    return R().chunk;
}

void FlushAtExit() {
    if (JournalRun == JournalMode::Record) Flush();
}

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (JournalRun == JournalMode::Record) {
        if (message == WM_INITDIALOG) Record(DialogInit);
        if (message == WM_COMMAND) PutVarint(Record(Command), LOWORD(wParam));
    }
    return R().dialogProcedure(dialog, message, wParam, lParam);
}

}  // namespace

bool StartRecording() {
    if (!OpenJournalOutput()) return false;
    JournalRun = JournalMode::Record;
    std::string header;
    PutText(header, RulesName());
    PutVarint(header, std::size(PlayerFiles));
    for (const char* name : PlayerFiles) {
        PutText(header, name);
        bool present = false;
        std::string bytes = ReadWhole(name, &present);
        header += static_cast<char>(present ? 1 : 0);
        PutText(header, bytes);
    }
    Write(Start() + Chunk(header));
    R().lastWritten = RealNanoseconds();
    std::atexit(FlushAtExit);
    return true;
}

void RecordClock(LONGLONG reading) {
    Recording& r = R();
    const LONGLONG expected = r.lastClock + r.lastStep;
    if (r.pollPending) {
        r.pollPending = false;
        r.chunk += static_cast<char>(PollClock);
    } else {
        Record(Clock);
    }
    PutVarint(r.chunk, ZigZag(reading - expected));
    r.lastStep = reading - r.lastClock;
    r.lastClock = reading;
}

void RecordMilliseconds(DWORD reading) { PutVarint(Record(Milliseconds), reading); }

void RecordPoll() {
    FlushPoll();
    R().pollPending = true;
}

void RecordInput(UINT message, WPARAM wParam, LPARAM lParam, bool queued) {
    std::string& out = Record(queued ? Post : Send);
    PutVarint(out, message);
    PutVarint(out, static_cast<uint64_t>(wParam));
    PutVarint(out, ZigZag(static_cast<int64_t>(lParam)));
}

void RecordFrame() {
    if (RealNanoseconds() - R().lastWritten < 1000000000) return;
    std::string& out = Record(Check);
    PutVarint(out, JournalFrames());
    PutVarint(out, JournalStateDigest());
    Flush();
}

void RecordFileRead(const char* name, const void* bytes, size_t size) {
    std::string& out = Record(FileRead);
    PutText(out, name);
    PutVarint(out, size);
    PutVarint(out, Fnv64(bytes, size));
}

void RecordModalStart() { Record(ModalStart); }
void RecordBox(int answer) { PutVarint(Record(Box), ZigZag(answer)); }

INT_PTR RecordDialog(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam) {
    Record(ModalStart);
    R().dialogProcedure = procedure;
    INT_PTR result = LayerDialogBox(instance, templateName, owner, RecordingDialogProc, initParam);
    if (JournalRun == JournalMode::Record) PutVarint(Record(DialogEnd), ZigZag(result));
    return result;
}

void RecordText(const char* text) { PutText(Record(Text), text); }

void FinishRecording(int exitCode) {
    std::string& out = Record(End);
    PutVarint(out, ZigZag(exitCode));
    PutVarint(out, JournalFrames());
    PutVarint(out, JournalStateDigest());
    Flush();
    JournalRun = JournalMode::Off;
}
