// Files, over POSIX: existing files opened for reading and mapped read-only
// into memory (open, fstat, mmap), the file search as an existence probe, and
// renaming that replaces its target in one step. A handle is a file or a
// mapping; a mapping keeps its own descriptor, so it outlives the file handle
// as on Windows, and a view outlives both until it is unmapped. See README.md
// beside this file for what the layer provides and refuses.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/journal.h"

namespace {

struct KernelObject {
    bool isMapping;
    int descriptor;
    uint64_t size;     // of a mapping: the bytes it covers
    std::string name;  // as the file was opened
};

struct View {
    void* base;
    size_t length;
};

// Views start on multiples of this, as on Windows.
const uint64_t AllocationGranularity = 65536;

std::vector<KernelObject*> Objects;
std::vector<View> Views;
int SearchHandle;  // one search at a time is all there is

KernelObject* Find(HANDLE handle, bool mapping) {
    auto found = std::find(Objects.begin(), Objects.end(), static_cast<KernelObject*>(handle));
    if (found == Objects.end() || (*found)->isMapping != mapping) return nullptr;
    return *found;
}

bool CurrentSize(int descriptor, uint64_t* size) {
    struct stat info{};
    if (fstat(descriptor, &info) != 0) return false;
    *size = static_cast<uint64_t>(info.st_size);
    return true;
}

// Puts what is written of a file or folder on the disk; false if it cannot.
bool Flush(const char* name, int flags) {
    int descriptor = open(name, O_RDONLY | flags);
    if (descriptor < 0) return false;
    bool flushed = fsync(descriptor) == 0;
    close(descriptor);
    return flushed;
}

}  // namespace

// Only opening an existing file for reading is provided. Sharing needs no
// work: POSIX never locks others out. A folder is no file here either.
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation,
                          DWORD, HANDLE templateFile) {
    if (name == nullptr || access != GENERIC_READ || creation != OPEN_EXISTING ||
        templateFile != nullptr)
        return INVALID_HANDLE_VALUE;
    int descriptor = open(name, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return INVALID_HANDLE_VALUE;
    struct stat info{};
    if (fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(descriptor);
        return INVALID_HANDLE_VALUE;
    }
    Objects.push_back(new KernelObject{false, descriptor, 0, name});
    return Objects.back();
}

BOOL WINAPI GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    KernelObject* object = Find(file, false);
    uint64_t bytes = 0;
    if (object == nullptr || size == nullptr || !CurrentSize(object->descriptor, &bytes))
        return FALSE;
    size->QuadPart = static_cast<LONGLONG>(bytes);
    return TRUE;
}

// Read-only, unnamed mappings. Size 0 maps the whole file; an empty file
// cannot be mapped, and a read-only mapping cannot be larger than its file.
HANDLE WINAPI CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect,
                                 DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name) {
    KernelObject* object = Find(file, false);
    if (object == nullptr || protect != PAGE_READONLY || name != nullptr) return nullptr;
    uint64_t fileSize = 0;
    if (!CurrentSize(object->descriptor, &fileSize)) return nullptr;
    uint64_t size = static_cast<uint64_t>(maximumSizeHigh) << 32 | maximumSizeLow;
    if (size == 0) size = fileSize;
    if (size == 0 || size > fileSize) return nullptr;
    int descriptor = fcntl(object->descriptor, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) return nullptr;
    Objects.push_back(new KernelObject{true, descriptor, size, object->name});
    return Objects.back();
}

// Read access only; bytes 0 maps from the offset to the mapping's end.
LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                            SIZE_T bytes) {
    KernelObject* object = Find(mapping, true);
    if (object == nullptr || access != FILE_MAP_READ) return nullptr;
    uint64_t offset = static_cast<uint64_t>(offsetHigh) << 32 | offsetLow;
    if (offset % AllocationGranularity != 0 || offset >= object->size) return nullptr;
    uint64_t length = bytes != 0 ? bytes : object->size - offset;
    if (length > object->size - offset || static_cast<size_t>(length) != length) return nullptr;
    void* base = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED,
                      object->descriptor, static_cast<off_t>(offset));
    if (base == MAP_FAILED) return nullptr;
    Views.push_back({base, static_cast<size_t>(length)});
    if (offset == 0 && length == object->size) JournalFileRead(object->name.c_str(), base, static_cast<size_t>(length));
    return base;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID base) {
    auto found = std::find_if(Views.begin(), Views.end(),
                              [base](const View& view) { return view.base == base; });
    if (found == Views.end()) return FALSE;
    munmap(found->base, found->length);
    Views.erase(found);
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    auto found = std::find(Objects.begin(), Objects.end(), static_cast<KernelObject*>(handle));
    if (found == Objects.end()) return FALSE;
    close((*found)->descriptor);
    delete *found;
    Objects.erase(found);
    return TRUE;
}

// The file search, for exact names only: the game asks for one name and
// wants to know whether an entry, file or folder, has it.
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
// asks; without it an existing target is kept and the call fails. With the
// write-through flag the call returns once the file's content and then the
// rename are on the disk: the file first, so that the new name never stands
// for content that a crash could still lose.
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    struct stat entry {};
    if (existing == nullptr || replacement == nullptr) return FALSE;
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

#ifdef KUBRASK_TEST_HOOKS
int OpenKernelObjectCount() { return static_cast<int>(Objects.size() + Views.size()); }
#endif
