// The journal: recording a run, and playing one again. See journal.h for
// what is kept and the file's layout.
#include "platform/posix/journal.h"

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#ifndef KUBRASK_VERSION
#error "KUBRASK_VERSION names the game's version"
#endif

JournalMode JournalRun = JournalMode::Off;

namespace {

const char Magic[4] = {'K', 'B', 'R', 'J'};
const int FormatVersion = 1;
// The player's files the game reads at its start, kept whole.
const char* const PlayerFiles[] = {"random.txt", "Kubrask.data"};

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

uint64_t Fnv64(const void* data, size_t size, uint64_t hash = 0xcbf29ce484222325ull) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

uint32_t Fnv32(const std::string& data) {
    uint32_t hash = 0x811c9dc5u;
    for (unsigned char c : data) hash = (hash ^ c) * 0x01000193u;
    return hash;
}

uint64_t ZigZag(int64_t n) { return (static_cast<uint64_t>(n) << 1) ^ static_cast<uint64_t>(n >> 63); }
int64_t UnZigZag(uint64_t n) { return static_cast<int64_t>(n >> 1) ^ -static_cast<int64_t>(n & 1); }

void PutVarint(std::string& out, uint64_t n) {
    while (n >= 0x80) {
        out += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    out += static_cast<char>(n);
}

void PutText(std::string& out, const std::string& text) {
    PutVarint(out, text.size());
    out += text;
}

// Reads what PutVarint wrote from bytes [at, end); false when it runs past
// the end or is longer than 64 bits hold.
bool GetVarint(const std::string& in, size_t& at, size_t end, uint64_t* n) {
    *n = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at >= end) return false;
        unsigned char c = static_cast<unsigned char>(in[at++]);
        if (shift == 63 && c > 1) return false;
        *n |= static_cast<uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80)) return true;
    }
    return false;
}

bool GetText(const std::string& in, size_t& at, size_t end, std::string* text) {
    uint64_t size;
    if (!GetVarint(in, at, end, &size) || size > end - at) return false;
    *text = in.substr(at, size);
    at += size;
    return true;
}

LONGLONG RealNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A file's bytes; `ok` says whether it could be read. (C's files, not
// streams: streams bring their locales into the browser's build.)
std::string ReadWhole(const std::string& path, bool* ok) {
    std::string bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    *ok = file != nullptr;
    if (file == nullptr) return bytes;
    char block[8192];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    *ok = !std::ferror(file);
    std::fclose(file);
    return bytes;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Everything of the run's journal; built on first use, since the game's
// first calls come from constructors of its own.
struct Journal {
    uint64_t (*digest)() = nullptr;
    int32_t (*score)() = nullptr;
    uint32_t frames = 0;
    // Recording.
    std::string chunk;          // records not yet written out
    bool pollPending = false;   // a poll not yet written, in case a clock reading follows
    LONGLONG lastClock = 0, lastStep = 0;  // to predict the next reading
    LONGLONG lastWritten = 0;   // real time of the last write
    DLGPROC dialogProcedure = nullptr;
    // Replaying.
    std::string path;
    JournalFile file;
    size_t next = 0;            // the next record to play
    double speed = 1.0;
    bool printFrames = false;
    bool printCaptions = false;
    LONGLONG firstClock = -1;   // the journal's first clock reading
    bool stopped = false;       // the watcher has stopped
    std::string folder;         // where the replay keeps its files
    LONGLONG paceReal = -1, paceRecorded = 0, lastShown = 0;
    HWND__ dialog;              // stands in for the dialog's window
    bool dialogOpen = false, dialogEnded = false;
    INT_PTR dialogResult = 0;
};

Journal& J() {
    static Journal journal;
    return journal;
}

bool Replaying() { return JournalRun == JournalMode::Watch || JournalRun == JournalMode::Check; }

// --- Recording -------------------------------------------------------------

void WriteChunk(const std::string& payload) {
    std::string out;
    PutVarint(out, payload.size());
    out += payload;
    uint32_t sum = Fnv32(payload);
    for (int i = 0; i < 4; ++i) out += static_cast<char>(sum >> (8 * i));
    WriteJournalOutput(reinterpret_cast<const unsigned char*>(out.data()), out.size());
}

void FlushPoll() {
    Journal& j = J();
    if (j.pollPending) j.chunk += static_cast<char>(Poll);
    j.pollPending = false;
}

void Flush() {
    Journal& j = J();
    FlushPoll();
    if (!j.chunk.empty()) WriteChunk(j.chunk);
    j.chunk.clear();
    j.lastWritten = RealNanoseconds();
}

// Starts a record: a pending poll goes first.
std::string& Record(Tag tag) {
    FlushPoll();
    J().chunk += static_cast<char>(tag);
    return J().chunk;
}

void FlushAtExit() {
    if (JournalRun == JournalMode::Record) Flush();
}

void StartRecording() {
    if (!OpenJournalOutput()) return;
    JournalRun = JournalMode::Record;
    std::string header;
    PutText(header, KUBRASK_VERSION);
    PutVarint(header, std::size(PlayerFiles));
    for (const char* name : PlayerFiles) {
        PutText(header, name);
        bool present = false;
        std::string bytes = ReadWhole(name, &present);
        header += static_cast<char>(present ? 1 : 0);
        PutText(header, bytes);
    }
    std::string start(Magic, sizeof Magic);
    start += static_cast<char>(FormatVersion);
    WriteJournalOutput(reinterpret_cast<const unsigned char*>(start.data()), start.size());
    WriteChunk(header);
    J().lastWritten = RealNanoseconds();
    std::atexit(FlushAtExit);
}

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) Record(DialogInit);
    if (message == WM_COMMAND) PutVarint(Record(Command), LOWORD(wParam));
    return J().dialogProcedure(dialog, message, wParam, lParam);
}

// --- Replaying -------------------------------------------------------------

uint64_t StateDigest() { return J().digest != nullptr ? J().digest() : 0; }

[[noreturn]] void Refuse(const std::string& message) {
    std::fprintf(stderr, "kubrask: %s\n", message.c_str());
    std::exit(2);
}

size_t RecordOffset() {
    const Journal& j = J();
    return j.next < j.file.offsets.size() ? j.file.offsets[j.next] : 0;
}

[[noreturn]] void Diverged(const std::string& what) {
    Refuse("the game went another way than " + J().path + " at frame " + std::to_string(J().frames) +
           " (the chunk at byte " + std::to_string(RecordOffset()) + "): " + what +
           "; it was recorded by a game whose rules differ, or it is damaged");
}

const char* TagName(int tag) {
    static const char* const names[TagCount] = {
        "nothing", "a poll", "a clock reading", "a poll and a clock reading", "a millisecond reading",
        "a message sent", "a message queued", "a box or the dialog", "a box's answer", "the dialog's start",
        "a button of the dialog", "the dialog's text", "the dialog's end", "a file read", "a check", "the end"};
    return tag > 0 && tag < TagCount ? names[tag] : names[0];
}

int PeekTag() {
    const Journal& j = J();
    return j.next < j.file.records.size() ? j.file.records[j.next].tag : 0;
}

// The next record, which must be of the tag given. A journal that ends
// before its game did was cut short: it is played to there.
void DeliverRecordedMessages();

const JournalRecord& Expect(int tag) {
    Journal& j = J();
    // A message that came outside a poll (a pad's first report, made as the
    // window is) is delivered as the replay reads on.
    if (tag != Send && tag != Post) DeliverRecordedMessages();
    if (j.next >= j.file.records.size()) {
        std::fflush(stdout);
        std::fprintf(stderr, "kubrask: %s ends at frame %u, before its game did (the game was stopped or crashed)\n",
                     j.path.c_str(), j.frames);
        std::exit(3);
    }
    if (j.file.records[j.next].tag != tag)
        Diverged(std::string("the game asked for ") + TagName(tag) + " and the journal holds " +
                 TagName(j.file.records[j.next].tag));
    return j.file.records[j.next++];
}

HWND GameWindowOfLayer() { return LiveWindows().empty() ? nullptr : LiveWindows().front(); }

// The messages the journal holds at this point, delivered as they were.
void DeliverRecordedMessages() {
    Journal& j = J();
    while (PeekTag() == Send || PeekTag() == Post) {
        const JournalRecord& r = j.file.records[j.next++];
        HWND window = GameWindowOfLayer();
        if (window == nullptr) continue;
        UINT message = static_cast<UINT>(r.a);
        // A watched game keeps the size of the window it is watched in.
        if (JournalRun == JournalMode::Watch && message == WM_SIZE && r.b == SIZE_RESTORED) continue;
        if (r.tag == Post)
            QueueMessage(window, message, static_cast<WPARAM>(r.b), static_cast<LPARAM>(r.c));
        else
            SendMessageA(window, message, static_cast<WPARAM>(r.b), static_cast<LPARAM>(r.c));
    }
}

// Watching: the clock reading is given when its time has come.
void Pace(LONGLONG recorded) {
    Journal& j = J();
    if (JournalRun != JournalMode::Watch || j.stopped) return;
    if (j.paceReal < 0) {
        j.paceReal = RealNanoseconds();
        j.paceRecorded = recorded;
    }
    const LONGLONG due = j.paceReal + static_cast<LONGLONG>(static_cast<double>(recorded - j.paceRecorded) / j.speed);
    for (LONGLONG now = RealNanoseconds(); now < due && !j.stopped; now = RealNanoseconds())
        WaitForWatcher(static_cast<int>(std::min<LONGLONG>((due - now + 999999) / 1000000, 50)));
}

void RemoveReplayFolder() {
    const std::string& folder = J().folder;
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlink((folder + "/" + entry->d_name).c_str());
        closedir(dir);
    }
    rmdir(folder.c_str());
}

// The replay runs in a folder of its own holding the recorded files and a
// link to the art, so nothing of the player's is read or changed.
void StartReplay(const std::string& path) {
    Journal& j = J();
    j.path = path;
    bool ok = false;
    std::string bytes = ReadWhole(path, &ok);
    if (!ok) Refuse("cannot read " + path + ": " + std::strerror(errno));
    std::string error;
    if (!ReadJournal(bytes, &j.file, &error)) Refuse(path + " " + error);
    for (const JournalRecord& r : j.file.records) {
        if (r.tag != FileRead) continue;
        std::string art = ReadWhole(r.text, &ok);
        if (!ok || art.size() != static_cast<uint64_t>(r.a) ||
            Fnv64(art.data(), art.size()) != static_cast<uint64_t>(r.b))
            Refuse(path + " was played with other art than this game's: " + r.text +
                   (ok ? " differs" : " is missing here"));
    }
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr) Refuse(std::string("cannot tell the folder it runs in: ") + std::strerror(errno));
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/kubrask-replay-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) Refuse("cannot make a folder for the replay: " + std::string(std::strerror(errno)));
    j.folder = pattern;
    std::atexit(RemoveReplayFolder);
    for (const JournalFile::Saved& saved : j.file.files) {
        if (!saved.present) continue;
        if (!WriteWhole(j.folder + "/" + saved.name, saved.bytes))
            Refuse("cannot write the replay's " + saved.name + " in " + j.folder);
    }
    if (symlink((std::string(here) + "/Data").c_str(), (j.folder + "/Data").c_str()) != 0 ||
        chdir(j.folder.c_str()) != 0)
        Refuse("cannot set up the replay's folder " + j.folder + ": " + std::strerror(errno));
}

void CheckFrame() {
    Journal& j = J();
    if (j.printFrames) std::printf("frame %u %016llx\n", j.frames, static_cast<unsigned long long>(StateDigest()));
    if (PeekTag() != Check) return;
    const JournalRecord& r = Expect(Check);
    if (static_cast<uint32_t>(r.a) != j.frames)
        Diverged("the journal checks frame " + std::to_string(r.a) + " here");
    if (static_cast<uint64_t>(r.b) != StateDigest()) Diverged("the state differs from the one recorded");
}

}  // namespace

// --- The run ---------------------------------------------------------------

void StartJournal(int argc, char** argv) {
    Journal& j = J();
    const char* replay = nullptr;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--replay" && i + 1 < argc) {
            replay = argv[++i];
        } else if (arg == "--speed" && i + 1 < argc) {
            j.speed = std::strtod(argv[++i], nullptr);
            if (!(j.speed > 0 && j.speed <= 1000)) Refuse("--speed takes a number above 0 and at most 1000");
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--frames") {
            j.printFrames = true;
        } else if (arg == "--captions") {
            j.printCaptions = true;
        }
    }
    if (replay == nullptr) {
        StartRecording();
        return;
    }
    JournalRun = check ? JournalMode::Check : JournalMode::Watch;
    StartReplay(replay);
}

int FinishJournal(int exitCode) {
    Journal& j = J();
    if (JournalRun == JournalMode::Record) {
        std::string& out = Record(End);
        PutVarint(out, ZigZag(exitCode));
        PutVarint(out, j.frames);
        PutVarint(out, StateDigest());
        Flush();
        JournalRun = JournalMode::Off;
        return exitCode;
    }
    if (!Replaying()) return exitCode;
    const int32_t score = j.score != nullptr ? j.score() : 0;
    if (j.stopped) {
        std::printf("stopped watching %s at frame %u: score %d, state %016llx\n", j.path.c_str(), j.frames, score,
                    static_cast<unsigned long long>(StateDigest()));
        return 0;
    }
    const JournalRecord& end = Expect(End);
    if (UnZigZag(static_cast<uint64_t>(end.a)) != exitCode || static_cast<uint32_t>(end.b) != j.frames ||
        static_cast<uint64_t>(end.c) != StateDigest())
        Diverged("the game ended otherwise than recorded");
    std::printf("replayed %s: %u frames, score %d, state %016llx, as recorded\n", j.path.c_str(), j.frames, score,
                static_cast<unsigned long long>(StateDigest()));
    return 0;
}

std::vector<std::string> ArgumentLines(char* joined) {
    std::string all = joined;
    std::free(joined);
    std::vector<std::string> args;
    for (size_t start = 0; !all.empty() && start <= all.size();) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

void SetStateDigest(uint64_t (*digest)(), int32_t (*score)()) {
    J().digest = digest;
    J().score = score;
}

LONGLONG JournalClock(LONGLONG reading) {
    Journal& j = J();
    if (JournalRun == JournalMode::Record) {
        const LONGLONG expected = j.lastClock + j.lastStep;
        if (j.pollPending) {
            j.pollPending = false;
            j.chunk += static_cast<char>(PollClock);
        } else {
            Record(Clock);
        }
        PutVarint(j.chunk, ZigZag(reading - expected));
        j.lastStep = reading - j.lastClock;
        j.lastClock = reading;
        return reading;
    }
    if (!Replaying() || j.stopped) return Replaying() ? j.lastClock : reading;
    const LONGLONG recorded = Expect(Clock).a;
    j.lastClock = recorded;
    if (j.firstClock < 0) j.firstClock = recorded;
    Pace(recorded);
    return recorded;
}

DWORD JournalMilliseconds(DWORD reading) {
    if (JournalRun == JournalMode::Record) PutVarint(Record(Milliseconds), reading);
    if (!Replaying() || J().stopped) return reading;
    return static_cast<DWORD>(Expect(Milliseconds).a);
}

void JournalPoll() {
    switch (JournalRun) {
        case JournalMode::Off:
            ReadLayerEvents();
            return;
        case JournalMode::Record:
            FlushPoll();
            J().pollPending = true;
            ReadLayerEvents();
            return;
        case JournalMode::Watch:
            WaitForWatcher(0);
            [[fallthrough]];
        case JournalMode::Check:
            if (J().stopped) return;
            Expect(Poll);
            DeliverRecordedMessages();
            return;
    }
}

void DeliverInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool queued) {
    if (Replaying()) return;  // the watcher's own input is not the game's
    if (JournalRun == JournalMode::Record && window == GameWindowOfLayer()) {
        std::string& out = Record(queued ? Post : Send);
        PutVarint(out, message);
        PutVarint(out, static_cast<uint64_t>(wParam));
        PutVarint(out, ZigZag(static_cast<int64_t>(lParam)));
    }
    if (queued)
        QueueMessage(window, message, wParam, lParam);
    else
        SendMessageA(window, message, wParam, lParam);
}

void JournalFrame() {
    Journal& j = J();
    ++j.frames;
    if (JournalRun == JournalMode::Record) {
        if (RealNanoseconds() - j.lastWritten < 1000000000) return;
        std::string& out = Record(Check);
        PutVarint(out, j.frames);
        PutVarint(out, StateDigest());
        Flush();
    } else if (Replaying() && !j.stopped) {
        CheckFrame();
    }
}

bool JournalFrameDue() {
    const Journal& j = J();
    return JournalRun != JournalMode::Watch || j.speed <= 1 || RealNanoseconds() - j.lastShown >= 1000000000 / 60;
}

bool JournalSkipsPresent() {
    if (!JournalFrameDue()) return true;
    J().lastShown = RealNanoseconds();
    return false;
}

void JournalFileRead(const char* name, const void* bytes, size_t size) {
    if (JournalRun == JournalMode::Record) {
        std::string& out = Record(FileRead);
        PutText(out, name);
        PutVarint(out, size);
        PutVarint(out, Fnv64(bytes, size));
    } else if (Replaying() && !J().stopped) {
        const JournalRecord& r = Expect(FileRead);
        if (r.text != name) Diverged("the game read " + std::string(name) + ", not " + r.text);
    }
}

void JournalCaption(const std::string& caption) {
    const Journal& j = J();
    if (!Replaying() || !j.printCaptions) return;
    const double seconds = j.firstClock < 0 ? 0 : static_cast<double>(j.lastClock - j.firstClock) / 1e9;
    std::printf("caption %.3f %s\n", seconds, Cp1252ToUtf8(caption).c_str());
}

void StopWatching() {
    if (JournalRun != JournalMode::Watch || J().stopped) return;
    J().stopped = true;
    PostQuitMessage(0);
}

// --- Boxes and the dialog --------------------------------------------------

// Every box, shown or played again, is also one line on standard error: the
// caption, then the text with its line breaks shown as " / ".
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::string line = Cp1252ToUtf8(caption != nullptr ? caption : "Error") + ": ";
    for (char c : Cp1252ToUtf8(text != nullptr ? text : ""))
        line += c == '\n' ? std::string(" / ") : c == '\r' ? "" : std::string(1, c);
    std::fprintf(stderr, "%s\n", line.c_str());
    if (Replaying() && !J().stopped) {
        // Not shown again: the game stands still for as long as the box was
        // open, as the clock's next reading says.
        Expect(ModalStart);
        DeliverRecordedMessages();
        return static_cast<int>(UnZigZag(static_cast<uint64_t>(Expect(Box).a)));
    }
    if (JournalRun == JournalMode::Record) Record(ModalStart);
    int answer = LayerMessageBox(owner, text, caption, type);
    if (JournalRun == JournalMode::Record) PutVarint(Record(Box), ZigZag(answer));
    return answer;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                               LPARAM initParam) {
    Journal& j = J();
    if (Replaying() && !j.stopped) {
        Expect(ModalStart);
        DeliverRecordedMessages();
        if (PeekTag() == DialogInit) {
            Expect(DialogInit);
            j.dialogOpen = true;
            j.dialogEnded = false;
            procedure(&j.dialog, WM_INITDIALOG, 0, initParam);
            while (!j.dialogEnded && !j.stopped) {
                DeliverRecordedMessages();
                if (j.dialogEnded) break;
                WORD id = static_cast<WORD>(Expect(Command).a);
                procedure(&j.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            }
            procedure(&j.dialog, WM_DESTROY, 0, 0);
            j.dialogOpen = false;
        }
        const INT_PTR recorded = static_cast<INT_PTR>(UnZigZag(static_cast<uint64_t>(Expect(DialogEnd).a)));
        if (j.dialogEnded && recorded != j.dialogResult) Diverged("the dialog ended otherwise than recorded");
        return recorded;
    }
    if (JournalRun != JournalMode::Record) return LayerDialogBox(instance, templateName, owner, procedure, initParam);
    Record(ModalStart);
    j.dialogProcedure = procedure;
    INT_PTR result = LayerDialogBox(instance, templateName, owner, RecordingDialogProc, initParam);
    PutVarint(Record(DialogEnd), ZigZag(result));
    return result;
}

BOOL WINAPI EndDialog(HWND window, INT_PTR result) {
    Journal& j = J();
    if (window != &j.dialog) return LayerEndDialog(window, result);
    if (!j.dialogOpen) return FALSE;
    j.dialogEnded = true;
    j.dialogResult = result;
    return TRUE;
}

BOOL WINAPI SetDlgItemTextA(HWND window, int id, LPCSTR text) {
    if (window == &J().dialog) return J().dialogOpen;
    return LayerSetDlgItemText(window, id, text);
}

UINT WINAPI GetDlgItemTextA(HWND window, int id, LPSTR text, int maxCount) {
    if (window == &J().dialog) {
        if (!J().dialogOpen || text == nullptr || maxCount < 1) return 0;
        return static_cast<UINT>(CopyText(Expect(Text).text, text, maxCount));
    }
    UINT length = LayerGetDlgItemText(window, id, text, maxCount);
    if (JournalRun == JournalMode::Record && text != nullptr && maxCount > 0) PutText(Record(Text), text);
    return length;
}

// --- Reading ---------------------------------------------------------------

bool ReadJournal(const std::string& bytes, JournalFile* journal, std::string* error) {
    *journal = JournalFile{};
    if (bytes.size() < 5 || bytes.compare(0, 4, Magic, 4) != 0) {
        *error = "is not a Kubrask journal";
        return false;
    }
    if (bytes[4] != FormatVersion) {
        *error = "is a journal of format " + std::to_string(static_cast<unsigned char>(bytes[4])) +
                 ", and this game reads format " + std::to_string(FormatVersion);
        return false;
    }
    LONGLONG lastClock = 0, lastStep = 0;
    for (size_t at = 5, chunkNumber = 0; at < bytes.size(); ++chunkNumber) {
        const size_t chunkStart = at;
        uint64_t size;
        auto fail = [&](const std::string& what) {
            *error = what;
            return false;
        };
        if (!GetVarint(bytes, at, bytes.size(), &size) || size > bytes.size() - at || bytes.size() - at - size < 4)
            return fail("is cut short at byte " + std::to_string(bytes.size()) + ", in the chunk that starts at byte " +
                        std::to_string(chunkStart));
        const std::string payload = bytes.substr(at, size);
        const size_t sumAt = at + size;
        uint32_t sum = 0;
        for (int i = 0; i < 4; ++i) sum |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[sumAt + i])) << (8 * i);
        if (sum != Fnv32(payload))
            return fail("is damaged in the chunk at bytes " + std::to_string(chunkStart) + " to " +
                        std::to_string(sumAt + 3));
        const std::string where = " in the chunk at byte " + std::to_string(chunkStart);
        size_t p = 0;
        const size_t end = payload.size();
        if (chunkNumber == 0) {
            uint64_t count;
            if (!GetText(payload, p, end, &journal->version) || !GetVarint(payload, p, end, &count) || count > 16)
                return fail("has a header that makes no sense" + where);
            if (journal->version != KUBRASK_VERSION)
                return fail("was recorded by Kubrask " + journal->version + ", whose rules may differ from Kubrask " +
                            KUBRASK_VERSION + "'s");
            for (uint64_t i = 0; i < count; ++i) {
                JournalFile::Saved saved;
                if (!GetText(payload, p, end, &saved.name) || p >= end) return fail("has a header that makes no sense" + where);
                saved.present = payload[p++] != 0;
                if (!GetText(payload, p, end, &saved.bytes)) return fail("has a header that makes no sense" + where);
                bool known = false;
                for (const char* name : PlayerFiles) known = known || saved.name == name;
                if (!known) return fail("names a file the game does not keep, \"" + saved.name + "\"" + where);
                journal->files.push_back(saved);
            }
            if (p != end) return fail("has a header that makes no sense" + where);
        }
        while (chunkNumber > 0 && p < end) {
            if (journal->complete) return fail("goes on after its end" + where);
            const size_t recordStart = p;
            JournalRecord r;
            r.tag = static_cast<unsigned char>(payload[p++]);
            uint64_t a = 0, b = 0, c = 0;
            bool ok = true;
            switch (r.tag) {
                case Poll: case ModalStart: case DialogInit:
                    break;
                case Clock: case PollClock: case Milliseconds: case Box: case Command: case DialogEnd:
                    ok = GetVarint(payload, p, end, &a);
                    break;
                case Send: case Post: case End:
                    ok = GetVarint(payload, p, end, &a) && GetVarint(payload, p, end, &b) && GetVarint(payload, p, end, &c);
                    break;
                case Check:
                    ok = GetVarint(payload, p, end, &a) && GetVarint(payload, p, end, &b);
                    break;
                case Text:
                    ok = GetText(payload, p, end, &r.text);
                    break;
                case FileRead:
                    ok = GetText(payload, p, end, &r.text) && GetVarint(payload, p, end, &a) &&
                         GetVarint(payload, p, end, &b) && !r.text.empty() && r.text.find("..") == std::string::npos &&
                         r.text[0] != '/';
                    break;
                default:
                    ok = false;
            }
            if (!ok)
                return fail("is damaged at byte " + std::to_string(at + recordStart) + where +
                            ": a record makes no sense there");
            r.a = static_cast<int64_t>(a);
            r.b = static_cast<int64_t>(b);
            r.c = static_cast<int64_t>(c);
            if (r.tag == Clock || r.tag == PollClock) {
                // Undo the prediction; a wrapping sum only comes from a made-up journal.
                r.a = static_cast<int64_t>(static_cast<uint64_t>(lastClock) + static_cast<uint64_t>(lastStep) +
                                           static_cast<uint64_t>(UnZigZag(a)));
                lastStep = static_cast<LONGLONG>(static_cast<uint64_t>(r.a) - static_cast<uint64_t>(lastClock));
                lastClock = r.a;
            }
            if (r.tag == PollClock) {
                journal->records.push_back(JournalRecord{Poll, 0, 0, 0, {}});
                journal->offsets.push_back(chunkStart);
                r.tag = Clock;
            }
            if (r.tag == End) journal->complete = true;
            journal->records.push_back(r);
            journal->offsets.push_back(chunkStart);
        }
        at = sumAt + 4;
    }
    if (journal->version.empty()) {
        *error = "is cut short before its header";
        return false;
    }
    return true;
}
