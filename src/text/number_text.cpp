#include "text/number_text.h"

#include <cmath>
#include <cstdio>

#include "text/owned_string.h"

int32_t FractionDigits = -1;
bool LeadingZero = true;

namespace {

const int MaxRealChars = 48;
const double Tiny = 1e-7;  // smaller remainders are not written

}  // namespace

char* IntToText(int32_t n) {
    if (n == 0) return DuplicateString("0");
    bool negative = n < 0;
    // Unsigned, so that the most negative int has a magnitude too.
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    int digits = 1;
    for (uint64_t limit = 9; magnitude > limit; limit = limit * 10 + 9) ++digits;
    int size = digits + 1 + (negative ? 1 : 0);
    char* block = new char[size];
    block[size - 1] = '\0';
    for (int at = size - 2; magnitude > 0; --at, magnitude /= 10)
        block[at] = static_cast<char>('0' + magnitude % 10);
    if (negative) block[0] = '-';
    return block;
}

// Digits are truncated, never rounded up; the fraction stops at the digit
// limit, when what is left is no more than 1e-7, or at 48 characters.
char* RealToText(double x) {
    char buffer[MaxRealChars + 1];
    int at = 0;
    if (std::isnan(x)) return DuplicateString("nan");
    if (x < 0) {
        buffer[at++] = '-';
        x *= -1.0;
    }
    if (std::isinf(x)) {
        CopyString("inf", buffer + at);
        return DuplicateString(buffer);
    }
    if (x >= 9223372036854775808.0) {  // no integer type holds it: exponent form
        std::snprintf(buffer + at, sizeof buffer - at, "%.6e", x);
        return DuplicateString(buffer);
    }
    // A whole part past 32 bits is written from 64 bits instead.
    int64_t i = static_cast<int64_t>(x);
    if (i == 0) {
        if (LeadingZero) buffer[at++] = '0';
    } else {
        int first = at;
        for (int64_t rest = i; rest != 0;) {
            int64_t r = rest % 10;
            buffer[at++] = static_cast<char>('0' + r);
            rest = (rest - r) / 10;
        }
        ReverseChars(buffer + first, at - first);
    }
    double f = x - static_cast<double>(i);
    if (f < Tiny) {
        if (at == 0) buffer[at++] = '0';
        buffer[at] = '\0';
        return DuplicateString(buffer);
    }
    buffer[at++] = '.';
    int written = 0;
    while (f > Tiny && at < MaxRealChars) {
        f *= 10.0;
        int d = static_cast<int>(f);
        buffer[at++] = static_cast<char>('0' + d);
        f -= d;
        if (FractionDigits != -1 && ++written >= FractionDigits) f = 0.0;
    }
    buffer[at] = '\0';
    return DuplicateString(buffer);
}

void ReverseChars(char* buffer, int count) {
    for (int k = 0; k < count / 2; ++k) {
        char c = buffer[k];
        buffer[k] = buffer[count - 1 - k];
        buffer[count - 1 - k] = c;
    }
}
