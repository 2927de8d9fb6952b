// What the fuzz targets of the game's file readers share: a scratch folder
// that the game's relative file names resolve in, and whole files.
//
// libFuzzer reads its corpus folders and writes what it finds relative to
// the folder it was started in, so the scratch folder is the working folder
// only while the game's code runs: from the start of the process (the game's
// own start-up writes its launch counter there) to LLVMFuzzerInitialize, and
// within each input.
#pragma once

#include <string>

void LeaveScratchFolder();  // back to the starting folder

struct InScratchFolder {
    InScratchFolder();
    ~InScratchFolder();  // back to the starting folder
};

void WriteWholeFile(const char* name, const std::string& bytes);  // aborts on failure
std::string ReadWholeFile(const char* name);                        // empty if none
bool FileThere(const char* name);
