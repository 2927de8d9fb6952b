// Small files whose headers ask for huge pictures: the loader must refuse
// them before it asks for memory of the picture's size. Every block the
// loader and the Linux layer ask for is counted: operator new through
// counted_allocations, and malloc, calloc and realloc (the layer's LocalAlloc
// and CreateDIBSection use them) through the linker's --wrap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "counted_allocations.h"
#include "image/bitmap_loader.h"
#include "platform/sdl/test_hooks.h"
#include "stand_ins.h"

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);

void* __wrap_malloc(size_t size) {
    CountAllocation(size);
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    CountAllocation(count * size);
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, size_t size) {
    CountAllocation(size);
    return __real_realloc(block, size);
}
}

namespace {

const size_t FewMegabytes = 4 << 20;

std::vector<std::string> Shown;

int Record(HWND, LPCSTR text, LPCSTR, UINT) {
    Shown.emplace_back(text);
    return IDOK;
}

std::string Le16(uint32_t value) { return {char(value), char(value >> 8)}; }
std::string Le32(uint32_t value) { return Le16(value) + Le16(value >> 16); }

std::string InfoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression,
                       uint32_t imageSize) {
    return Le32(40) + Le32(width) + Le32(height) + Le16(1) + Le16(bitCount) + Le32(compression) +
           Le32(imageSize) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
}

std::string WithFileHeader(const std::string& dib, uint32_t pixelsAt) {
    return "BM" + Le32(14 + dib.size()) + Le32(0) + Le32(14 + pixelsAt) + dib;
}

// Run-length data of `bytes` bytes: runs of 255, then the end of the bitmap.
std::string Runs(size_t bytes) {
    std::string data;
    while (data.size() + 4 <= bytes) data += std::string("\xFF\x01", 2);
    return data + std::string("\x00\x01", 2);
}

// A run-length file of `dataBytes` bytes of runs (an even number), with a
// palette of `colours` entries.
std::string RunLengthFile(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                          size_t dataBytes, uint32_t colours = 2) {
    std::string data = Runs(dataBytes);
    std::string header = InfoHeader(width, height, bits, compression, static_cast<uint32_t>(data.size()));
    header.replace(32, 4, Le32(colours));
    std::string palette(4 * colours, '\x40');
    return WithFileHeader(header + palette + data, static_cast<uint32_t>(40 + palette.size()));
}

struct Loaded {
    RgbImage* image;
    size_t largest;  // the largest block asked for while loading
};

Loaded LoadCounting(const std::string& bytes) {
    // A name of the test's own: the tests may run side by side in one folder.
    const std::string name = std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + ".bmp";
    {
        std::ofstream file(name, std::ios::binary);
        file << bytes;
    }
    Shown.clear();
    LargestAllocation = 0;
    RgbImage* image = ReadDibFile(name.c_str());
    size_t largest = LargestAllocation;
    std::remove(name.c_str());
    return {image, largest};
}

struct HugeHeaders : testing::Test {
    void SetUp() override { SetMessageBoxHandler(Record); }
    void TearDown() override {
        SetMessageBoxHandler(nullptr);
        EXPECT_EQ(OpenKernelObjectCount(), 0);
        EXPECT_EQ(LiveGdiObjectCount(), 0);
        EXPECT_EQ(LiveLocalBlockCount(), 0);
    }
};

TEST_F(HugeHeaders, AreRefusedBeforeAnyLargeBlockIsAskedFor) {
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"a 1 KB run-length file of 32768 x 21845", RunLengthFile(32768, 21845, 8, BI_RLE8, 1024 - 14 - 40 - 8)},
        {"16384 x 16384 from 1 KB of 8-bit runs", RunLengthFile(16384, 16384, 8, BI_RLE8, 1024)},
        {"16384 x 16384 from 1 KB of 4-bit runs", RunLengthFile(16384, 16384, 4, BI_RLE4, 1024)},
        // 64 KB of runs paint 32768 x 255 pixels: 16384 x 510.
        {"a row more than the runs can paint", RunLengthFile(16384, 511, 8, BI_RLE8, 65536)},
        {"run-length data without a stated size",
         RunLengthFile(8000, 8000, 8, BI_RLE8, 1024).replace(14 + 20, 4, Le32(0))},
        {"16384 x 16384 uncompressed in 1 KB",
         WithFileHeader(InfoHeader(16384, 16384, 24, BI_RGB, 0) + std::string(1024, '\0'), 40)},
        {"16384 x 2048 at 1 bit with a row short",
         WithFileHeader(InfoHeader(16384, 2048, 1, BI_RGB, 0) + std::string(8 + 2048 * 2047, '\0'), 48)},
        {"65535 x 65535 with a core header",
         Le32(12) + Le16(65535) + Le16(65535) + Le16(1) + Le16(24) + std::string(1024, '\0')},
        {"16385 x 1 in full", WithFileHeader(InfoHeader(16385, 1, 24, BI_RGB, 0) + std::string(49156, '\0'), 40)},
    };
    for (const auto& hostile : cases) {
        SCOPED_TRACE(hostile.what);
        Loaded loaded = LoadCounting(hostile.file);
        EXPECT_EQ(loaded.image, nullptr);
        ASSERT_EQ(Shown.size(), 1u);
        EXPECT_EQ(Shown[0], "Image file conversion error.");
        EXPECT_LT(loaded.largest, FewMegabytes);
    }
}

// The count does see the loader's blocks: a picture of a few megabytes that
// the file really holds is made at its size.
TEST_F(HugeHeaders, APictureTheFileHoldsIsMadeAtItsSize) {
    const int side = 1024;
    Loaded loaded = LoadCounting(WithFileHeader(InfoHeader(side, side, 24, BI_RGB, 0) +
                                                    std::string(side * side * 3, '\x22'),
                                                40));
    ASSERT_NE(loaded.image, nullptr);
    EXPECT_TRUE(Shown.empty());
    EXPECT_GE(loaded.largest, size_t{side} * side * 3);
    EXPECT_EQ(loaded.image->pixels[side * side * 3 - 1], 0x22);
    delete[] loaded.image->pixels;
    delete loaded.image;

    // As many pixels as the runs can paint is still a picture to convert
    // (the Linux layer converts no run-length data, so it ends there).
    loaded = LoadCounting(RunLengthFile(16384, 510, 8, BI_RLE8, 65536));
    EXPECT_EQ(loaded.image, nullptr);
    EXPECT_GE(loaded.largest, size_t{16384} * 3 * 510);  // the section was made
}

}  // namespace
