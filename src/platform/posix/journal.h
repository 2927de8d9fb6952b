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
// The file's layout is journal_format.h's; recording is journal_record.cpp,
// replaying journal_replay.cpp, and this header's run journal.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/journal_format.h"
#include "platform/posix/posix.h"

enum class JournalMode { Off, Record, Watch, Check };
extern JournalMode JournalRun;

// The run's start, before the game's first call (the layers call it from a
// constructor that runs ahead of the game's): `--replay FILE` plays FILE
// again (`--speed N` N times as fast, `--from N` the frames before frame N
// unseen, `--check` without waiting, `--frames` printing each frame's
// digest, `--captions` each status line); without it the run records, where
// the layer offers somewhere to keep the journal, and `--daily SEED` makes
// it a game of today's board (daily.cpp). A journal that cannot be played
// is refused with one line on standard error, and the process ends with 2.
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

// What a replay met, for a program that watches over one (the score
// server's verifier): each frame after it is drawn, each box as it opens
// (its answer follows) with where the chunk holding its opening ends in the
// journal, and the dialog's end with the text its field held.
struct ReplayObserver {
    void (*frame)(uint32_t frame) = nullptr;
    void (*box)(const char* caption, const char* text, size_t through) = nullptr;
    void (*dialogEnded)(INT_PTR result, const std::string& typed) = nullptr;
};
void ObserveReplay(const ReplayObserver& observer);
// How a replay ended, once the process is ending: an empty kind when it went
// as recorded (or was stopped by its watcher); "cut" when the journal ends
// before its game did; else why it was refused: "not a journal", "damaged",
// "other rules", "other art", "went another way" or "unreadable".
struct ReplayEnd {
    std::string kind, message;
};
const ReplayEnd& ReplayEnding();
