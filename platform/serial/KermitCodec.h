#pragma once
// The encoding of Kermit data fields: control characters behind the control
// prefix, the eighth bit behind its own prefix on 7-bit lines, and runs of
// one byte as a repeat count.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Platform::Serial {

class KermitCodec {
public:
    // eighthBit and repeat are 0 when that prefixing is not in use.
    explicit KermitCodec(char control = '#', char eighthBit = 0, char repeat = 0);

    // Appends the encoding of as many leading bytes of input as fit in room
    // characters to out; returns how many bytes were taken. A byte's
    // encoding is never split.
    std::size_t encode(std::string_view input, std::size_t room, std::string& out) const;

    // Appends the decoded field to out; false when the field is malformed.
    bool decode(std::string_view field, std::string& out) const;

    char eighthBit() const { return eighthBit_; }

private:
    void encodeByte(unsigned char byte, std::string& out) const;

    char control_;
    char eighthBit_;
    char repeat_;
    std::array<bool, 256> prefix_{}; // the prefixes in use
};

} // namespace Platform::Serial
