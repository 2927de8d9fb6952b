// Numbers as decimal text, each in a new block that the caller owns
// (OwnedString::Adopt takes it).
#pragma once

#include <cstdint>

extern int32_t FractionDigits;  // most digits after the point, -1 for no limit
extern bool LeadingZero;        // write 0 before the point of a number below 1

char* IntToText(int32_t n);
char* RealToText(double x);
void ReverseChars(char* buffer, int count);
