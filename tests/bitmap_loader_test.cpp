// The bitmap loader: files built here byte by byte, read through the Linux
// layer's mapping and conversion, with every message and every object the
// loader makes on its way checked.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/bitmap_loader.h"
#include "support.h"

namespace {

const char* const OpenFailed = "Failed to open DIB file picture.bmp.\n";
const char* const UnknownFormat = "Unknown DIB file format.";
const char* const ConversionError = "Image file conversion error.";
const char* const OutOfMemory = "Out of memory.";

std::string Le16(uint32_t value) { return {char(value), char(value >> 8)}; }
std::string Le32(uint32_t value) { return Le16(value) + Le16(value >> 16); }

struct Info {
    int32_t width, height;
    uint16_t bitCount;
    uint32_t coloursUsed = 0;
    uint32_t compression = BI_RGB;
    uint32_t imageSize = 0;
    uint32_t headerSize = 40;  // bytes past the 40 are zero
};

std::string InfoHeader(const Info& info) {
    std::string header = Le32(info.headerSize) + Le32(info.width) + Le32(info.height) + Le16(1) +
                         Le16(info.bitCount) + Le32(info.compression) + Le32(info.imageSize) +
                         Le32(2835) + Le32(2835) + Le32(info.coloursUsed) + Le32(0);
    return header + std::string(info.headerSize > 40 ? info.headerSize - 40 : 0, '\0');
}

std::string CoreHeader(uint16_t width, uint16_t height, uint16_t bitCount) {
    return Le32(12) + Le16(width) + Le16(height) + Le16(1) + Le16(bitCount);
}

// The 14-byte file header in front of the DIB, its pixels `pixelsAt` bytes into the DIB.
std::string WithFileHeader(const std::string& dib, uint32_t pixelsAt) {
    return "BM" + Le32(14 + dib.size()) + Le32(0) + Le32(14 + pixelsAt) + dib;
}

std::string Pad(std::string row) { return row.append((4 - row.size() % 4) % 4, '\0'); }
std::string Bgr(int r, int g, int b) { return {char(b), char(g), char(r)}; }
std::string Quad(int r, int g, int b) { return {char(b), char(g), char(r), '\0'}; }
std::string Bytes(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }

struct ImageDeleter {
    void operator()(RgbImage* image) const {
        delete[] image->pixels;
        delete image;
    }
};
using Image = std::unique_ptr<RgbImage, ImageDeleter>;

std::vector<int> Pixels(const RgbImage& image) {
    return std::vector<int>(image.pixels, image.pixels + image.width * image.height * 3);
}

struct BitmapLoader : testing::Test {
    ScratchFolder folder;
    void SetUp() override {
        MessageBoxScript::Reset();
        ClearCallFailures();
    }
    void TearDown() override {
        ClearCallFailures();
        ExpectAllReleased();
    }
    static void ExpectAllReleased() {
        EXPECT_EQ(OpenKernelObjectCount(), 0);
        EXPECT_EQ(LiveGdiObjectCount(), 0);
        EXPECT_EQ(LiveLocalBlockCount(), 0);
    }
    Image Load(const std::string& bytes) {
        folder.Write("picture.bmp", bytes);
        return Image(LoadBitmapImage("picture.bmp"));
    }
    // The one message a failed load showed.
    std::string FailedLoad(const std::string& bytes) {
        MessageBoxScript::Reset();
        Image image = Load(bytes);
        EXPECT_EQ(image, nullptr);
        EXPECT_EQ(MessageBoxScript::shown.size(), 1u);
        return MessageBoxScript::shown.empty() ? "" : MessageBoxScript::shown.back().text;
    }
};

TEST_F(BitmapLoader, ReadsPaddedBottomUpRowsFromThePixelOffset) {
    std::string dib = InfoHeader({2, 2, 24}) + "gap!";  // the pixels start where the offset says
    dib += Pad(Bgr(255, 0, 0) + Bgr(0, 255, 0)) + Pad(Bgr(0, 0, 255) + Bgr(10, 20, 30));
    Image image = Load(WithFileHeader(dib, 44));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(Pixels(*image), (std::vector<int>{255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30}));
    EXPECT_TRUE(MessageBoxScript::shown.empty());
}

TEST_F(BitmapLoader, OutputRowsOfWidthFiveAreTightlyPacked) {
    std::string rows;
    std::vector<int> expected;
    for (int y = 0; y < 3; ++y) {
        std::string row;
        for (int x = 0; x < 5; ++x) {
            row += Bgr(x * 50, y * 100, x + y);
            expected.insert(expected.end(), {x * 50, y * 100, x + y});
        }
        rows += Pad(row);
    }
    Image image = Load(WithFileHeader(InfoHeader({5, 3, 24}) + rows, 40));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Pixels(*image), expected);
}

TEST_F(BitmapLoader, EightBitPaletteHas256EntriesUnlessColoursUsedSaysOtherwise) {
    // No file header: the pixels follow the palette, so its length must be right.
    std::string full;
    for (int i = 0; i < 256; ++i) full += Quad(i, 255 - i, i / 2);
    Image image = Load(InfoHeader({4, 1, 8}) + full + Bytes({0, 17, 200, 255}));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Pixels(*image),
              (std::vector<int>{0, 255, 0, 17, 238, 8, 200, 55, 100, 255, 0, 127}));

    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += Quad(i * 16, 7, 255 - i);
    image = Load(InfoHeader({4, 1, 8, 16}) + sixteen + Bytes({0, 5, 15, 3}));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Pixels(*image), (std::vector<int>{0, 7, 255, 80, 7, 250, 240, 7, 240, 48, 7, 252}));
}

TEST_F(BitmapLoader, CoreAndInfoHeadersGiveTheSameFourBitPixels) {
    std::string core, info;
    for (int i = 0; i < 16; ++i) {
        core += Bgr(i, 100 + i, 200 + i);
        info += Quad(i, 100 + i, 200 + i);
    }
    // 3 x 2, most significant nibble first: bottom row 1 2 3, top row 15 0 7.
    std::string rows = Bytes({0x12, 0x30, 0, 0, 0xF0, 0x70, 0, 0});
    std::vector<int> expected{1, 101, 201, 2, 102, 202, 3, 103, 203,
                              15, 115, 215, 0, 100, 200, 7, 107, 207};
    const std::string files[] = {
        WithFileHeader(InfoHeader({3, 2, 4}) + info + rows, 40 + 64),
        InfoHeader({3, 2, 4}) + info + rows,
        WithFileHeader(CoreHeader(3, 2, 4) + core + rows, 12 + 48),
        CoreHeader(3, 2, 4) + core + rows,  // pixels right after the 3-byte entries
    };
    for (const std::string& file : files) {
        Image image = Load(file);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, 3);
        EXPECT_EQ(image->height, 2);
        EXPECT_EQ(Pixels(*image), expected);
    }
}

TEST_F(BitmapLoader, OneBitPixelsTakeTheMostSignificantBitFirst) {
    // 10 wide: the row spills into a second byte and is padded to 4.
    std::string file = InfoHeader({10, 2, 1}) + Quad(1, 2, 3) + Quad(250, 251, 252) +
                       Bytes({0xA0, 0xC0, 0, 0}) + Bytes({0x7F, 0x80, 0, 0});
    Image image = Load(file);
    ASSERT_NE(image, nullptr);
    std::vector<int> expected;
    for (const char* row : {"1010000011", "0111111110"})
        for (const char* bit = row; *bit != '\0'; ++bit)
            expected.insert(expected.end(), *bit == '1' ? std::initializer_list<int>{250, 251, 252}
                                                        : std::initializer_list<int>{1, 2, 3});
    EXPECT_EQ(Pixels(*image), expected);
}

TEST_F(BitmapLoader, SixteenBitsAre555AndThirtyTwoBitsAreBlueGreenRedUnused) {
    // Red 31, green 31, and blue 17 with the unused top bit set.
    Image image = Load(InfoHeader({3, 1, 16}) + Pad(Le16(0x7C00) + Le16(0x03E0) + Le16(0x8011)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Pixels(*image), (std::vector<int>{255, 0, 0, 0, 255, 0, 0, 0, 140}));

    image = Load(InfoHeader({2, 1, 32}) + Bytes({1, 2, 3, 99, 4, 5, 6, 200}));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Pixels(*image), (std::vector<int>{3, 2, 1, 6, 5, 4}));
}

TEST_F(BitmapLoader, OnlyCoreAndInfoHeadersAreKnown) {
    for (uint32_t size : {108u, 124u, 0u, 64u}) {
        Info info{1, 1, 24};
        info.headerSize = size;
        EXPECT_EQ(FailedLoad(WithFileHeader(InfoHeader(info) + Pad(Bgr(1, 2, 3)), 124)), UnknownFormat)
            << size;
    }
}

TEST_F(BitmapLoader, MissingFilesAreNoneWithoutAMessageButEmptyFilesAreReported) {
    EXPECT_EQ(LoadBitmapImage(nullptr), nullptr);
    EXPECT_EQ(LoadBitmapImage("missing.bmp"), nullptr);
    EXPECT_TRUE(MessageBoxScript::shown.empty());

    EXPECT_EQ(ReadDibFile("missing.bmp"), nullptr);  // only the probe keeps quiet
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].text, "Failed to open DIB file missing.bmp.\n");

    EXPECT_EQ(FailedLoad(""), OpenFailed);  // it opens, but cannot be mapped
}

TEST_F(BitmapLoader, FailingCallsAreReportedAndLeaveNothingBehind) {
    std::string file = WithFileHeader(InfoHeader({1, 1, 24}) + Pad(Bgr(1, 2, 3)), 40);
    const std::pair<const char*, const char*> cases[] = {
        {"CreateFileMappingA", OpenFailed}, {"MapViewOfFile", OpenFailed},
        {"LocalAlloc", OutOfMemory},        {"CreateCompatibleDC", OutOfMemory},
        {"CreateDIBSection", OutOfMemory},  {"SelectObject", OutOfMemory},
    };
    for (const auto& [call, message] : cases) {
        FailNextCall(call);
        EXPECT_EQ(FailedLoad(file), message) << call;
        ExpectAllReleased();
        ClearCallFailures();
    }
}

TEST_F(BitmapLoader, MessagesAreCaptionedErrorAndOwnedByTheFocusedWindow) {
    SetFocus(nullptr);
    FailedLoad("");
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].owner, nullptr);
    EXPECT_EQ(MessageBoxScript::shown[0].caption, "Error");
    EXPECT_EQ(MessageBoxScript::shown[0].type, static_cast<UINT>(MB_OK));

    TestWindow owner("BitmapOwner", DefWindowProcA);
    ASSERT_NE(owner.window, nullptr);
    SetFocus(owner.window);
    EXPECT_EQ(FailedLoad(InfoHeader({1, 1, 24})), ConversionError);
    ASSERT_EQ(MessageBoxScript::shown.size(), 1u);
    EXPECT_EQ(MessageBoxScript::shown[0].owner, owner.window);
    EXPECT_EQ(MessageBoxScript::shown[0].caption, "Error");
}

// Every shorter piece of a good file fails, with the message for the part that is cut.
TEST_F(BitmapLoader, TruncatedFilesFailWithTheMessageForWhatIsMissing) {
    std::string palette = Quad(9, 8, 7) + Quad(6, 5, 4);
    std::string rows = Pad(Bytes({0, 1, 1})) + Pad(Bytes({1, 0, 0}));
    struct Layout {
        std::string file;
        size_t paletteEnd;  // shorter than this: the headers or palette are cut
    };
    const Layout layouts[] = {
        {WithFileHeader(InfoHeader({3, 2, 8, 2}) + palette + rows, 48), 14 + 40 + 8},
        {InfoHeader({3, 2, 8, 2}) + palette + rows, 40 + 8},
        {CoreHeader(3, 2, 8) + std::string(256 * 3, '\x40') + rows, 12 + 256 * 3},
    };
    for (const Layout& layout : layouts) {
        ASSERT_NE(Load(layout.file), nullptr);
        for (size_t length = 0; length < layout.file.size(); ++length) {
            const char* expected = length == 0                   ? OpenFailed
                                   : length < layout.paletteEnd ? UnknownFormat
                                                                 : ConversionError;
            EXPECT_EQ(FailedLoad(layout.file.substr(0, length)), expected) << length;
        }
    }
}

TEST_F(BitmapLoader, HostileHeadersAreRefusedWithoutReadingPastTheFile) {
    std::string pixel = Pad(Bgr(1, 2, 3));
    std::string small = InfoHeader({1, 1, 24}) + pixel;
    auto withOffset = [&](uint32_t offset) {
        std::string file = WithFileHeader(small, 40);
        return file.replace(10, 4, Le32(offset));
    };
    auto rle = [&](uint32_t compression, uint16_t bits, uint32_t imageSize) {
        return InfoHeader({2, 2, bits, 0, compression, imageSize}) +
               std::string(bits <= 8 ? (4u << bits) : 0, '\0') + Bytes({0, 0, 0, 1});
    };
    const struct {
        const char* what;
        std::string file;
        const char* message;
    } cases[] = {
        {"zero width", InfoHeader({0, 1, 24}) + pixel, ConversionError},
        {"negative width", InfoHeader({-4, 1, 24}) + pixel, ConversionError},
        {"zero height", InfoHeader({1, 0, 24}) + pixel, ConversionError},
        {"top-down rows", InfoHeader({1, -2, 24}) + pixel + pixel, ConversionError},
        {"widest core", CoreHeader(65535, 1, 24) + std::string(65535 * 3 + 3, '\0'), ConversionError},
        {"wider than 16384", InfoHeader({16385, 1, 24}) + std::string(49156, '\0'), ConversionError},
        {"taller than 16384", InfoHeader({1, 16385, 24}) + std::string(16385 * 4, '\0'), ConversionError},
        {"huge section", InfoHeader({32768, 32768, 1}) + Quad(0, 0, 0) + Quad(1, 1, 1) + pixel,
         ConversionError},
        {"rows past the end", InfoHeader({1, 30000, 24}) + pixel + pixel, ConversionError},
        {"palette past the end", InfoHeader({1, 1, 8, 1000}) + pixel, UnknownFormat},
        {"core palette past the end", CoreHeader(1, 1, 8) + pixel, UnknownFormat},
        {"palette count over 16 bits", InfoHeader({1, 1, 8, 0x10002}) + Quad(1, 1, 1) +
                                           Quad(2, 2, 2) + Bytes({1, 0, 0, 0}),
         UnknownFormat},
        {"pixel offset at the end", withOffset(14 + small.size()), ConversionError},
        {"pixel offset far past the end", withOffset(0xFFFFFFFF), ConversionError},
        {"pixels running past the end", withOffset(14 + small.size() - 2), ConversionError},
        {"bit count 0", InfoHeader({1, 1, 0}) + pixel, ConversionError},
        {"bit count 2", InfoHeader({1, 1, 2}) + pixel, ConversionError},
        {"bit count 64", InfoHeader({1, 1, 64}) + pixel + pixel, ConversionError},
        {"run-length 8", rle(BI_RLE8, 8, 4), ConversionError},
        {"run-length 4", rle(BI_RLE4, 4, 4), ConversionError},
        {"run-length past the end", rle(BI_RLE8, 8, 0xFFFFFF00), ConversionError},
        {"bit fields", rle(BI_BITFIELDS, 16, 0) + Bytes({0, 0, 0, 0}), ConversionError},
        {"unknown compression", rle(7, 24, 0) + Bytes({0, 0, 0, 0}), ConversionError},
    };
    for (const auto& hostile : cases) EXPECT_EQ(FailedLoad(hostile.file), hostile.message) << hostile.what;

    // The largest sides that are accepted.
    Image image = Load(InfoHeader({16384, 1, 24}) + std::string(49152, '\x11'));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 16384);
    image = Load(InfoHeader({1, 16384, 24}) + std::string(16384 * 4, '\x11'));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->height, 16384);
}

TEST(BitmapPalette, EntriesFollowTheBitCountOrColoursUsed) {
    // One byte in, so the header is not aligned for its fields.
    auto entries = [](const std::string& header) {
        std::string at = "x" + header;
        return DibPaletteSize(at.data() + 1);
    };
    EXPECT_EQ(entries(CoreHeader(1, 1, 1)), 2u);
    EXPECT_EQ(entries(CoreHeader(1, 1, 4)), 16u);
    EXPECT_EQ(entries(CoreHeader(1, 1, 8)), 256u);
    EXPECT_EQ(entries(CoreHeader(1, 1, 24)), 0u);
    EXPECT_EQ(entries(InfoHeader({1, 1, 8})), 256u);
    EXPECT_EQ(entries(InfoHeader({1, 1, 8, 16})), 16u);
    EXPECT_EQ(entries(InfoHeader({1, 1, 32})), 0u);
    EXPECT_EQ(entries(InfoHeader({1, 1, 24, 0x12345})), 0x12345u);  // callers keep 16 bits
    Info v5{1, 1, 4};
    v5.headerSize = 124;  // read as an info header
    EXPECT_EQ(entries(InfoHeader(v5)), 16u);
    v5.coloursUsed = 7;
    EXPECT_EQ(entries(InfoHeader(v5)), 7u);
}

// What the Linux layer's conversion gives for sources the loader never hands it.
TEST(BitmapLayer, TopDownAndMaskedSourcesConvertNoLine) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO target{};
    target.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    const BYTE source[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    BITMAPINFO from = target;
    from.bmiHeader.biHeight = -2;
    EXPECT_EQ(SetDIBits(dc, section, 0, 2, source, &from, DIB_RGB_COLORS), 0);
    from.bmiHeader.biHeight = 2;
    from.bmiHeader.biCompression = BI_BITFIELDS;
    EXPECT_EQ(SetDIBits(dc, section, 0, 2, source, &from, DIB_RGB_COLORS), 0);
    EXPECT_EQ(std::string(static_cast<char*>(bits), 16), std::string(16, '\0'));

    from.bmiHeader.biCompression = BI_RGB;  // the same rows bottom-up do convert
    EXPECT_EQ(SetDIBits(dc, section, 0, 2, source, &from, DIB_RGB_COLORS), 2);
    EXPECT_EQ(std::string(static_cast<char*>(bits), 16), std::string(source, source + 16));
    ASSERT_NE(SelectObject(dc, section), nullptr);
    EXPECT_FALSE(DeleteObject(section));  // not while a DC holds it
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_EQ(LiveGdiObjectCount(), 0);
}

TEST(BitmapLayer, WsprintfFormatsTextAndNumbersWithinItsLimit) {
    char text[1024];
    EXPECT_EQ(wsprintfA(text, "%s: %d of %u, 100%%", "Dice", -3, 4000000000u), 28);
    EXPECT_STREQ(text, "Dice: -3 of 4000000000, 100%");
    wsprintfA(text, "[%s]", static_cast<const char*>(nullptr));
    EXPECT_STREQ(text, "[(null)]");
    std::string longName(2000, 'a');
    EXPECT_EQ(wsprintfA(text, "Failed to open DIB file %s.\n", longName.c_str()), 1023);
    EXPECT_EQ(std::string(text), "Failed to open DIB file " + longName.substr(0, 1023 - 24));
}

}  // namespace
