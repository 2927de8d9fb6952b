// The file search, for exact names only: the game asks for one name and
// wants to know whether an entry, file or folder, has it.
#include <sys/stat.h>

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
