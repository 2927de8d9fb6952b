// Playing a journal again: every reading the game takes from outside is
// answered from the journal, in order, and every check it kept is held
// against the game's state. Watched, it keeps the recorded pace (or N times
// it); checked, it runs as fast as it goes. The replay runs in a folder of
// its own with the recorded files, so nothing of the player's is read or
// changed. See journal.h.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/journal_parts.h"

using namespace journal_format;

namespace {

struct Replay {
    ReplayOptions options;
    JournalFile file;
    size_t next = 0;            // the next record to play
    LONGLONG lastClock = 0;
    LONGLONG firstClock = -1;   // the journal's first clock reading
    bool stopped = false;       // the watcher has stopped
    std::string folder;         // where the replay keeps its files
    LONGLONG paceReal = -1, paceRecorded = 0, lastShown = 0;
    HWND__ dialog;              // stands in for the dialog's window
    bool dialogOpen = false, dialogEnded = false;
    INT_PTR dialogResult = 0;
    std::string typed;          // what the dialog's field held when it was read
    ReplayObserver observer;
    ReplayEnd ending;
};

Replay& P() {
    static Replay replay;
    return replay;
}

[[noreturn]] void Refuse(const char* kind, const std::string& message, int code = 2) {
    Replay& p = P();
    p.ending = ReplayEnd{kind, message};
    std::fflush(stdout);
    std::fprintf(stderr, "kubrask: %s\n", message.c_str());
    std::exit(code);
}

size_t RecordOffset() {
    const Replay& p = P();
    return p.next < p.file.offsets.size() ? p.file.offsets[p.next] : 0;
}

[[noreturn]] void Diverged(const std::string& what) {
    Refuse("went another way", "the game went another way than " + P().options.path + " at frame " +
                                   std::to_string(JournalFrames()) + " (the chunk at byte " +
                                   std::to_string(RecordOffset()) + "): " + what +
                                   "; it was recorded by a game whose rules differ, or it is damaged");
}

int PeekTag() {
    const Replay& p = P();
    return p.next < p.file.records.size() ? p.file.records[p.next].tag : 0;
}

// The messages the journal holds at this point, delivered as they were.
void DeliverRecordedMessages() {
    Replay& p = P();
    while (PeekTag() == Send || PeekTag() == Post) {
        const JournalRecord& r = p.file.records[p.next++];
        HWND window = GameWindowOfLayer();
        if (window == nullptr) continue;
        UINT message = static_cast<UINT>(r.a);
        // A watched game keeps the size of the window it is watched in.
        if (p.options.watch && message == WM_SIZE && r.b == SIZE_RESTORED) continue;
        if (r.tag == Post)
            QueueMessage(window, message, static_cast<WPARAM>(r.b), static_cast<LPARAM>(r.c));
        else
            SendMessageA(window, message, static_cast<WPARAM>(r.b), static_cast<LPARAM>(r.c));
    }
}

// The next record, which must be of the tag given. A journal that ends
// before its game did was cut short: it is played to there.
const JournalRecord& Expect(int tag) {
    Replay& p = P();
    // A message that came outside a poll (a pad's first report, made as the
    // window is) is delivered as the replay reads on.
    if (tag != Send && tag != Post) DeliverRecordedMessages();
    if (p.next >= p.file.records.size())
        Refuse("cut", p.options.path + " ends at frame " + std::to_string(JournalFrames()) +
                          ", before its game did (the game was stopped or crashed)", 3);
    if (p.file.records[p.next].tag != tag)
        Diverged(std::string("the game asked for ") + TagName(tag) + " and the journal holds " +
                 TagName(p.file.records[p.next].tag));
    return p.file.records[p.next++];
}

// Watching: the clock reading is given when its time has come; the frames
// before the one to watch from go by unseen.
void Pace(LONGLONG recorded) {
    Replay& p = P();
    if (!p.options.watch || p.stopped || JournalFrames() < p.options.from) return;
    if (p.paceReal < 0) {
        p.paceReal = RealNanoseconds();
        p.paceRecorded = recorded;
    }
    const LONGLONG due = p.paceReal + static_cast<LONGLONG>(static_cast<double>(recorded - p.paceRecorded) / p.options.speed);
    for (LONGLONG now = RealNanoseconds(); now < due && !p.stopped; now = RealNanoseconds())
        WaitForWatcher(static_cast<int>(std::min<LONGLONG>((due - now + 999999) / 1000000, 50)));
}

void RemoveReplayFolder() {
    const std::string& folder = P().folder;
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlink((folder + "/" + entry->d_name).c_str());
        closedir(dir);
    }
    rmdir(folder.c_str());
}

}  // namespace

void StartReplay(const ReplayOptions& options) {
    Replay& p = P();
    p.options = options;
    const std::string& path = options.path;
    bool ok = false;
    std::string bytes = ReadWhole(path, &ok);
    if (!ok) Refuse("unreadable", "cannot read " + path + ": " + std::strerror(errno));
    std::string error;
    JournalFault fault = JournalFault::Readable;
    if (!ReadJournal(bytes, &p.file, &error, &fault)) {
        Refuse(JournalFaultName(fault), path + " " + error);
    }
    for (const JournalRecord& r : p.file.records) {
        if (r.tag != FileRead) continue;
        std::string art = ReadWhole(r.text, &ok);
        if (!ok || art.size() != static_cast<uint64_t>(r.a) || Fnv64(art.data(), art.size()) != static_cast<uint64_t>(r.b))
            Refuse("other art", path + " was played with other art than this game's: " + r.text +
                                    (ok ? " differs" : " is missing here"));
    }
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr)
        Refuse("unreadable", std::string("cannot tell the folder it runs in: ") + std::strerror(errno));
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/kubrask-replay-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        Refuse("unreadable", "cannot make a folder for the replay: " + std::string(std::strerror(errno)));
    p.folder = pattern;
    std::atexit(RemoveReplayFolder);
    for (const JournalFile::Saved& saved : p.file.files) {
        if (!saved.present) continue;
        if (!WriteWhole(p.folder + "/" + saved.name, saved.bytes))
            Refuse("unreadable", "cannot write the replay's " + saved.name + " in " + p.folder);
    }
    if (symlink((std::string(here) + "/Data").c_str(), (p.folder + "/Data").c_str()) != 0 || chdir(p.folder.c_str()) != 0)
        Refuse("unreadable", "cannot set up the replay's folder " + p.folder + ": " + std::strerror(errno));
}

bool ReplayStopped() { return P().stopped; }

LONGLONG ReplayClock() {
    Replay& p = P();
    if (p.stopped) return p.lastClock;
    const LONGLONG recorded = Expect(Clock).a;
    p.lastClock = recorded;
    if (p.firstClock < 0) p.firstClock = recorded;
    Pace(recorded);
    return recorded;
}

DWORD ReplayMilliseconds() { return static_cast<DWORD>(Expect(Milliseconds).a); }

void ReplayPoll() {
    Replay& p = P();
    if (p.options.watch) WaitForWatcher(0);
    if (p.stopped) return;
    Expect(Poll);
    DeliverRecordedMessages();
}

void ReplayFrame() {
    Replay& p = P();
    if (p.stopped) return;
    const uint32_t frames = JournalFrames();
    if (p.options.printFrames)
        std::printf("frame %u %016llx\n", frames, static_cast<unsigned long long>(JournalStateDigest()));
    if (p.observer.frame != nullptr) p.observer.frame(frames);
    if (PeekTag() != Check) return;
    const JournalRecord& r = Expect(Check);
    if (static_cast<uint32_t>(r.a) != frames) Diverged("the journal checks frame " + std::to_string(r.a) + " here");
    if (static_cast<uint64_t>(r.b) != JournalStateDigest()) Diverged("the state differs from the one recorded");
}

bool ReplayFrameDue() {
    const Replay& p = P();
    return !p.options.watch || p.options.speed <= 1 || RealNanoseconds() - p.lastShown >= 1000000000 / 60;
}

bool ReplaySkipsPresent() {
    if (P().options.watch && JournalFrames() < P().options.from) return true;
    if (!ReplayFrameDue()) return true;
    P().lastShown = RealNanoseconds();
    return false;
}

void ReplayFileRead(const char* name) {
    if (P().stopped) return;
    const JournalRecord& r = Expect(FileRead);
    if (r.text != name) Diverged("the game read " + std::string(name) + ", not " + r.text);
}

// Not shown again: the game stands still for as long as the box was open,
// as the clock's next reading says.
int ReplayMessageBox(LPCSTR text, LPCSTR caption) {
    Expect(ModalStart);
    const Replay& p = P();
    if (p.observer.box != nullptr)
        p.observer.box(caption != nullptr ? caption : "", text != nullptr ? text : "", p.file.ends[p.next - 1]);
    DeliverRecordedMessages();
    return static_cast<int>(Expect(Box).a);
}

INT_PTR ReplayDialog(DLGPROC procedure, LPARAM initParam) {
    Replay& p = P();
    Expect(ModalStart);
    DeliverRecordedMessages();
    p.typed.clear();
    if (PeekTag() == DialogInit) {
        Expect(DialogInit);
        p.dialogOpen = true;
        p.dialogEnded = false;
        procedure(&p.dialog, WM_INITDIALOG, 0, initParam);
        while (!p.dialogEnded && !p.stopped) {
            DeliverRecordedMessages();
            if (p.dialogEnded) break;
            WORD id = static_cast<WORD>(Expect(Command).a);
            procedure(&p.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        }
        procedure(&p.dialog, WM_DESTROY, 0, 0);
        p.dialogOpen = false;
    }
    const INT_PTR recorded = static_cast<INT_PTR>(Expect(DialogEnd).a);
    if (p.dialogEnded && recorded != p.dialogResult) Diverged("the dialog ended otherwise than recorded");
    if (p.observer.dialogEnded != nullptr) p.observer.dialogEnded(recorded, p.typed);
    return recorded;
}

bool IsReplayDialog(HWND window) { return window == &P().dialog; }

BOOL ReplayEndDialog(INT_PTR result) {
    Replay& p = P();
    if (!p.dialogOpen) return FALSE;
    p.dialogEnded = true;
    p.dialogResult = result;
    return TRUE;
}

BOOL ReplaySetDlgItemText() { return P().dialogOpen; }

UINT ReplayGetDlgItemText(LPSTR text, int maxCount) {
    Replay& p = P();
    if (!p.dialogOpen || text == nullptr || maxCount < 1) return 0;
    p.typed = Expect(Text).text;
    return static_cast<UINT>(CopyText(p.typed, text, maxCount));
}

void ReplayCaption(const std::string& caption) {
    const Replay& p = P();
    if (!p.options.printCaptions) return;
    const double seconds = p.firstClock < 0 ? 0 : static_cast<double>(p.lastClock - p.firstClock) / 1e9;
    std::printf("caption %.3f %s\n", seconds, Cp1252ToUtf8(caption).c_str());
}

void StopReplay() {
    Replay& p = P();
    if (!p.options.watch || p.stopped) return;
    p.stopped = true;
    PostQuitMessage(0);
}

int FinishReplay(int exitCode) {
    Replay& p = P();
    const uint32_t frames = JournalFrames();
    if (p.stopped) {
        std::printf("stopped watching %s at frame %u: score %d, state %016llx\n", p.options.path.c_str(), frames,
                    JournalScore(), static_cast<unsigned long long>(JournalStateDigest()));
        return 0;
    }
    const JournalRecord& end = Expect(End);
    if (end.a != exitCode || static_cast<uint32_t>(end.b) != frames || static_cast<uint64_t>(end.c) != JournalStateDigest())
        Diverged("the game ended otherwise than recorded");
    std::printf("replayed %s: %u frames, score %d, state %016llx, as recorded\n", p.options.path.c_str(), frames,
                JournalScore(), static_cast<unsigned long long>(JournalStateDigest()));
    return 0;
}

void ObserveReplay(const ReplayObserver& observer) { P().observer = observer; }
const ReplayEnd& ReplayEnding() { return P().ending; }
