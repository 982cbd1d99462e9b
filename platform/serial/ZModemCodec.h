#pragma once
// ZModem framing: the two CRCs, ZDLE escaping, and the encoding of headers
// and data subpackets as they go on the line.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace Platform::Serial::ZModem {

inline constexpr uint8_t ZPAD = '*';
inline constexpr uint8_t ZDLE = 0x18; // also CAN: five in a row cancel the session
inline constexpr uint8_t ZBIN = 'A';
inline constexpr uint8_t ZHEX = 'B';
inline constexpr uint8_t ZBIN32 = 'C';
inline constexpr uint8_t XON = 0x11;
inline constexpr uint8_t XOFF = 0x13;

enum FrameType : uint8_t {
    ZRQINIT = 0,
    ZRINIT = 1,
    ZSINIT = 2,
    ZACK = 3,
    ZFILE = 4,
    ZSKIP = 5,
    ZNAK = 6,
    ZABORT = 7,
    ZFIN = 8,
    ZRPOS = 9,
    ZDATA = 10,
    ZEOF = 11,
    ZFERR = 12,
    ZCRC = 13,
    ZCHALLENGE = 14,
    ZCOMPL = 15,
    ZCAN = 16,
    ZFREECNT = 17,
    ZCOMMAND = 18,
};

// What follows ZDLE to end a data subpacket.
inline constexpr uint8_t ZCRCE = 'h'; // frame ends, a header follows
inline constexpr uint8_t ZCRCG = 'i'; // frame goes on, no answer wanted
inline constexpr uint8_t ZCRCQ = 'j'; // frame goes on, ZACK wanted
inline constexpr uint8_t ZCRCW = 'k'; // frame ends, ZACK wanted
inline constexpr uint8_t ZRUB0 = 'l'; // escaped 0x7f
inline constexpr uint8_t ZRUB1 = 'm'; // escaped 0xff

// Header byte positions: the flags count down from ZF0, positions up from ZP0.
inline constexpr int ZP0 = 0, ZP1 = 1, ZP2 = 2, ZP3 = 3;
inline constexpr int ZF0 = 3, ZF1 = 2;

// ZRINIT capabilities (ZF0).
inline constexpr uint8_t CANFDX = 0x01;
inline constexpr uint8_t CANOVIO = 0x02;
inline constexpr uint8_t CANFC32 = 0x20;
inline constexpr uint8_t ESCCTL = 0x40;
// ZSINIT flags (ZF0).
inline constexpr uint8_t TESCCTL = 0x40;
// ZFILE conversion (ZF0): binary, no newline translation.
inline constexpr uint8_t ZCBIN = 1;

// Residue of a CRC-32 run over data followed by its own (inverted) CRC.
inline constexpr uint32_t Crc32Residue = 0xdebb20e3;

// CRC-16/XMODEM (polynomial 0x1021, no reflection), continued from `crc`.
uint16_t crc16(uint16_t crc, std::string_view data);
uint16_t crc16(uint16_t crc, uint8_t byte);
// The CRC-32 register (reflected 0xedb88320), continued from `crc`; start at
// 0xffffffff and invert at the end.
uint32_t crc32(uint32_t crc, std::string_view data);
uint32_t crc32(uint32_t crc, uint8_t byte);

struct Header {
    uint8_t type = 0;
    std::array<uint8_t, 4> bytes{};

    static Header withPosition(uint8_t type, uint32_t position);
    static Header withFlags(uint8_t type, uint8_t zf0, uint8_t zf1 = 0);
    uint32_t position() const;
    bool operator==(const Header&) const = default;
};

// Escapes for the line: ZDLE, DLE, XON, XOFF and their high-bit forms always,
// a CR after "@" (so that no modem sees "@CR"), and every control character
// when asked to.
class Escaper {
public:
    explicit Escaper(bool escapeAllControl = false);
    void setEscapeAllControl(bool on);
    bool escapeAllControl() const { return all_; }

    void append(std::string& out, std::string_view data);
    void append(std::string& out, uint8_t byte);

private:
    std::array<uint8_t, 256> table_{}; // 0 plain, 1 always escaped, 2 escaped after "@"
    bool all_ = false;
    uint8_t last_ = 0;
};

// "**", ZDLE, "B", the header and its CRC-16 in hex, CR LF, and XON except
// after ZACK and ZFIN.
void appendHexHeader(std::string& out, const Header& header);
// ZPAD, ZDLE, "A" or "C", then the escaped header and its CRC.
void appendBinaryHeader(std::string& out, const Header& header, bool crc32, Escaper& escaper);
// The escaped data, ZDLE and the frame end, the escaped CRC over both; XON
// after ZCRCW.
void appendSubpacket(std::string& out, std::string_view data, uint8_t frameEnd, bool crc32, Escaper& escaper);

} // namespace Platform::Serial::ZModem
