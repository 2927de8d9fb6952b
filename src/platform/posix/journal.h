// The journal: everything the game learns from outside that decides what it
// does, kept as it runs, so that the run can be played again frame by frame
// to the same state, here or on another platform. What it keeps: the player's
// own files as they were at the start (the launch counter and the best
// score), every clock reading, every message from outside (keys, the pad,
// the window's changes), the answers of the boxes and the name dialog (the
// typed name among them), and which art was read; and every second, and at
// the end, a digest of the game's state to check a replay against.
//
// A run records unless it was started to play a journal again: watching it
// in the layer's window at its own pace (or faster), or checking it without
// a window at full speed (the replay tool, over platform/headless). A replay
// reads nothing of the player's: it runs in a folder of its own, with the
// recorded files, and keeps nothing.
//
// Format: "KBRJ", a format byte, then chunks, each its payload's length (a
// varint), the payload and the payload's FNV-1a 32-bit checksum. The first
// chunk is the header: the game's version and the player's files. The rest
// hold records, a tag byte each with varint fields, written out once a second
// so that a crash loses at most the last second. See journal.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/posix.h"

enum class JournalMode { Off, Record, Watch, Check };
extern JournalMode JournalRun;

// The run's start, before the game's first call (the layers call it from a
// constructor that runs ahead of the game's): `--replay FILE` plays FILE
// again (`--speed N` N times as fast, `--check` without waiting, `--frames`
// printing each frame's digest); without it the run records, where the layer
// offers somewhere to keep the journal. A journal that cannot be played is
// refused with one line on standard error, and the process ends with 2.
void StartJournal(int argc, char** argv);
// Arguments handed over from JavaScript as one string from malloc, one
// argument a line (none when it is empty); the string is freed.
std::vector<std::string> ArgumentLines(char* joined);
// The run's end, once WinMain has returned: a recording writes its end; a
// replay says how it ended. Returns the process's exit code.
int FinishJournal(int exitCode);
// The digest of the game's state (board, dice, walker, score, clock) and its
// score, which the program's entry gives: the layers know nothing of the game.
void SetStateDigest(uint64_t (*digest)(), int32_t (*score)());

// What the layers journal.
LONGLONG JournalClock(LONGLONG reading);   // each performance-counter reading
DWORD JournalMilliseconds(DWORD reading);  // each millisecond-clock reading
// PeekMessageA's reading of the platform's events: recording, the layer's
// own (ReadLayerEvents); replaying, the journal's, delivered to the game's
// window, and the watcher's own events.
void JournalPoll();
// A message from outside for a window (keys, the pad, the window's changes),
// sent at once or queued. Those for the game's window are journaled.
void DeliverInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool queued);
void JournalFrame();         // each frame SwapBuffers presents
// Watching faster than the display shows: whether the frame just drawn comes
// too soon to be shown (false marks it shown), and whether a frame is due.
bool JournalSkipsPresent();
bool JournalFrameDue();
// A file the game reads whole through a mapping (the art): a replay must
// read the same bytes.
void JournalFileRead(const char* name, const void* bytes, size_t size);
// Watching: the watcher pressed Escape or closed the window.
void StopWatching();
// A window's caption was set: replaying with `--captions`, it is printed
// with the time the journal's clock shows, in seconds since its first
// reading.
void JournalCaption(const std::string& caption);

// What each layer gives the journal.
// Where the recording goes: false for none this run (the run still plays).
bool OpenJournalOutput();
void WriteJournalOutput(const unsigned char* bytes, size_t size);
// Watching: reads the watcher's events (Escape, closing, resizing) and
// waits up to `milliseconds` for the next.
void WaitForWatcher(int milliseconds);

// The boxes and the dialog, as each layer provides them; the Windows calls of
// the same names (journal.cpp) journal them, or answer from the journal.
int LayerMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
INT_PTR LayerDialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
BOOL LayerEndDialog(HWND window, INT_PTR result);
BOOL LayerSetDlgItemText(HWND window, int id, LPCSTR text);
UINT LayerGetDlgItemText(HWND window, int id, LPSTR text, int maxCount);

// Reading a journal, for the replay and for checking files: the records in
// order, each a tag and its fields. Read fails with the message to show.
struct JournalRecord {
    int tag = 0;
    int64_t a = 0, b = 0, c = 0;
    std::string text;
};
struct JournalFile {
    std::string version;  // of the game that recorded it
    struct Saved {
        std::string name;
        bool present;
        std::string bytes;
    };
    std::vector<Saved> files;  // the player's files at the start
    std::vector<JournalRecord> records;
    std::vector<size_t> offsets;  // where each record's chunk starts in the file
    bool complete = false;        // it holds the run's end
};
bool ReadJournal(const std::string& bytes, JournalFile* journal, std::string* error);
