// Little-endian fields of the files the generators write, and the writing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

inline void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

inline void Put32(std::vector<uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Writes the bytes as the whole file; says why on failure.
inline bool WriteBytes(const char* name, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::perror(name);
        if (file != nullptr) std::fclose(file);
        return false;
    }
    return std::fclose(file) == 0;
}
