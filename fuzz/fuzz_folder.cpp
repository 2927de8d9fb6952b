#include "fuzz_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Plain values, set before any constructor of this file could run.
char Folder[64];
int StartingFolder = -1;

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
}

void EnterFolder() {
    if (chdir(Folder) != 0) std::abort();
}

// Before the game's module-level objects, which are built at the default
// priority.
__attribute__((constructor(101))) void EnterAtStart() {
    StartingFolder = open(".", O_RDONLY | O_DIRECTORY);
    // Memory-backed where there is such a folder: the launch counter is
    // written through to the disk on every input.
    char inMemory[] = "/dev/shm/kubrask-fuzz-XXXXXX";
    char onDisk[] = "/tmp/kubrask-fuzz-XXXXXX";
    const char* made = mkdtemp(inMemory);
    if (made == nullptr) made = mkdtemp(onDisk);
    if (StartingFolder < 0 || made == nullptr) std::abort();
    std::snprintf(Folder, sizeof Folder, "%s", made);
    std::atexit(RemoveFolder);
    EnterFolder();
}

}  // namespace

void LeaveScratchFolder() {
    if (fchdir(StartingFolder) != 0) std::abort();
}

InScratchFolder::InScratchFolder() { EnterFolder(); }

InScratchFolder::~InScratchFolder() { LeaveScratchFolder(); }

void WriteWholeFile(const char* name, const std::string& bytes) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0)
        std::abort();
}

std::string ReadWholeFile(const char* name) {
    std::ifstream file(name, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool FileThere(const char* name) {
    struct stat entry {};
    return lstat(name, &entry) == 0;
}
