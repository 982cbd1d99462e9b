#include "serial/ZModemCodec.h"

namespace Platform::Serial::ZModem {

namespace {

constexpr std::array<uint16_t, 256> makeCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint32_t, 256> makeCrc32Table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
        table[i] = crc;
    }
    return table;
}

// Eight tables let the CRC-32 take eight bytes a step (the bulk of a transfer's work).
constexpr std::array<std::array<uint32_t, 256>, 8> makeCrc32Slices() {
    std::array<std::array<uint32_t, 256>, 8> slices{};
    slices[0] = makeCrc32Table();
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i)
            slices[k][i] = (slices[k - 1][i] >> 8) ^ slices[0][slices[k - 1][i] & 0xff];
    return slices;
}

constexpr auto crc16Table = makeCrc16Table();
constexpr auto crc32Slices = makeCrc32Slices();
constexpr const auto& crc32Table = crc32Slices[0];

constexpr char hexDigits[] = "0123456789abcdef";

void appendHex(std::string& out, uint8_t byte) {
    out.push_back(hexDigits[byte >> 4]);
    out.push_back(hexDigits[byte & 0x0f]);
}

} // namespace

uint16_t crc16(uint16_t crc, uint8_t byte) {
    return static_cast<uint16_t>((crc << 8) ^ crc16Table[((crc >> 8) ^ byte) & 0xff]);
}

uint16_t crc16(uint16_t crc, std::string_view data) {
    for (unsigned char c : data)
        crc = crc16(crc, static_cast<uint8_t>(c));
    return crc;
}

uint32_t crc32(uint32_t crc, uint8_t byte) {
    return (crc >> 8) ^ crc32Table[(crc ^ byte) & 0xff];
}

uint32_t crc32(uint32_t crc, std::string_view data) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    std::size_t n = data.size();
    for (; n >= 8; p += 8, n -= 8) {
        uint32_t low =
            crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        crc = crc32Slices[7][low & 0xff] ^ crc32Slices[6][(low >> 8) & 0xff] ^
              crc32Slices[5][(low >> 16) & 0xff] ^ crc32Slices[4][low >> 24] ^ crc32Slices[3][p[4]] ^
              crc32Slices[2][p[5]] ^ crc32Slices[1][p[6]] ^ crc32Slices[0][p[7]];
    }
    for (; n > 0; ++p, --n)
        crc = (crc >> 8) ^ crc32Table[(crc ^ *p) & 0xff];
    return crc;
}

Header Header::withPosition(uint8_t type, uint32_t position) {
    return Header{type,
                  {static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8),
                   static_cast<uint8_t>(position >> 16), static_cast<uint8_t>(position >> 24)}};
}

Header Header::withFlags(uint8_t type, uint8_t zf0, uint8_t zf1) {
    Header header{type, {}};
    header.bytes[ZF0] = zf0;
    header.bytes[ZF1] = zf1;
    return header;
}

uint32_t Header::position() const {
    return uint32_t(bytes[ZP0]) | uint32_t(bytes[ZP1]) << 8 | uint32_t(bytes[ZP2]) << 16 |
           uint32_t(bytes[ZP3]) << 24;
}

Escaper::Escaper(bool escapeAllControl) {
    setEscapeAllControl(escapeAllControl);
}

void Escaper::setEscapeAllControl(bool on) {
    all_ = on;
    for (int c = 0; c < 256; ++c) {
        uint8_t entry = 0;
        if ((c & 0x60) == 0) { // a control character, with or without the high bit
            switch (c & 0x7f) {
            case ZDLE:
            case 0x10: // DLE: modems and multiplexers act on it
            case XON:
            case XOFF:
                entry = 1;
                break;
            case '\r':
                entry = on ? 1 : 2;
                break;
            default:
                entry = on ? 1 : 0;
            }
        }
        table_[c] = entry;
    }
}

void Escaper::append(std::string& out, uint8_t byte) {
    uint8_t how = table_[byte];
    if (how == 1 || (how == 2 && (last_ & 0x7f) == '@')) {
        out.push_back(static_cast<char>(ZDLE));
        byte ^= 0x40;
    }
    out.push_back(static_cast<char>(byte));
    last_ = byte;
}

void Escaper::append(std::string& out, std::string_view data) {
    out.reserve(out.size() + data.size() + data.size() / 16 + 8);
    std::size_t i = 0;
    while (i < data.size()) {
        // Most bytes go as they are: copy them a run at a time.
        std::size_t run = i;
        while (run < data.size() && table_[static_cast<uint8_t>(data[run])] == 0)
            ++run;
        if (run > i) {
            out.append(data.substr(i, run - i));
            last_ = static_cast<uint8_t>(data[run - 1]);
            i = run;
        }
        if (i < data.size())
            append(out, static_cast<uint8_t>(data[i++]));
    }
}

void appendHexHeader(std::string& out, const Header& header) {
    out += "**";
    out.push_back(static_cast<char>(ZDLE));
    out.push_back(static_cast<char>(ZHEX));
    appendHex(out, header.type);
    uint16_t crc = crc16(0, header.type);
    for (uint8_t b : header.bytes) {
        appendHex(out, b);
        crc = crc16(crc, b);
    }
    appendHex(out, static_cast<uint8_t>(crc >> 8));
    appendHex(out, static_cast<uint8_t>(crc));
    out.push_back('\r');
    out.push_back(static_cast<char>(0x8a)); // LF with the high bit, as receivers expect
    if (header.type != ZACK && header.type != ZFIN)
        out.push_back(static_cast<char>(XON));
}

void appendBinaryHeader(std::string& out, const Header& header, bool crc32Mode, Escaper& escaper) {
    out.push_back(static_cast<char>(ZPAD));
    out.push_back(static_cast<char>(ZDLE));
    out.push_back(static_cast<char>(crc32Mode ? ZBIN32 : ZBIN));
    escaper.append(out, header.type);
    for (uint8_t b : header.bytes)
        escaper.append(out, b);
    if (crc32Mode) {
        uint32_t crc = crc32(0xffffffffu, header.type);
        for (uint8_t b : header.bytes)
            crc = crc32(crc, b);
        crc = ~crc;
        for (int i = 0; i < 4; ++i)
            escaper.append(out, static_cast<uint8_t>(crc >> (8 * i)));
    } else {
        uint16_t crc = crc16(0, header.type);
        for (uint8_t b : header.bytes)
            crc = crc16(crc, b);
        escaper.append(out, static_cast<uint8_t>(crc >> 8));
        escaper.append(out, static_cast<uint8_t>(crc));
    }
}

void appendSubpacket(std::string& out, std::string_view data, uint8_t frameEnd, bool crc32Mode,
                     Escaper& escaper) {
    escaper.append(out, data);
    out.push_back(static_cast<char>(ZDLE));
    out.push_back(static_cast<char>(frameEnd));
    if (crc32Mode) {
        uint32_t crc = ~crc32(crc32(0xffffffffu, data), frameEnd);
        for (int i = 0; i < 4; ++i)
            escaper.append(out, static_cast<uint8_t>(crc >> (8 * i)));
    } else {
        uint16_t crc = crc16(crc16(0, data), frameEnd);
        escaper.append(out, static_cast<uint8_t>(crc >> 8));
        escaper.append(out, static_cast<uint8_t>(crc));
    }
    if (frameEnd == ZCRCW)
        out.push_back(static_cast<char>(XON));
}

} // namespace Platform::Serial::ZModem
