#pragma once
// The decoding half of our BER codec: walks the elements of one enclosing
// element, checking every length against what encloses it, and reads the
// values of SNMP version 1. It accepts the standard encodings as well as
// our own (short or long lengths of 1 to 4 bytes).
#include <cstdint>
#include <string>
#include <string_view>

namespace Trapline {

// Thrown when a received element is malformed (446) or missing (447).
struct DecodeError {
    int32_t code;
};

inline constexpr int32_t ElementMalformed = 446;
inline constexpr int32_t ElementMissing = 447;

struct BerElement {
    uint8_t tag = 0;
    std::string_view content;
};

class BerReader {
public:
    explicit BerReader(std::string_view bytes) : rest_(bytes) {}

    bool atEnd() const { return rest_.empty(); }
    // The next element; 447 when none is left, 446 when it is malformed.
    BerElement next();

    // Two's complement of 1 to 4 bytes, sign-extended.
    static int32_t signedValue(std::string_view content);
    // 1 to 4 bytes, or 5 with a leading 0x00.
    static uint32_t unsignedValue(std::string_view content);
    // 1 to 8 bytes, or 9 with a leading 0x00.
    static uint64_t counter64Value(std::string_view content);
    // An IPv4 address of exactly four bytes, in host byte order.
    static uint32_t ipAddressValue(std::string_view content);
    // Dotted text of the components, printed unsigned; the first group X
    // gives X / 40 and X mod 40 below 80, else 2 and X - 80. A component
    // above 32 bits, an unfinished group or more than 64 components is 446.
    static std::string objectIdentifierText(std::string_view content);

private:
    std::string_view rest_;
};

} // namespace Trapline
