// Journal bytes made by hand, as the recorder writes them: a varint, and a
// chunk (length, payload, FNV-1a 32-bit checksum). For tests and the fuzz
// target that make up journals.
#pragma once

#include <cstdint>
#include <string>

inline void PutVarint(std::string& out, uint64_t n) {
    for (; n >= 0x80; n >>= 7) out += static_cast<char>((n & 0x7F) | 0x80);
    out += static_cast<char>(n);
}

inline std::string Chunk(const std::string& payload) {
    uint32_t sum = 0x811c9dc5u;
    for (unsigned char c : payload) sum = (sum ^ c) * 0x01000193u;
    std::string out;
    PutVarint(out, payload.size());
    out += payload;
    for (int i = 0; i < 4; ++i) out += static_cast<char>(sum >> (8 * i));
    return out;
}
