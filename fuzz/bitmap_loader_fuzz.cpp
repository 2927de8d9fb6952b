// Any bytes at all, read by the bitmap loader as a file: it must load or
// refuse them without touching memory outside the file, and let go of
// everything it made either way. Message boxes are answered at once.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "image/bitmap_loader.h"
#include "platform/sdl/test_hooks.h"
#include "stand_ins.h"

namespace {

char FileName[] = "/tmp/kubrask-fuzz-XXXXXX";

int AnswerOk(HWND, LPCSTR, LPCSTR, UINT) { return IDOK; }

void RemoveFile() { std::remove(FileName); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetMessageBoxHandler(AnswerOk);
    int descriptor = mkstemp(FileName);
    if (descriptor < 0) std::abort();
    close(descriptor);
    std::atexit(RemoveFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(FileName, "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    RgbImage* image = ReadDibFile(FileName);
    if (image != nullptr) {
        if (image->width <= 0 || image->height <= 0) std::abort();
        delete[] image->pixels;
        delete image;
    }
    if (OpenKernelObjectCount() != 0 || LiveGdiObjectCount() != 0 || LiveLocalBlockCount() != 0)
        std::abort();  // the loader kept something
    return 0;
}
