// Bitmaps: memory device contexts, 24-bit DIB sections and the conversion of
// device-independent bitmaps into them. Nothing is drawn here: the game only
// lets a section turn a bitmap file's pixels into 24-bit colour, so that is
// all a section can be. See README.md beside this file for the whole layer.
//
// SetDIBits converts uncompressed (BI_RGB) sources whose rows are stored
// bottom row first, each row padded to a multiple of 4 bytes:
//   1, 4 and 8 bits per pixel through the palette, the leftmost pixel in the
//     most significant bits; an index past the palette's entries is black;
//   16 bits as 5-5-5 with the top bit unused, each 5-bit channel widened to
//     8 bits by repeating its top bits (31 gives 255), as Windows does;
//   24 bits as blue, green, red; 32 bits as blue, green, red, unused.
// Compressed sources (BI_RLE8, BI_RLE4, BI_BITFIELDS or any other), top-down
// sources (negative height) and other bit counts convert no line: 0.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/posix/posix.h"

struct HBITMAP__ {
    LONG width;
    LONG height;    // rows stored bottom row first
    size_t stride;  // bytes per row, a multiple of 4
    BYTE* bits;     // blue, green, red; null for the stock bitmap
    HDC selectedInto;
};

namespace {

struct MemoryDc {
    HDC__ dc;
    HBITMAP selected;
};

// What a new memory DC holds until something else is selected: Windows'
// 1 x 1 monochrome stock bitmap, which is never deleted.
HBITMAP__ StockBitmap{1, 1, 0, nullptr, nullptr};

std::vector<MemoryDc*> MemoryDcs;
std::vector<HBITMAP> Bitmaps;

MemoryDc* FindDc(HDC dc) {
    for (MemoryDc* memory : MemoryDcs)
        if (&memory->dc == dc) return memory;
    return nullptr;
}

bool IsLiveBitmap(HGDIOBJ object) {
    return object != nullptr && std::find(Bitmaps.begin(), Bitmaps.end(), object) != Bitmaps.end();
}

BYTE Widen5(unsigned channel) { return static_cast<BYTE>(channel << 3 | channel >> 2); }

// One source row into `width` pixels of a 24-bit row.
void ConvertRow(const BYTE* from, WORD depth, const RGBQUAD* palette, DWORD entries, BYTE* to,
                LONG width) {
    for (LONG x = 0; x < width; ++x, to += 3) {
        switch (depth) {
            case 1:
            case 4:
            case 8: {
                unsigned perByte = 8 / depth;
                unsigned shift = 8 - depth * (1 + x % perByte);
                DWORD index = from[x / perByte] >> shift & ((1u << depth) - 1);
                RGBQUAD colour = index < entries ? palette[index] : RGBQUAD{0, 0, 0, 0};
                to[0] = colour.rgbBlue;
                to[1] = colour.rgbGreen;
                to[2] = colour.rgbRed;
                break;
            }
            case 16: {
                unsigned value = from[2 * x] | from[2 * x + 1] << 8;
                to[0] = Widen5(value & 31);
                to[1] = Widen5(value >> 5 & 31);
                to[2] = Widen5(value >> 10 & 31);
                break;
            }
            default: {  // 24 and 32: blue, green, red first
                const BYTE* pixel = from + static_cast<size_t>(x) * (depth / 8);
                std::copy(pixel, pixel + 3, to);
                break;
            }
        }
    }
}

}  // namespace

// Every DC, and the screen, is alike here: the new DC only holds a bitmap.
HDC WINAPI CreateCompatibleDC(HDC) {
    MemoryDcs.push_back(new MemoryDc{HDC__{nullptr, 0}, &StockBitmap});
    return &MemoryDcs.back()->dc;
}

BOOL WINAPI DeleteDC(HDC dc) {
    MemoryDc* memory = FindDc(dc);
    if (memory == nullptr) return FALSE;  // window DCs go back with ReleaseDC
    memory->selected->selectedInto = nullptr;
    MemoryDcs.erase(std::find(MemoryDcs.begin(), MemoryDcs.end(), memory));
    delete memory;
    return TRUE;
}

// Only 24-bit, uncompressed, bottom-up sections in memory of their own (no
// file mapping); their bytes start zeroed. The DC and the colour usage play
// no part for 24 bits.
HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE section,
                                DWORD) {
    if (bits != nullptr) *bits = nullptr;
    if (info == nullptr || section != nullptr) return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 24 ||
        header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight <= 0)
        return nullptr;
    size_t stride = DibRowBytes(static_cast<size_t>(header.biWidth), 24);
    if (stride * static_cast<size_t>(header.biHeight) > 0x7FFFFFFF) return nullptr;
    auto* memory = static_cast<BYTE*>(std::calloc(stride * header.biHeight, 1));
    if (memory == nullptr) return nullptr;
    Bitmaps.push_back(new HBITMAP__{header.biWidth, header.biHeight, stride, memory, nullptr});
    if (bits != nullptr) *bits = memory;
    return Bitmaps.back();
}

// Bitmaps are the only objects; one is selected into one DC at a time.
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    MemoryDc* memory = FindDc(dc);
    if (memory == nullptr) return nullptr;
    auto* bitmap = static_cast<HBITMAP>(object);
    if (bitmap != &StockBitmap) {
        if (!IsLiveBitmap(bitmap) || (bitmap->selectedInto != nullptr && bitmap->selectedInto != dc))
            return nullptr;  // gone, or selected into another DC
        bitmap->selectedInto = dc;
    }
    HBITMAP previous = memory->selected;
    if (previous != bitmap) previous->selectedInto = nullptr;
    memory->selected = bitmap;
    return previous;
}

// A bitmap still selected into a DC cannot be deleted; stock objects stay.
BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (object == &StockBitmap) return TRUE;
    if (!IsLiveBitmap(object)) return FALSE;
    auto* bitmap = static_cast<HBITMAP>(object);
    if (bitmap->selectedInto != nullptr) return FALSE;
    Bitmaps.erase(std::find(Bitmaps.begin(), Bitmaps.end(), bitmap));
    std::free(bitmap->bits);
    delete bitmap;
    return TRUE;
}

// `lines` source rows from scan line `start` (counted from the bottom) land
// on the same scan lines of the bitmap, clipped to both; the result is the
// number of lines converted. The DC plays no part with DIB_RGB_COLORS.
int WINAPI SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                     const BITMAPINFO* info, UINT usage) {
    if (!IsLiveBitmap(bitmap) || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    WORD depth = header.biBitCount;
    bool knownDepth = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 ||
                      depth == 32;
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biCompression != BI_RGB ||
        !knownDepth || header.biWidth <= 0 || header.biHeight <= 0)
        return 0;
    DWORD entries = 0;
    if (depth <= 8) {
        DWORD most = 1u << depth;
        entries = header.biClrUsed == 0 ? most : std::min(header.biClrUsed, most);
    }
    uint64_t lastLine = std::min<uint64_t>(header.biHeight, bitmap->height);
    uint64_t count = start < lastLine ? std::min<uint64_t>(lines, lastLine - start) : 0;
    size_t sourceStride = DibRowBytes(static_cast<size_t>(header.biWidth), depth);
    LONG columns = std::min(header.biWidth, bitmap->width);
    const RGBQUAD* palette = info->bmiColors;
    for (uint64_t line = 0; line < count; ++line)
        ConvertRow(static_cast<const BYTE*>(bits) + line * sourceStride, depth, palette, entries,
                   bitmap->bits + (start + line) * bitmap->stride, columns);
    return static_cast<int>(count);
}

// Nothing is batched: every call above is done when it returns.
BOOL WINAPI GdiFlush(void) { return TRUE; }

#ifdef KUBRASK_TEST_HOOKS
int LiveGdiObjectCount() { return static_cast<int>(MemoryDcs.size() + Bitmaps.size()); }
#endif
