#include "Trapline/BerWriter.h"

#include <vector>

namespace Trapline {

namespace {

constexpr int32_t DoesNotFit = 445;
constexpr std::size_t MaxLength = 0xFFFF;
constexpr std::size_t MaxComponents = 64;

void appendBase128(std::string& out, uint64_t value) {
    char groups[10];
    int count = 0;
    do {
        groups[count++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out += static_cast<char>(groups[--count] | 0x80);
    out += groups[0];
}

} // namespace

std::string BerWriter::element(uint8_t tag, std::string_view content) {
    std::string out(1, static_cast<char>(tag));
    const std::size_t length = content.size();
    if (length > MaxLength)
        throw BuildError{DoesNotFit};
    if (length >= 256) {
        out += '\x82';
        out += static_cast<char>(length >> 8);
    } else if (length >= 128) {
        out += '\x81';
    }
    out += static_cast<char>(length & 0xFF);
    out += content;
    return out;
}

std::string BerWriter::sequence(std::string_view content) {
    const std::size_t length = content.size();
    if (length > MaxLength)
        throw BuildError{DoesNotFit};
    std::string out("\x30", 1);
    if (length >= 128) {
        out += '\x82';
        out += static_cast<char>(length >> 8);
    }
    out += static_cast<char>(length & 0xFF);
    out += content;
    return out;
}

std::string BerWriter::signedContent(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    int count = 4;
    // A leading byte may go while it and the next byte's top bit are all 0 or all 1.
    while (count > 1) {
        const uint32_t top9 = (bits >> (8 * (count - 1) - 1)) & 0x1FF;
        if (top9 != 0 && top9 != 0x1FF)
            break;
        --count;
    }
    std::string out;
    for (int i = count - 1; i >= 0; --i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

std::string BerWriter::unsignedContent(uint32_t value) {
    std::string out;
    if (value & 0x80000000u)
        out += '\0';
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string BerWriter::counter64Content(uint64_t value) {
    int count = 8;
    while (count > 1 && ((value >> (8 * (count - 1))) & 0xFF) == 0)
        --count;
    std::string out;
    if ((value >> (8 * count - 1)) & 1)
        out += '\0';
    for (int i = count - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string BerWriter::objectIdentifierContent(std::string_view text) {
    std::vector<uint64_t> components(1, 0);
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            uint64_t& last = components.back();
            last = last * 10 + static_cast<uint64_t>(c - '0');
            if (last > 0xFFFFFFFFu)
                throw BuildError{DoesNotFit};
        } else {
            components.push_back(0);
        }
        if (components.size() > MaxComponents)
            throw BuildError{DoesNotFit};
    }
    if (components.size() < 2)
        return std::string(1, '\0');
    const uint64_t first = components[0] * 40 + components[1];
    if (first > 255)
        throw BuildError{DoesNotFit};
    std::string out;
    // Base 128 like the rest: a first pair from 2.48 on takes two bytes.
    appendBase128(out, first);
    for (std::size_t i = 2; i < components.size(); ++i)
        appendBase128(out, components[i]);
    return out;
}

} // namespace Trapline
