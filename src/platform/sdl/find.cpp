// The file search, for exact names only, and renaming. The game asks for
// one name and wants to know whether an entry, file or folder, has it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

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

// Renaming replaces the target in one step, as MOVEFILE_REPLACE_EXISTING
// asks; without it an existing target is kept and the call fails. The
// write-through flag also makes the rename itself durable.
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    struct stat entry {};
    if (existing == nullptr || replacement == nullptr) return FALSE;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && stat(replacement, &entry) == 0) return FALSE;
    if (std::rename(existing, replacement) != 0) return FALSE;
    if (flags & MOVEFILE_WRITE_THROUGH) sync();
    return TRUE;
}
