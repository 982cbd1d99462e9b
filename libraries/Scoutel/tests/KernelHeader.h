#pragma once
// Kernel headers for tests that build firmware images by hand.
#include <cstdint>
#include <string>
#include <string_view>

#include "LittleEndian.h"

// A header of this kind whose identifier stands `identifierOffset` bytes after it starts.
inline std::string kernHeader(int32_t identifierOffset, std::string_view kind = "KERN") {
    return "@(#)" + std::string(kind) + std::string(8, '\x01') + int32Bytes(0x10000) +
           int32Bytes(static_cast<int32_t>(0x10000u + static_cast<uint32_t>(identifierOffset)));
}
