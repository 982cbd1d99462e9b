#include "Trapline/BerReader.h"

namespace Trapline {

namespace {

constexpr std::size_t MaxComponents = 64;

[[noreturn]] void malformed() {
    throw DecodeError{ElementMalformed};
}

uint64_t bigEndian(std::string_view content) {
    uint64_t value = 0;
    for (char c : content)
        value = (value << 8) | static_cast<uint8_t>(c);
    return value;
}

// Content bytes of an unsigned value of at most `width` bytes, of which a
// further leading 0x00 is allowed.
std::string_view unsignedDigits(std::string_view content, std::size_t width) {
    if (content.empty() || content.size() > width + 1)
        malformed();
    if (content.size() == width + 1) {
        if (content[0] != '\0')
            malformed();
        content.remove_prefix(1);
    }
    return content;
}

} // namespace

BerElement BerReader::next() {
    if (rest_.empty())
        throw DecodeError{ElementMissing};
    const auto tag = static_cast<uint8_t>(rest_[0]);
    if ((tag & 0x1F) == 0x1F)
        malformed();
    if (rest_.size() < 2)
        malformed();
    std::size_t length = static_cast<uint8_t>(rest_[1]);
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t bytes = length & 0x7F;
        if (bytes == 0 || bytes > 4 || rest_.size() < 2 + bytes)
            malformed();
        length = static_cast<std::size_t>(bigEndian(rest_.substr(2, bytes)));
        header += bytes;
    }
    if (length > rest_.size() - header)
        malformed();
    BerElement element{tag, rest_.substr(header, length)};
    rest_.remove_prefix(header + length);
    return element;
}

int32_t BerReader::signedValue(std::string_view content) {
    if (content.empty() || content.size() > 4)
        malformed();
    uint32_t value = static_cast<int8_t>(content[0]) < 0 ? 0xFFFFFFFFu : 0;
    for (char c : content)
        value = (value << 8) | static_cast<uint8_t>(c);
    return static_cast<int32_t>(value);
}

uint32_t BerReader::unsignedValue(std::string_view content) {
    return static_cast<uint32_t>(bigEndian(unsignedDigits(content, 4)));
}

uint64_t BerReader::counter64Value(std::string_view content) {
    return bigEndian(unsignedDigits(content, 8));
}

uint32_t BerReader::ipAddressValue(std::string_view content) {
    if (content.size() != 4)
        malformed();
    return static_cast<uint32_t>(bigEndian(content));
}

std::string BerReader::objectIdentifierText(std::string_view content) {
    if (content.empty())
        malformed();
    std::string text;
    std::size_t components = 0;
    uint64_t value = 0;
    bool inGroup = false;
    for (char c : content) {
        const auto byte = static_cast<uint8_t>(c);
        value = (value << 7) | (byte & 0x7F);
        if (value > 0xFFFFFFFFu)
            malformed();
        inGroup = (byte & 0x80) != 0;
        if (inGroup)
            continue;
        if (components == 0) {
            const uint64_t first = value < 80 ? value / 40 : 2;
            text = std::to_string(first) + '.' + std::to_string(value - first * 40);
            components = 2;
        } else {
            if (++components > MaxComponents)
                malformed();
            text += '.' + std::to_string(value);
        }
        value = 0;
    }
    if (inGroup)
        malformed();
    return text;
}

} // namespace Trapline
