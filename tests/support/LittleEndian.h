#pragma once
// Little-endian fields for tests that build binary files by hand.
#include <cstdint>
#include <string>

inline std::string int32Bytes(int32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
    return bytes;
}
inline std::string int16Bytes(int16_t value) {
    return int32Bytes(value).substr(0, 2);
}
