#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <cstring>
#include <limits>
#include <string>

#include "text/number_text.h"
#include "text/owned_string.h"

namespace {

// The text of a number block, which is released here.
std::string Take(char* block) {
    std::string text = block;
    EXPECT_EQ(StringSize(block), static_cast<int32_t>(text.size() + 1));
    delete[] block;
    return text;
}

struct WithFractionDigits {
    int32_t saved = FractionDigits;
    explicit WithFractionDigits(int32_t digits) { FractionDigits = digits; }
    ~WithFractionDigits() { FractionDigits = saved; }
};

}  // namespace

TEST(Strings, SizeCopyAndDuplicate) {
    EXPECT_EQ(StringSize(""), 1);
    EXPECT_EQ(StringSize("Kubrask"), 8);
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    CopyString("dice", buffer);
    EXPECT_STREQ(buffer, "dice");
    EXPECT_EQ(buffer[5], 'x');  // nothing past the terminator
    char* empty = DuplicateString("");
    EXPECT_EQ(empty[0], '\0');
    delete[] empty;
}

TEST(Strings, OwnedStringsGrowAtBothEnds) {
    OwnedString empty;
    EXPECT_STREQ(empty.text, "");
    empty.Append("Score: ");
    EXPECT_STREQ(empty.text, "Score: ");

    OwnedString fps;
    fps.Adopt(IntToText(60));
    fps.Prepend("FPS:");
    EXPECT_STREQ(fps.text, "FPS:60");
    fps.Prepend("");
    fps.Append("");
    EXPECT_STREQ(fps.text, "FPS:60");

    OwnedString status("Kubrask - Time: ");
    status.Append("3:00");
    status.Append(" - Score: ");
    status.Append("0");
    EXPECT_STREQ(status.text, "Kubrask - Time: 3:00 - Score: 0");
    status.Release();
    EXPECT_EQ(status.text, nullptr);
}

TEST(Strings, ReverseChars) {
    char text[] = "12345";
    ReverseChars(text, 5);
    EXPECT_STREQ(text, "54321");
    ReverseChars(text, 4);
    EXPECT_STREQ(text, "23451");
    ReverseChars(text, 1);
    ReverseChars(text, 0);
    EXPECT_STREQ(text, "23451");
}

TEST(Numbers, IntToText) {
    const struct {
        int32_t n;
        const char* text;
    } cases[] = {
        {0, "0"},         {9, "9"},
        {10, "10"},       {99, "99"},
        {100, "100"},     {-7, "-7"},
        {-10, "-10"},     {1000000000, "1000000000"},
        {999999999, "999999999"},
        {2147483647, "2147483647"},
        {-2147483647, "-2147483647"},
        {INT32_MIN, "-2147483648"},  // its magnitude has no int, but its text is plain
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(Take(IntToText(c.n)), c.text);
    }
}

TEST(Numbers, RealToTextWithSixDigits) {
    WithFractionDigits six(6);
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {2.5, "2.5"},
        {60.0, "60"},
        {123.456, "123.456"},
        {-0.5, "-0.5"},
        {1e-8, "0"},
        {-1e-8, "-0"},
        {1.5e-7, "0.000000"},   // the seventh digit is cut
        {59.9999, "59.999899"},  // truncated, never rounded up
        {1.0 / 0.016f, "62.499997"},
        {1.0 / static_cast<float>(1.0 / 60.0), "59.999996"},
        {1e-7, "0."},  // exactly 1e-7: the point, but no digit
        {2147483647.25, "2147483647.25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Take(RealToText(c.x)), c.text);
    }
}

TEST(Numbers, RealToTextWithoutALimit) {
    WithFractionDigits unlimited(-1);
    EXPECT_EQ(Take(RealToText(1.5e-7)), "0.00000015");
    EXPECT_EQ(Take(RealToText(2.5)), "2.5");
    // A remainder that never falls to 1e-7 stops at 48 characters.
    std::string third = Take(RealToText(1.0 / 3.0));
    EXPECT_EQ(third.size(), 48u);
    EXPECT_EQ(third.substr(0, 18), "0.3333333333333333");
    std::string negative = Take(RealToText(-1.0 / 3.0));
    EXPECT_EQ(negative.size(), 48u);
    EXPECT_EQ(negative.substr(0, 4), "-0.3");
}

TEST(Numbers, RealToTextOfValuesNoIntHolds) {
    WithFractionDigits six(6);
    EXPECT_EQ(Take(RealToText(std::numeric_limits<double>::infinity())), "inf");
    EXPECT_EQ(Take(RealToText(-std::numeric_limits<double>::infinity())), "-inf");
    EXPECT_EQ(Take(RealToText(std::nan(""))), "nan");
    EXPECT_EQ(Take(RealToText(4294967296.5)), "4294967296.5");
    EXPECT_EQ(Take(RealToText(-1e15)), "-1000000000000000");
    EXPECT_EQ(Take(RealToText(1e300)), "1.000000e+300");
    EXPECT_EQ(Take(RealToText(-std::numeric_limits<double>::max())), "-1.797693e+308");
}

TEST(Numbers, LeadingZeroOff) {
    WithFractionDigits six(6);
    LeadingZero = false;
    std::string half = Take(RealToText(0.5));
    std::string tiny = Take(RealToText(1e-9));
    LeadingZero = true;
    EXPECT_EQ(half, ".5");
    EXPECT_EQ(tiny, "0");  // something is always written
}
