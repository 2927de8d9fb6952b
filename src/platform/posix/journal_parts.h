// What the journal's files give each other: the run (journal.cpp) hands
// each call on to the recording (journal_record.cpp) or the replay
// (journal_replay.cpp), as the run is.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/journal.h"
#include "platform/posix/journal_format.h"

// A file's bytes; `ok` says whether it could be read. And a file written
// whole.
std::string ReadWhole(const std::string& path, bool* ok);
bool WriteWhole(const std::string& path, const std::string& bytes);

// The machine's own clock, for writing out and for pacing.
LONGLONG RealNanoseconds();

// The run's frames so far, and the game's state now.
uint32_t JournalFrames();
uint64_t JournalStateDigest();
int32_t JournalScore();
HWND GameWindowOfLayer();

// Today's board (daily.cpp): the run moves into a folder of its own, with
// the day's launch counter.
void StartDaily(const std::string& seed);

// Recording: false when the layer keeps no journal this run.
bool StartRecording();
void RecordClock(LONGLONG reading);
void RecordMilliseconds(DWORD reading);
void RecordPoll();
void RecordInput(UINT message, WPARAM wParam, LPARAM lParam, bool queued);
void RecordFrame();  // once a second: a check of the state, and the records written out
void RecordFileRead(const char* name, const void* bytes, size_t size);
void RecordModalStart();
void RecordBox(int answer);
INT_PTR RecordDialog(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
void RecordText(const char* text);
void FinishRecording(int exitCode);

// Replaying the journal at `path`: watched at `speed` (the frames before
// `from` unseen), or checked.
struct ReplayOptions {
    std::string path;
    bool watch = false;
    double speed = 1.0;
    uint32_t from = 0;
    bool printFrames = false;
    bool printCaptions = false;
};
void StartReplay(const ReplayOptions& options);
bool ReplayStopped();  // the watcher stopped it: the game runs on to its end unrecorded
LONGLONG ReplayClock();
DWORD ReplayMilliseconds();
void ReplayPoll();
void ReplayFrame();
bool ReplayFrameDue();
bool ReplaySkipsPresent();
void ReplayFileRead(const char* name);
int ReplayMessageBox(LPCSTR text, LPCSTR caption);
INT_PTR ReplayDialog(DLGPROC procedure, LPARAM initParam);
bool IsReplayDialog(HWND window);
BOOL ReplayEndDialog(INT_PTR result);
BOOL ReplaySetDlgItemText();
UINT ReplayGetDlgItemText(LPSTR text, int maxCount);
void ReplayCaption(const std::string& caption);
void StopReplay();
int FinishReplay(int exitCode);
