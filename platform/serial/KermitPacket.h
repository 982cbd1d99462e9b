#pragma once
// One Kermit packet and its form on the line: mark, length, sequence, type,
// data and block check, with the extended length for long packets.
#include <optional>
#include <string>
#include <string_view>

namespace Platform::Serial {

// How our packets go out: the agreed block check and what the peer asked
// for around each packet.
struct KermitFraming {
    int checkType = 1;
    int padCount = 0;
    char padChar = 0;
    char endOfLine = '\r';
};

struct KermitPacket {
    static constexpr char Mark = '\x01';
    // Longest LEN field of a normal packet; longer packets use the extended length.
    static constexpr int MaxNormalLength = 94;
    // Longest extended length the two length characters can carry.
    static constexpr int MaxExtendedLength = 95 * 95 - 1;

    char type = 0;
    int seq = 0;
    std::string data; // the data field as it goes on the line (already encoded)

    static char toChar(int value) { return static_cast<char>(value + 32); }
    static int unChar(char c) { return static_cast<unsigned char>(c) - 32; }

    // The block check of type 1, 2 or 3 over the characters of a packet from
    // its length field to the end of its data.
    static std::string blockCheck(int checkType, std::string_view bytes);

    // The packet as it goes on the line, padding and end-of-line included.
    std::string frame(const KermitFraming& framing) const;

    // A frame as KermitReader cuts it (everything after the mark); nothing
    // when it is malformed or its block check does not match.
    static std::optional<KermitPacket> parse(std::string_view frame, int checkType);
};

} // namespace Platform::Serial
