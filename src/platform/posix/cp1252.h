// Windows-1252, the game's 8-bit code page, to and from UTF-8. Every byte
// survives a round trip: the five bytes 1252 leaves undefined map to the C1
// controls of the same number, as Windows converts them.
#pragma once

#include <string>
#include <string_view>

std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);  // drops what 1252 cannot hold
char32_t Cp1252CodePoint(unsigned char byte);
void AppendUtf8(std::string& out, char32_t c);
