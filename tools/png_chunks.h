// The pieces of a PNG file that our writers and checkers share: big-endian
// fields, the CRC of a chunk, and a whole chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline void Put32BigEndian(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

// The CRC-32 that PNG chunks carry (the polynomial of zlib and Ethernet).
inline uint32_t Crc32(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320 : 0);
    }
    return ~crc;
}

// Length, type, data, and the CRC of type and data.
inline void PutPngChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    Put32BigEndian(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32BigEndian(png, Crc32(&png[start], png.size() - start));
}
