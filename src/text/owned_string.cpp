#include "text/owned_string.h"

int32_t StringSize(const char* text) {
    int32_t size = 1;
    while (*text++ != '\0') ++size;
    return size;
}

void CopyString(const char* source, char* destination) {
    while ((*destination++ = *source++) != '\0') {
    }
}

char* DuplicateString(const char* text) {
    char* block = new char[StringSize(text)];
    CopyString(text, block);
    return block;
}

OwnedString::OwnedString() : text(DuplicateString("")) {}

OwnedString::OwnedString(const char* literal) : text(DuplicateString(literal)) {}

OwnedString::~OwnedString() { Release(); }

void OwnedString::Prepend(const char* prefix) {
    int32_t a = StringSize(prefix), b = StringSize(text);
    char* block = new char[a + b - 1];
    CopyString(prefix, block);
    CopyString(text, block + a - 1);  // over the prefix's terminator
    delete[] text;
    text = block;
}

void OwnedString::Append(const char* suffix) {
    int32_t a = StringSize(text);
    char* block = new char[a + StringSize(suffix) - 1];
    CopyString(text, block);
    CopyString(suffix, block + a - 1);
    delete[] text;
    text = block;
}

void OwnedString::Adopt(char* block) {
    delete[] text;
    text = block;
}

void OwnedString::Release() {
    delete[] text;
    text = nullptr;
}
