#pragma once
// The Send-Init parameters one Kermit offers the other (the data of the S
// packet and of its acknowledgement), and what two offers agree on.
#include <cstddef>
#include <string>
#include <string_view>

#include "serial/KermitPacket.h"

namespace Platform::Serial {

struct KermitLink;

struct KermitParams {
    // The longest packets we take and send unless told otherwise; longer
    // ones are not worth their retransmission cost on a noisy line. With its
    // end of line such a packet fits the 4095 bytes a pseudo-terminal hands
    // over at once, so that it arrives in one read.
    static constexpr int OwnLongLength = 4000;
    static constexpr int MinLength = 20;

    int maxLength = 80;          // MAXL: longest normal packet I take
    int timeout = 5;             // TIME: seconds you wait for me
    int padCount = 0;            // NPAD
    char padChar = 0;            // PADC
    char endOfLine = '\r';       // EOL: what ends packets sent to me
    char controlPrefix = '#';    // QCTL: the prefix I put before control characters
    char eighthBit = 'N';        // QBIN: 'Y' (I agree), 'N' (I refuse) or the prefix I ask for
    int checkType = 1;           // CHKT
    char repeatPrefix = ' ';     // REPT: ' ' for none
    bool attributes = false;     // CAPAS: attribute packets
    bool slidingWindows = false; // CAPAS: sliding windows
    bool longPackets = false;    // CAPAS: extended-length packets
    int window = 1;              // WINDO
    int maxLongLength = 500;     // MAXLX1, MAXLX2: longest long packet I take

    // Our own offer: block check 3, repeat counts, attributes, long packets
    // up to packetLength (none when it fits a normal packet), no windows; on a
    // 7-bit line we ask for eighth-bit prefixing.
    static KermitParams own(bool sevenBitLine, int timeoutSeconds, int packetLength = OwnLongLength);
    // The fields as the S packet carries them.
    std::string encode() const;
    // Fields the peer left out or filled with nonsense take their defaults.
    static KermitParams decode(std::string_view data);
    // Our reply to the sender's offer (this is our own offer).
    KermitParams answer(const KermitParams& theirs) const;

    static bool isPrefix(char c) { return (c >= 33 && c <= 62) || (c >= 96 && c <= 126); }
};

// What both ends use after the Send-Init exchange, seen from our side.
struct KermitLink {
    KermitFraming framing; // how our packets go out (check type, the peer's padding and EOL)
    char ownControlPrefix = '#';
    char peerControlPrefix = '#';
    char eighthBit = 0; // the agreed prefix, 0 when not prefixing
    char repeat = 0;    // the agreed repeat prefix, 0 when none
    bool attributes = false;
    int sendLength = 80; // the longest packet we send: what the peer takes, at most our own length
    bool longPackets = false;
    int peerTimeout = 5; // seconds the peer asked us to wait for it

    static KermitLink agree(const KermitParams& ours, const KermitParams& theirs);
    // Room for the encoded data of one packet we send.
    std::size_t dataRoom() const;
};

} // namespace Platform::Serial
