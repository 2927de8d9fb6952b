// Text: Windows-1252, the game's 8-bit code page, as captions show it
// (cp1252.cpp converts it to and from UTF-8); and wsprintfA. See README.md beside this file for the
// whole layer.
#include <algorithm>
#include <cstdarg>
#include <string>

#include "platform/posix/posix.h"

namespace {

// A byte as a caption shows it: a control character as its symbol, and
// nothing (0) for the five bytes 1252 leaves undefined.
char32_t ShownInCaption(unsigned char byte) {
    if (byte < 0x20) return 0x2400 + byte;
    if (byte == 0x7F) return 0x2421;
    char32_t c = Cp1252CodePoint(byte);
    return c >= 0x80 && c < 0xA0 ? 0 : c;
}

}  // namespace

std::string CaptionToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        if (char32_t c = ShownInCaption(static_cast<unsigned char>(ch))) AppendUtf8(out, c);
    return out;
}

int CopyText(std::string_view text, LPSTR buffer, int maxCount) {
    size_t length = std::min(text.size(), static_cast<size_t>(maxCount - 1));
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

std::string CaptionToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        if (char32_t c = ShownInCaption(static_cast<unsigned char>(ch))) out += c <= 0xFF ? static_cast<char>(c) : '?';
    return out;
}

// %s, %d, %i, %u and %%, without flags or widths; any other character after
// % stands for itself. As on Windows, a null string prints "(null)" and at
// most 1024 characters are stored, the terminating zero included.
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    const size_t Limit = 1024;
    std::string out;
    va_list arguments;
    va_start(arguments, format);
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            out += *at;
            continue;
        }
        switch (*++at) {
            case 's': {
                const char* text = va_arg(arguments, const char*);
                out += text != nullptr ? text : "(null)";
                break;
            }
            case 'd':
            case 'i':
                out += std::to_string(va_arg(arguments, int));
                break;
            case 'u':
                out += std::to_string(va_arg(arguments, unsigned));
                break;
            case '\0':  // a lone % at the end
                --at;
                break;
            default:
                out += *at;
                break;
        }
    }
    va_end(arguments);
    size_t length = std::min(out.size(), Limit - 1);
    out.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}
