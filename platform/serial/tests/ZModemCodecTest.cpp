// ZModem framing: CRCs, header bytes as lrzsz sends them, escaping, and the
// reader that takes the frames apart again.
#include <gtest/gtest.h>

#include <vector>

#include "serial/ZModemCodec.h"
#include "serial/ZModemReader.h"

namespace Platform::Serial::ZModem {
namespace {

using Kind = ZModemReader::Kind;

struct Seen {
    Kind kind;
    Header header;
    bool crc32 = false;
    std::string data;
    uint8_t frameEnd = 0;
};

std::vector<Seen> readAll(ZModemReader& reader, std::string_view bytes, bool byteByByte) {
    std::vector<Seen> seen;
    auto sink = [&](const ZModemReader::Item& item) {
        seen.push_back({item.kind, item.header, item.crc32, std::string(item.data), item.frameEnd});
    };
    if (byteByByte) {
        for (char c : bytes)
            reader.feed(std::string_view(&c, 1), sink);
    } else {
        reader.feed(bytes, sink);
    }
    return seen;
}

std::string allBytes() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s.push_back(static_cast<char>(i));
    return s;
}

TEST(ZModemCrc, MatchTheStandardCheckValues) {
    EXPECT_EQ(crc16(0, "123456789"), 0x31c3);
    EXPECT_EQ(~crc32(0xffffffffu, "123456789"), 0xcbf43926u);
    // Running over data and its own CRC leaves the residue the receiver checks for.
    uint32_t crc = ~crc32(0xffffffffu, "abc");
    std::string withCrc = "abc";
    for (int i = 0; i < 4; ++i)
        withCrc.push_back(static_cast<char>(crc >> (8 * i)));
    EXPECT_EQ(crc32(0xffffffffu, withCrc), Crc32Residue);
}

TEST(ZModemHeader, HexHeadersAreTheBytesLrzszSends) {
    std::string out;
    appendHexHeader(out, Header::withFlags(ZRINIT, CANFDX | CANOVIO | CANFC32));
    EXPECT_EQ(out, "**\x18"
                   "B0100000023be50\r\x8a\x11");
    out.clear();
    appendHexHeader(out, Header::withPosition(ZRQINIT, 0));
    EXPECT_EQ(out, "**\x18"
                   "B00000000000000\r\x8a\x11");
    out.clear();
    appendHexHeader(out, Header::withPosition(ZFIN, 0)); // no XON after ZFIN
    EXPECT_EQ(out, "**\x18"
                   "B0800000000022d\r\x8a");
    EXPECT_EQ(Header::withPosition(ZRPOS, 0x12345678).position(), 0x12345678u);
    EXPECT_EQ(Header::withPosition(ZRPOS, 0x12345678).bytes[ZP0], 0x78);
}

TEST(ZModemEscaper, EscapesLineControlCharactersAndTheirHighBitForms) {
    const std::string mustEscape = "\x10\x11\x13\x18\x90\x91\x93\x98";
    Escaper escaper;
    for (int c = 0; c < 256; ++c) {
        std::string out;
        escaper.append(out, uint8_t('x'));
        out.clear();
        escaper.append(out, static_cast<uint8_t>(c));
        if (mustEscape.find(static_cast<char>(c)) != std::string::npos)
            EXPECT_EQ(out, std::string({'\x18', static_cast<char>(c ^ 0x40)})) << c;
        else
            EXPECT_EQ(out, std::string(1, static_cast<char>(c))) << c;
    }
    // A CR right after "@" would be "@CR" to a modem; elsewhere a CR goes plain.
    std::string out;
    escaper.append(out, "@\rA\r");
    EXPECT_EQ(out, "@\x18MA\r");

    Escaper all(true);
    for (int c = 0; c < 256; ++c) {
        std::string one;
        all.append(one, static_cast<uint8_t>(c));
        EXPECT_EQ(one.size(), (c & 0x60) == 0 ? 2u : 1u) << c;
    }
}

TEST(ZModemReader, TakesBackWhatWasSentInBothCrcModes) {
    for (bool crc32Mode : {false, true}) {
        for (bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(crc32Mode ? "crc32 " : "crc16 ") + (byteByByte ? "bytewise" : "whole"));
            Escaper escaper;
            // The printer echoes its command line before its side starts.
            std::string line = "RUN\"sz a*b\r\n** no header\r\n";
            appendBinaryHeader(line, Header::withPosition(ZDATA, 1234), crc32Mode, escaper);
            appendSubpacket(line, allBytes(), ZCRCG, crc32Mode, escaper);
            appendSubpacket(line, "abc", ZCRCQ, crc32Mode, escaper);
            appendSubpacket(line, "", ZCRCE, crc32Mode, escaper);
            appendHexHeader(line, Header::withPosition(ZEOF, 1493));

            ZModemReader reader;
            auto seen = readAll(reader, line, byteByByte);
            ASSERT_EQ(seen.size(), 5u);
            EXPECT_EQ(seen[0].kind, Kind::Header);
            EXPECT_EQ(seen[0].header, Header::withPosition(ZDATA, 1234));
            EXPECT_EQ(seen[0].crc32, crc32Mode);
            EXPECT_EQ(seen[1].kind, Kind::Subpacket);
            EXPECT_EQ(seen[1].data, allBytes());
            EXPECT_EQ(seen[1].frameEnd, ZCRCG);
            EXPECT_EQ(seen[2].data, "abc");
            EXPECT_EQ(seen[2].frameEnd, ZCRCQ);
            EXPECT_EQ(seen[3].data, "");
            EXPECT_EQ(seen[3].frameEnd, ZCRCE);
            EXPECT_EQ(seen[4].header, Header::withPosition(ZEOF, 1493));
        }
    }
}

TEST(ZModemReader, ASubpacketRightAfterAHexHeaderDoesNotTakeItsLineEnd) {
    // sz -e announces itself with a hex ZSINIT whose subpacket follows the CR LF XON.
    Escaper escaper(true);
    std::string line;
    appendHexHeader(line, Header::withFlags(ZSINIT, TESCCTL));
    appendSubpacket(line, std::string(1, '\0'), ZCRCW, false, escaper);
    ZModemReader reader;
    auto seen = readAll(reader, line, false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].header.type, ZSINIT);
    EXPECT_EQ(seen[1].kind, Kind::Subpacket);
    EXPECT_EQ(seen[1].data, std::string(1, '\0'));
}

TEST(ZModemReader, IgnoresFlowControlDecodesRubAndReportsDamage) {
    Escaper escaper;
    std::string packet;
    appendBinaryHeader(packet, Header::withPosition(ZDATA, 0), true, escaper);
    appendSubpacket(packet, "hello world", ZCRCW, true, escaper);

    // XON and XOFF, plain or with the high bit, are the line's, not the data's.
    std::string withFlow = packet;
    withFlow.insert(withFlow.size() - 8, "\x11\x93");
    ZModemReader reader;
    auto seen = readAll(reader, withFlow, false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].data, "hello world");

    // 0x7f and 0xff may come as ZRUB0 and ZRUB1.
    std::string rubbed;
    appendBinaryHeader(rubbed, Header::withPosition(ZDATA, 0), false, escaper);
    rubbed += "\x18l\x18m\x18k";
    uint16_t crc = crc16(crc16(0, std::string_view("\x7f\xff", 2)), ZCRCW);
    rubbed.push_back(static_cast<char>(crc >> 8));
    rubbed.push_back(static_cast<char>(crc));
    ZModemReader rubReader;
    seen = readAll(rubReader, rubbed, false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, Kind::Subpacket);
    EXPECT_EQ(seen[1].data, "\x7f\xff");

    std::string flipped = packet;
    flipped[flipped.find("world")] ^= 0x01;
    ZModemReader damaged;
    seen = readAll(damaged, flipped, false);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, Kind::Error);
}

TEST(ZModemReader, ABareControlCharacterIsNoiseOnlyWhereThePeerEscapesThemAll) {
    // Bytes below 0x20 other than the line's own go plain unless every control character is escaped.
    const std::string data = std::string("run\x01\x02 of\x1f\x00 plain\x7f", 17) + allBytes();
    for (bool all : {false, true}) {
        SCOPED_TRACE(all ? "all escaped" : "line controls escaped");
        Escaper escaper(all);
        std::string packet;
        appendBinaryHeader(packet, Header::withPosition(ZDATA, 0), true, escaper);
        appendSubpacket(packet, data, ZCRCG, true, escaper);
        // The line adds a control character in the middle of a run of plain bytes.
        std::string noisy = packet;
        noisy.insert(noisy.find(" plain") + 3, 1, '\x05');
        for (bool byteByByte : {false, true}) {
            ZModemReader reader;
            reader.setDropControl(all);
            auto seen = readAll(reader, packet, byteByByte);
            ASSERT_EQ(seen.size(), 2u);
            EXPECT_EQ(seen[1].kind, Kind::Subpacket);
            EXPECT_EQ(seen[1].data, data);
            ZModemReader noisyReader;
            noisyReader.setDropControl(all);
            seen = readAll(noisyReader, noisy, byteByByte);
            ASSERT_EQ(seen.size(), 2u);
            // Dropped where the peer escapes them all; else a byte too many, which fails the CRC.
            EXPECT_EQ(seen[1].kind, all ? Kind::Subpacket : Kind::Error);
            if (all) {
                EXPECT_EQ(seen[1].data, data);
            }
        }
    }
}

TEST(ZModemReader, FiveCancelsInARowEndTheSession) {
    ZModemReader reader;
    EXPECT_TRUE(readAll(reader, "\x18\x18\x18\x18", false).empty());
    auto seen = readAll(reader, "\x18", false);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, Kind::Cancel);
    // Interrupted runs do not add up.
    ZModemReader other;
    EXPECT_TRUE(readAll(other, "\x18\x18\x18x\x18\x18\x18", false).empty());
}

} // namespace
} // namespace Platform::Serial::ZModem
