// The file search, for exact names only, and renaming. The game asks for
// one name and wants to know whether an entry, file or folder, has it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sdl/layer.h"

namespace {
int SearchHandle;  // one search at a time is all there is
}

HANDLE WINAPI FindFirstFileA(LPCSTR name, WIN32_FIND_DATAA* found) {
    struct stat entry {};
    if (name == nullptr || found == nullptr || stat(name, &entry) != 0) return INVALID_HANDLE_VALUE;
    *found = WIN32_FIND_DATAA{};
    found->dwFileAttributes = S_ISDIR(entry.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    uint64_t size = static_cast<uint64_t>(entry.st_size);
    found->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    found->nFileSizeLow = static_cast<DWORD>(size);
    const char* base = std::strrchr(name, '/');
    std::strncpy(found->cFileName, base != nullptr ? base + 1 : name, MAX_PATH - 1);
    return &SearchHandle;
}

BOOL WINAPI FindClose(HANDLE search) { return search == &SearchHandle; }

namespace {

// Puts what is written of a file or folder on the disk; false if it cannot.
bool Flush(const char* name, int flags) {
    int descriptor = open(name, O_RDONLY | flags);
    if (descriptor < 0) return false;
    bool flushed = fsync(descriptor) == 0;
    close(descriptor);
    return flushed;
}

}  // namespace

// Renaming replaces the target in one step, as MOVEFILE_REPLACE_EXISTING
// asks; without it an existing target is kept and the call fails. With the
// write-through flag the call returns once the file's content and then the
// rename are on the disk: the file first, so that the new name never stands
// for content that a crash could still lose.
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    struct stat entry {};
    if (CallFails("MoveFileExA") || existing == nullptr || replacement == nullptr) return FALSE;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && stat(replacement, &entry) == 0) return FALSE;
    const bool writeThrough = flags & MOVEFILE_WRITE_THROUGH;
    if (writeThrough && !Flush(existing, 0)) return FALSE;
    if (std::rename(existing, replacement) != 0) return FALSE;
    if (writeThrough) {
        std::string folder(replacement);
        size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
        Flush(folder.c_str(), O_DIRECTORY);  // the rename is done; a folder that cannot be flushed changes nothing
    }
    return TRUE;
}
