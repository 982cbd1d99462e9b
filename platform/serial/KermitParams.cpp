#include "serial/KermitParams.h"

#include <algorithm>

namespace Platform::Serial {

namespace {

constexpr int CapasAttributes = 8;
constexpr int CapasWindows = 4;
constexpr int CapasLong = 2;
constexpr int CapasMore = 1;

} // namespace

KermitParams KermitParams::own(bool sevenBitLine, int timeoutSeconds, int packetLength) {
    packetLength = std::clamp(packetLength, MinLength, KermitPacket::MaxExtendedLength);
    KermitParams params;
    params.maxLength = std::min(packetLength, KermitPacket::MaxNormalLength);
    params.timeout = std::clamp(timeoutSeconds, 1, 94);
    params.eighthBit = sevenBitLine ? '&' : 'Y';
    params.checkType = 3;
    params.repeatPrefix = '~';
    params.attributes = true;
    params.longPackets = packetLength > KermitPacket::MaxNormalLength;
    params.maxLongLength = params.longPackets ? packetLength : 0;
    return params;
}

std::string KermitParams::encode() const {
    std::string data;
    data += KermitPacket::toChar(maxLength);
    data += KermitPacket::toChar(timeout);
    data += KermitPacket::toChar(padCount);
    data += static_cast<char>(padChar ^ 0x40);
    data += KermitPacket::toChar(endOfLine);
    data += controlPrefix;
    data += eighthBit;
    data += static_cast<char>('0' + checkType);
    data += repeatPrefix;
    data += KermitPacket::toChar((attributes ? CapasAttributes : 0) | (slidingWindows ? CapasWindows : 0) |
                                 (longPackets ? CapasLong : 0));
    data += KermitPacket::toChar(window);
    data += KermitPacket::toChar(maxLongLength / 95);
    data += KermitPacket::toChar(maxLongLength % 95);
    return data;
}

KermitParams KermitParams::decode(std::string_view data) {
    KermitParams params;
    auto value = [&](std::size_t i) { return i < data.size() ? KermitPacket::unChar(data[i]) : -1; };
    if (int v = value(0); v >= 10 && v <= KermitPacket::MaxNormalLength)
        params.maxLength = v;
    if (int v = value(1); v > 0 && v <= 94)
        params.timeout = v;
    if (int v = value(2); v > 0 && v <= 94)
        params.padCount = v;
    if (data.size() > 3)
        params.padChar = static_cast<char>(data[3] ^ 0x40);
    if (int v = value(4); v > 0 && v < 32)
        params.endOfLine = static_cast<char>(v);
    if (data.size() > 5 && isPrefix(data[5]))
        params.controlPrefix = data[5];
    if (data.size() > 6 && (data[6] == 'Y' || data[6] == 'N' || isPrefix(data[6])))
        params.eighthBit = data[6];
    if (data.size() > 7 && data[7] >= '1' && data[7] <= '3')
        params.checkType = data[7] - '0';
    if (data.size() > 8 && isPrefix(data[8]))
        params.repeatPrefix = data[8];
    std::size_t i = 9;
    if (int capas = value(i); capas > 0) {
        params.attributes = (capas & CapasAttributes) != 0;
        params.slidingWindows = (capas & CapasWindows) != 0;
        params.longPackets = (capas & CapasLong) != 0;
        // Further capability bytes follow while the low bit is set; none of them concerns us.
        while (value(i) > 0 && (value(i) & CapasMore) != 0)
            ++i;
    }
    ++i;
    if (int v = value(i); v > 0 && v <= 31)
        params.window = v;
    if (int high = value(i + 1), low = value(i + 2); high >= 0 && high <= 94 && low >= 0 && low <= 94) {
        if (const int length = high * 95 + low; length > 0)
            params.maxLongLength = length;
    }
    return params;
}

KermitParams KermitParams::answer(const KermitParams& theirs) const {
    KermitParams reply = *this;
    reply.checkType = theirs.checkType;
    reply.repeatPrefix = theirs.repeatPrefix;
    if (isPrefix(theirs.eighthBit))
        reply.eighthBit = 'Y';
    else if (!(theirs.eighthBit == 'Y' && isPrefix(eighthBit)))
        reply.eighthBit = 'N';
    return reply;
}

KermitLink KermitLink::agree(const KermitParams& ours, const KermitParams& theirs) {
    KermitLink link;
    link.framing.checkType = ours.checkType == theirs.checkType ? ours.checkType : 1;
    link.framing.padCount = theirs.padCount;
    link.framing.padChar = theirs.padChar;
    link.framing.endOfLine = theirs.endOfLine;
    link.ownControlPrefix = ours.controlPrefix;
    link.peerControlPrefix = theirs.controlPrefix;

    char eighthBit = 0;
    if (KermitParams::isPrefix(ours.eighthBit) &&
        (theirs.eighthBit == 'Y' || theirs.eighthBit == ours.eighthBit))
        eighthBit = ours.eighthBit;
    else if (KermitParams::isPrefix(theirs.eighthBit) && ours.eighthBit == 'Y')
        eighthBit = theirs.eighthBit;
    auto clashes = [&](char c) { return c == ours.controlPrefix || c == theirs.controlPrefix; };
    if (!clashes(eighthBit))
        link.eighthBit = eighthBit;

    const char repeat = ours.repeatPrefix;
    if (repeat == theirs.repeatPrefix && KermitParams::isPrefix(repeat) && !clashes(repeat) &&
        repeat != link.eighthBit)
        link.repeat = repeat;

    link.attributes = ours.attributes && theirs.attributes;
    link.longPackets = ours.longPackets && theirs.longPackets;
    link.sendLength = link.longPackets ? std::min(theirs.maxLongLength, ours.maxLongLength)
                                       : std::min(theirs.maxLength, ours.maxLength);
    link.peerTimeout = theirs.timeout;
    return link;
}

std::size_t KermitLink::dataRoom() const {
    // Normal: LEN counts SEQ, TYPE, data and check; extended packets add
    // LENX1, LENX2 and the header check. One character of slack for peers
    // that count the length field itself.
    const int header = longPackets ? 7 : 3;
    return static_cast<std::size_t>(std::max(1, sendLength - header - framing.checkType));
}

} // namespace Platform::Serial
