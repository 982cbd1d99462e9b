#pragma once
// The 24-byte header that starts a kernel image: a marker, the kind tag, and
// the two addresses whose difference locates the kernel's identifier.
#include <cstddef>
#include <cstdint>

namespace Scoutel::KernelHeaderLayout {

inline constexpr size_t Length = 24;
inline constexpr size_t KindOffset = 4;
inline constexpr size_t BaseAddressOffset = 16;
inline constexpr size_t IdentifierAddressOffset = 20;

// A signed 32-bit little-endian field of the header's bytes.
template <class Bytes> int32_t field(const Bytes& header, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t{static_cast<uint8_t>(header[offset + i])} << (8 * i);
    return static_cast<int32_t>(value);
}

} // namespace Scoutel::KernelHeaderLayout
