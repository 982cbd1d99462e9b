#pragma once
// The encoding half of our BER codec for SNMP version 1. Lengths follow the
// control's two rules: primitives and PDUs take the shortest form (with 0x81
// from 128 on), SEQUENCE headers from 128 on always take 0x82 and two bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace Trapline {

// Thrown when an element cannot be built; `code` is the engine's code (445).
struct BuildError {
    int32_t code;
};

class BerWriter {
public:
    // Tag, length and content of a primitive or a PDU.
    static std::string element(uint8_t tag, std::string_view content);
    // A SEQUENCE (0x30) around the content.
    static std::string sequence(std::string_view content);

    // Two's complement in the fewest bytes (1 to 4).
    static std::string signedContent(int32_t value);
    // Always the four bytes, with a leading 0x00 when the top bit is set.
    static std::string unsignedContent(uint32_t value);
    // The fewest bytes, with a leading 0x00 when the top bit is set.
    static std::string counter64Content(uint64_t value);
    // The content of an object identifier written as dotted text: components
    // are the decimal numbers between non-digits (an empty one is 0); fewer
    // than two components give the single byte 0. BuildError 445 for more
    // than 64 components, a component above 32 bits or a first pair above 255.
    static std::string objectIdentifierContent(std::string_view text);
};

} // namespace Trapline
