// Reads a device-independent bitmap file, with or without its 14-byte file
// header, in the core (12-byte) or info (40-byte) header form. The file is
// mapped, not read: a description of its pixels is built from the mapped
// headers and palette, SetDIBits converts the mapped pixel rows into a 24-bit
// section, and the section's rows are copied out as red, green, blue.
//
// Nothing outside the file is ever read. Before anything is handed on, the
// loader checks the file's layout and refuses, with one message, a file that
// cannot be read safely:
//   "Unknown DIB file format." when the headers or the palette do not fit in
//     the file (a truncated file header or DIB header, a palette running past
//     the end) or the palette claims more than 65535 entries;
//   "Image file conversion error." when the pixels cannot be converted: a
//     width or height of 0, a negative height (rows stored top row first:
//     the copy below only walks bottom-up rows), a side over 16384, a bit
//     count other than 1, 4, 8, 16, 24 or 32, a compression other than
//     BI_RGB, BI_RLE8 and BI_RLE4 (BI_BITFIELDS masks have no room in the
//     description), a pixel offset outside the file, pixel rows (each padded
//     to 4 bytes; for RLE the stated image size) running past its end, or
//     more pixels than run-length data of that size can paint.
// All of this is settled before anything the size of the picture is made, so
// a small file never asks for a large block. 16384 is the largest texture
// side most OpenGL drivers take, so a larger picture could hardly be used
// anyway, and it keeps the 24-bit copy under 1 GB. A run-length code paints at most 255
// pixels with its two bytes (the codes that skip pixels paint none), so
// pixels beyond 255 for every two bytes of the data would be left unpainted.
// Well-formed files see none of this. The platform decides the rest: on
// Linux, SetDIBits converts uncompressed 1, 4, 8, 16 (5-5-5), 24 and 32-bit
// pixels and no compressed ones, which then end in the conversion error.
#include "image/bitmap_loader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/win32.h"

namespace {

const WORD FileType = 0x4D42;  // "BM"
const uint64_t FileHeaderSize = 14;
const uint64_t PixelOffsetAt = 10;
const LONG LargestSide = 16384;
const uint64_t PixelsPerRunCode = 255;  // two bytes each

// Everything a load makes on its way, released at its end.
struct Loading {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const BYTE* view = nullptr;
    uint64_t size = 0;
    BITMAPINFO* source = nullptr;
    BITMAPINFO* target = nullptr;
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    uint8_t* pixels = nullptr;
};

// A field of the file, which need not be aligned for its type.
template <typename T>
T ReadField(const BYTE* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Whether `length` bytes from `start` lie inside a file of `size` bytes.
bool Inside(uint64_t start, uint64_t length, uint64_t size) {
    return start <= size && length <= size - start;
}

void ShowError(const char* text) { MessageBoxA(GetFocus(), text, "Error", MB_OK); }

// Every step of a load that fails tells of it once, and the load ends there.
bool Refuse(const char* text) {
    ShowError(text);
    return false;
}

bool OpenMapped(const char* name, Loading& load) {
    load.file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (load.file == INVALID_HANDLE_VALUE || !GetFileSizeEx(load.file, &size)) return false;
    load.mapping = CreateFileMappingA(load.file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (load.mapping == nullptr) return false;
    load.view = static_cast<const BYTE*>(MapViewOfFile(load.mapping, FILE_MAP_READ, 0, 0, 0));
    load.size = static_cast<uint64_t>(size.QuadPart);
    return load.view != nullptr;
}

// Whether the described pixels can be converted reading only the file.
bool ConvertiblePixels(const BITMAPINFOHEADER& pixels, uint64_t pixelsAt, uint64_t size) {
    LONG width = pixels.biWidth, height = pixels.biHeight;
    if (width <= 0 || height <= 0 || width > LargestSide || height > LargestSide) return false;
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    switch (pixels.biBitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32:
            break;
        default:
            return false;
    }
    uint64_t length;
    if (pixels.biCompression == BI_RGB) {
        length = (static_cast<uint64_t>(width) * pixels.biBitCount + 31) / 32 * 4 *
                 static_cast<uint64_t>(height);
    } else if (pixels.biCompression == BI_RLE8 || pixels.biCompression == BI_RLE4) {
        length = pixels.biSizeImage;
        if (count > length / 2 * PixelsPerRunCode) return false;
    } else {
        return false;
    }
    return pixelsAt < size && Inside(pixelsAt, length, size);
}

// Where the headers lie in the mapped file.
struct Layout {
    bool hasFileHeader = false;
    uint64_t headerAt = 0;
    uint64_t pixelsAt = 0;  // from the file header; without one, right after the palette
    DWORD headerSize = 0;
    WORD count = 0;  // palette entries
};

bool LocateHeaders(const Loading& load, Layout& layout) {
    const BYTE* file = load.view;
    const uint64_t size = load.size;
    layout.hasFileHeader = size >= 2 && ReadField<WORD>(file) == FileType;
    if (layout.hasFileHeader) {
        if (size < FileHeaderSize) return Refuse("Unknown DIB file format.");
        layout.pixelsAt = ReadField<DWORD>(file + PixelOffsetAt);
        layout.headerAt = FileHeaderSize;
    }
    if (!Inside(layout.headerAt, sizeof(DWORD), size)) return Refuse("Unknown DIB file format.");
    const BYTE* header = file + layout.headerAt;
    layout.headerSize = ReadField<DWORD>(header);
    // Any header but the core one is read as an info header for its palette.
    uint64_t readable = layout.headerSize == sizeof(BITMAPCOREHEADER) ? sizeof(BITMAPCOREHEADER)
                                                                       : sizeof(BITMAPINFOHEADER);
    if (!Inside(layout.headerAt, readable, size)) return Refuse("Unknown DIB file format.");
    uint32_t entries = DibPaletteSize(header);
    if (entries > 0xFFFF) return Refuse("Unknown DIB file format.");
    layout.count = static_cast<WORD>(entries);
    return true;
}

// A core header's 16-bit sides and 3-byte palette entries, widened.
bool DescribeCore(const Loading& load, Layout& layout, BITMAPINFOHEADER& description,
                  RGBQUAD* palette) {
    const uint64_t paletteAt = layout.headerAt + layout.headerSize;
    const WORD count = layout.count;
    if (!Inside(paletteAt, 3 * uint64_t{count}, load.size)) return Refuse("Unknown DIB file format.");
    BITMAPCOREHEADER core;
    std::memcpy(&core, load.view + layout.headerAt, sizeof core);
    description.biSize = sizeof(BITMAPINFOHEADER);
    description.biWidth = core.bcWidth;
    description.biHeight = core.bcHeight;
    description.biPlanes = core.bcPlanes;
    description.biBitCount = core.bcBitCount;
    description.biClrUsed = description.biClrImportant = count;
    const BYTE* entry = load.view + paletteAt;
    for (WORD i = 0; i < count; ++i, entry += 3) palette[i] = {entry[0], entry[1], entry[2], 0};
    if (!layout.hasFileHeader) layout.pixelsAt = paletteAt + 3 * uint64_t{count};
    return true;
}

// An info header and its palette, as they are.
bool DescribeInfo(const Loading& load, Layout& layout, BITMAPINFOHEADER& description,
                  RGBQUAD* palette) {
    const uint64_t paletteAt = layout.headerAt + layout.headerSize;
    const WORD count = layout.count;
    if (!Inside(paletteAt, 4 * uint64_t{count}, load.size)) return Refuse("Unknown DIB file format.");
    std::memcpy(&description, load.view + layout.headerAt, sizeof description);
    std::memcpy(palette, load.view + paletteAt, count * sizeof(RGBQUAD));
    if (!layout.hasFileHeader) layout.pixelsAt = paletteAt + 4 * uint64_t{count};
    return true;
}

// The description: an info header and its palette, with room for one
// entry more, as BITMAPINFO has; zeroed, so fields not set stay 0.
bool Describe(Loading& load, Layout& layout) {
    void* block = LocalAlloc(LPTR, sizeof(BITMAPINFO) + layout.count * sizeof(RGBQUAD));
    if (block == nullptr) return Refuse("Out of memory.");
    load.source = static_cast<BITMAPINFO*>(block);
    BITMAPINFOHEADER& description = load.source->bmiHeader;
    auto* palette =
        reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(block) + sizeof(BITMAPINFOHEADER));
    if (layout.headerSize == sizeof(BITMAPCOREHEADER))
        return DescribeCore(load, layout, description, palette);
    if (layout.headerSize == sizeof(BITMAPINFOHEADER))
        return DescribeInfo(load, layout, description, palette);
    return Refuse("Unknown DIB file format.");
}

// Fills what the file may leave 0, then makes sure the pixels can be
// converted reading only the file.
bool CheckDescription(Loading& load, const Layout& layout) {
    BITMAPINFOHEADER& description = load.source->bmiHeader;
    if (description.biSizeImage == 0) {  // unsigned, rows unpadded
        DWORD width = static_cast<DWORD>(description.biWidth);
        DWORD height = static_cast<DWORD>(description.biHeight);
        description.biSizeImage = (width * description.biBitCount + 7) / 8 * height;
    }
    if (description.biClrUsed == 0) description.biClrUsed = layout.count;
    if (!ConvertiblePixels(description, layout.pixelsAt, load.size))
        return Refuse("Image file conversion error.");
    return true;
}

// The platform turns the file's pixels, of whatever depth, into a 24-bit
// section; `rows` are the section's, finished and ready to be read.
bool ConvertThroughSection(Loading& load, uint64_t pixelsAt, const BYTE*& rows) {
    const LONG width = load.source->bmiHeader.biWidth, height = load.source->bmiHeader.biHeight;
    load.dc = CreateCompatibleDC(nullptr);
    if (load.dc == nullptr) return Refuse("Out of memory.");
    load.target = static_cast<BITMAPINFO*>(LocalAlloc(LPTR, sizeof(BITMAPINFO)));
    if (load.target == nullptr) return Refuse("Out of memory.");
    BITMAPINFOHEADER& target = load.target->bmiHeader;
    target.biSize = sizeof(BITMAPINFOHEADER);
    target.biWidth = width;
    target.biHeight = height;
    target.biPlanes = 1;
    target.biBitCount = 24;
    target.biCompression = BI_RGB;
    target.biSizeImage = static_cast<DWORD>(height) * static_cast<DWORD>(width) * 3;
    void* sectionBits = nullptr;
    load.section =
        CreateDIBSection(load.dc, load.target, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (load.section == nullptr || SelectObject(load.dc, load.section) == nullptr)
        return Refuse("Out of memory.");

    if (SetDIBits(load.dc, load.section, 0, static_cast<UINT>(height), load.view + pixelsAt,
                  load.source, DIB_RGB_COLORS) == 0)
        return Refuse("Image file conversion error.");
    GdiFlush();
    rows = static_cast<const BYTE*>(sectionBits);
    return true;
}

// Section rows are 3 x width bytes padded to a multiple of 4, blue first;
// the image's are packed, red first.
bool CopyRows(Loading& load, const BYTE* rows, LONG width, LONG height) {
    load.pixels = new (std::nothrow) uint8_t[static_cast<size_t>(height) * width * 3];
    if (load.pixels == nullptr) return Refuse("Out of memory.");
    const BYTE* from = rows;
    uint8_t* to = load.pixels;
    for (LONG row = 0; row < height; ++row, from += width % 4) {
        for (LONG x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return true;
}

RgbImage* Convert(Loading& load) {
    Layout layout;
    if (!LocateHeaders(load, layout) || !Describe(load, layout) || !CheckDescription(load, layout))
        return nullptr;
    const LONG width = load.source->bmiHeader.biWidth;  // both positive now
    const LONG height = load.source->bmiHeader.biHeight;
    const BYTE* rows = nullptr;
    if (!ConvertThroughSection(load, layout.pixelsAt, rows) || !CopyRows(load, rows, width, height))
        return nullptr;
    RgbImage* image = new (std::nothrow) RgbImage{width, height, load.pixels};
    if (image == nullptr) {
        Refuse("Out of memory.");
        return nullptr;
    }
    load.pixels = nullptr;  // the image's now
    return image;
}

void Release(Loading& load) {
    if (load.dc != nullptr) DeleteDC(load.dc);
    if (load.section != nullptr) DeleteObject(load.section);
    if (load.target != nullptr) LocalFree(load.target);
    if (load.source != nullptr) LocalFree(load.source);
    if (load.view != nullptr) UnmapViewOfFile(load.view);
    if (load.mapping != nullptr) CloseHandle(load.mapping);
    if (load.file != INVALID_HANDLE_VALUE) CloseHandle(load.file);
}

}  // namespace

RgbImage* LoadBitmapImage(const char* name) {
    if (name == nullptr) return nullptr;
    FILE* probe = std::fopen(name, "r");
    if (probe == nullptr) return nullptr;
    std::fclose(probe);
    return ReadDibFile(name);
}

uint32_t DibPaletteSize(const void* header) {
    WORD bitCount;
    if (ReadField<DWORD>(static_cast<const BYTE*>(header)) == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, header, sizeof core);
        bitCount = core.bcBitCount;
    } else {
        BITMAPINFOHEADER info;
        std::memcpy(&info, header, sizeof info);
        if (info.biClrUsed != 0) return info.biClrUsed;
        bitCount = info.biBitCount;
    }
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

RgbImage* ReadDibFile(const char* name) {
    Loading load;
    bool opened = OpenMapped(name, load);
    RgbImage* image = opened ? Convert(load) : nullptr;
    Release(load);
    if (image != nullptr) return image;
    delete[] load.pixels;
    if (!opened) {
        char text[1024];  // wsprintfA writes at most this much
        wsprintfA(text, "Failed to open DIB file %s.\n", name);
        ShowError(text);
    }
    return nullptr;
}
