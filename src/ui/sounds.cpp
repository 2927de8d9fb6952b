#include "ui/sounds.h"

#include "platform/win32.h"

void PlaySoundFile(const char* path) { sndPlaySoundA(path, SND_ASYNC | SND_NOSTOP); }

bool FileExists(const char* name) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(name, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}
