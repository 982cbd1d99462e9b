#include "serial/KermitPacket.h"

#include <array>
#include <cstdint>

namespace Platform::Serial {

namespace {

unsigned sumOf(std::string_view bytes) {
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return sum;
}

char singleCheck(std::string_view bytes) {
    const unsigned sum = sumOf(bytes);
    return KermitPacket::toChar(static_cast<int>((sum + ((sum & 0xC0) >> 6)) & 0x3F));
}

// CRC-CCITT as Kermit computes it: reflected, initial value 0. Sixteen
// tables take sixteen bytes a step: a receiver checks each packet between its
// last byte arriving and its answer going out, so the check sets the pace.
constexpr std::size_t CrcStep = 16;

constexpr std::array<std::array<uint16_t, 256>, CrcStep> crcTables = [] {
    std::array<std::array<uint16_t, 256>, CrcStep> tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0x8408 : crc >> 1;
        tables[0][i] = static_cast<uint16_t>(crc);
    }
    // Table k carries a byte over k more zero bytes.
    for (std::size_t k = 1; k < tables.size(); ++k)
        for (unsigned i = 0; i < 256; ++i)
            tables[k][i] =
                static_cast<uint16_t>((tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF]);
    return tables;
}();

uint16_t crc16(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned crc = 0;
    std::size_t i = 0;
    for (; i + CrcStep <= bytes.size(); i += CrcStep) {
        // The CRC so far joins the step's first two bytes; each byte then
        // travels over the bytes after it within the step.
        crc ^= byte(i) | byte(i + 1) << 8;
        unsigned next = crcTables[CrcStep - 1][crc & 0xFF] ^ crcTables[CrcStep - 2][crc >> 8];
        for (std::size_t k = 2; k < CrcStep; ++k)
            next ^= crcTables[CrcStep - 1 - k][byte(i + k)];
        crc = next;
    }
    for (; i < bytes.size(); ++i)
        crc = (crc >> 8) ^ crcTables[0][(crc ^ byte(i)) & 0xFF];
    return static_cast<uint16_t>(crc);
}

} // namespace

std::string KermitPacket::blockCheck(int checkType, std::string_view bytes) {
    switch (checkType) {
    case 2: {
        const unsigned sum = sumOf(bytes) & 0xFFF;
        return {toChar(static_cast<int>(sum >> 6)), toChar(static_cast<int>(sum & 0x3F))};
    }
    case 3: {
        const unsigned crc = crc16(bytes);
        return {toChar(static_cast<int>((crc >> 12) & 0x0F)), toChar(static_cast<int>((crc >> 6) & 0x3F)),
                toChar(static_cast<int>(crc & 0x3F))};
    }
    default:
        return {singleCheck(bytes)};
    }
}

std::string KermitPacket::frame(const KermitFraming& framing) const {
    const int checkLength = framing.checkType;
    const int normalLength = 2 + static_cast<int>(data.size()) + checkLength;
    std::string body;
    body.reserve(data.size() + 8);
    if (normalLength <= MaxNormalLength) {
        body += toChar(normalLength);
        body += toChar(seq);
        body += type;
    } else {
        const int extended = static_cast<int>(data.size()) + checkLength;
        body += toChar(0);
        body += toChar(seq);
        body += type;
        body += toChar(extended / 95);
        body += toChar(extended % 95);
        body += singleCheck(body);
    }
    body += data;
    body += blockCheck(framing.checkType, body);

    std::string line(static_cast<size_t>(framing.padCount), framing.padChar);
    line += Mark;
    line += body;
    line += framing.endOfLine;
    return line;
}

std::optional<KermitPacket> KermitPacket::parse(std::string_view frame, int checkType) {
    const size_t checkLength = static_cast<size_t>(checkType);
    if (frame.size() < 3 + checkLength)
        return std::nullopt;
    size_t dataStart = 3;
    const int length = unChar(frame[0]);
    if (length == 0) {
        if (frame.size() < 6 + checkLength || singleCheck(frame.substr(0, 5)) != frame[5])
            return std::nullopt;
        const size_t extended = static_cast<size_t>(unChar(frame[3]) * 95 + unChar(frame[4]));
        if (frame.size() != 6 + extended)
            return std::nullopt;
        dataStart = 6;
    } else if (length < 3 || frame.size() != 1 + static_cast<size_t>(length)) {
        return std::nullopt;
    }
    if (frame.size() < dataStart + checkLength)
        return std::nullopt;
    const size_t dataEnd = frame.size() - checkLength;
    if (blockCheck(checkType, frame.substr(0, dataEnd)) != frame.substr(dataEnd))
        return std::nullopt;

    KermitPacket packet;
    packet.seq = unChar(frame[1]);
    packet.type = frame[2];
    if (packet.seq < 0 || packet.seq > 63 || packet.type < 'A' || packet.type > 'Z')
        return std::nullopt;
    packet.data = std::string(frame.substr(dataStart, dataEnd - dataStart));
    return packet;
}

} // namespace Platform::Serial
