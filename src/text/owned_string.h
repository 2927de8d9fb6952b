// The game's text: 8-bit, zero-terminated, in heap blocks of exactly the
// size they need. Nothing here stores a length; every operation measures.
#pragma once

#include <cstdint>

int32_t StringSize(const char* text);                     // characters + 1
void CopyString(const char* source, char* destination);  // the caller makes room
char* DuplicateString(const char* text);                  // a new block, the caller's

// A text that owns its block. Every change builds a new block of exactly the
// needed size and releases the old one. Never copied.
struct OwnedString {
    char* text;  // never null while the object lives

    OwnedString();  // the empty text
    explicit OwnedString(const char* literal);
    ~OwnedString();
    OwnedString(const OwnedString&) = delete;
    OwnedString& operator=(const OwnedString&) = delete;

    void Prepend(const char* prefix);
    void Append(const char* suffix);
    void Adopt(char* block);  // a block made by DuplicateString, IntToText or RealToText
    void Release();
};
