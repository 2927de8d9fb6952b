// The run's journal: how the run starts and ends, and each call the layers
// and the game make, handed to the recording or the replay as the run is.
// See journal.h for what is kept.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/journal_parts.h"

JournalMode JournalRun = JournalMode::Off;

namespace {

uint32_t Frames = 0;
uint64_t (*StateDigest)() = nullptr;
int32_t (*Score)() = nullptr;

bool Replaying() { return JournalRun == JournalMode::Watch || JournalRun == JournalMode::Check; }
// Replaying, and not yet stopped by the watcher: the journal answers.
bool Answering() { return Replaying() && !ReplayStopped(); }

}  // namespace

// C's files, not streams: streams bring their locales into the browser's build.
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

LONGLONG RealNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint32_t JournalFrames() { return Frames; }
uint64_t JournalStateDigest() { return StateDigest != nullptr ? StateDigest() : 0; }
int32_t JournalScore() { return Score != nullptr ? Score() : 0; }
HWND GameWindowOfLayer() { return LiveWindows().empty() ? nullptr : LiveWindows().front(); }

// --- The run ---------------------------------------------------------------

void StartJournal(int argc, char** argv) {
    ReplayOptions options;
    bool replay = false, check = false;
    const char* daily = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--replay" && i + 1 < argc && argv[i + 1] != nullptr) {
            replay = true;
            options.path = argv[++i];
        } else if (arg == "--speed" && i + 1 < argc) {
            options.speed = std::strtod(argv[++i], nullptr);
            if (!(options.speed > 0 && options.speed <= 1000)) {
                std::fprintf(stderr, "kubrask: --speed takes a number above 0 and at most 1000\n");
                std::exit(2);
            }
        } else if (arg == "--from" && i + 1 < argc) {
            options.from = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--daily" && i + 1 < argc) {
            daily = argv[++i];
        } else if (arg == "--check") {
            check = true;
        } else if (arg == "--frames") {
            options.printFrames = true;
        } else if (arg == "--captions") {
            options.printCaptions = true;
        }
    }
    if (!replay) {
        if (daily != nullptr) StartDaily(daily);
        StartRecording();
        return;
    }
    JournalRun = check ? JournalMode::Check : JournalMode::Watch;
    options.watch = !check;
    StartReplay(options);
}

int FinishJournal(int exitCode) {
    if (JournalRun == JournalMode::Record) {
        FinishRecording(exitCode);
        return exitCode;
    }
    return Replaying() ? FinishReplay(exitCode) : exitCode;
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
    StateDigest = digest;
    Score = score;
}

// --- What the layers journal -------------------------------------------------

LONGLONG JournalClock(LONGLONG reading) {
    if (JournalRun == JournalMode::Record) RecordClock(reading);
    return Replaying() ? ReplayClock() : reading;
}

DWORD JournalMilliseconds(DWORD reading) {
    if (JournalRun == JournalMode::Record) RecordMilliseconds(reading);
    return Answering() ? ReplayMilliseconds() : reading;
}

void JournalPoll() {
    if (Replaying()) {
        ReplayPoll();
        return;
    }
    if (JournalRun == JournalMode::Record) RecordPoll();
    ReadLayerEvents();
}

void DeliverInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool queued) {
    if (Replaying()) return;  // the watcher's own input is not the game's
    if (JournalRun == JournalMode::Record && window == GameWindowOfLayer()) RecordInput(message, wParam, lParam, queued);
    if (queued)
        QueueMessage(window, message, wParam, lParam);
    else
        SendMessageA(window, message, wParam, lParam);
}

void JournalFrame() {
    ++Frames;
    if (JournalRun == JournalMode::Record) RecordFrame();
    if (Replaying()) ReplayFrame();
}

bool JournalFrameDue() { return JournalRun != JournalMode::Watch || ReplayFrameDue(); }
bool JournalSkipsPresent() { return JournalRun == JournalMode::Watch && ReplaySkipsPresent(); }

void JournalFileRead(const char* name, const void* bytes, size_t size) {
    if (JournalRun == JournalMode::Record) RecordFileRead(name, bytes, size);
    if (Replaying()) ReplayFileRead(name);
}

void JournalCaption(const std::string& caption) {
    if (Replaying()) ReplayCaption(caption);
}

void StopWatching() {
    if (JournalRun == JournalMode::Watch) StopReplay();
}

// --- Boxes and the dialog --------------------------------------------------

// Every box, shown or played again, is also one line on standard error: the
// caption, then the text with its line breaks shown as " / ".
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    std::string line = Cp1252ToUtf8(caption != nullptr ? caption : "Error") + ": ";
    for (char c : Cp1252ToUtf8(text != nullptr ? text : ""))
        line += c == '\n' ? std::string(" / ") : c == '\r' ? "" : std::string(1, c);
    std::fprintf(stderr, "%s\n", line.c_str());
    if (Answering()) return ReplayMessageBox(text, caption);
    if (JournalRun == JournalMode::Record) RecordModalStart();
    int answer = LayerMessageBox(owner, text, caption, type);
    if (JournalRun == JournalMode::Record) RecordBox(answer);
    return answer;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                               LPARAM initParam) {
    if (Answering()) return ReplayDialog(procedure, initParam);
    if (JournalRun == JournalMode::Record) return RecordDialog(instance, templateName, owner, procedure, initParam);
    return LayerDialogBox(instance, templateName, owner, procedure, initParam);
}

BOOL WINAPI EndDialog(HWND window, INT_PTR result) {
    return IsReplayDialog(window) ? ReplayEndDialog(result) : LayerEndDialog(window, result);
}

BOOL WINAPI SetDlgItemTextA(HWND window, int id, LPCSTR text) {
    return IsReplayDialog(window) ? ReplaySetDlgItemText() : LayerSetDlgItemText(window, id, text);
}

UINT WINAPI GetDlgItemTextA(HWND window, int id, LPSTR text, int maxCount) {
    if (IsReplayDialog(window)) return ReplayGetDlgItemText(text, maxCount);
    UINT length = LayerGetDlgItemText(window, id, text, maxCount);
    if (JournalRun == JournalMode::Record && text != nullptr && maxCount > 0) RecordText(text);
    return length;
}
