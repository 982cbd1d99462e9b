#include "serial/KermitPacket.h"
#include "serial/KermitReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Platform::Serial;

namespace {

// G-Kermit's Send-Init as it came off a pty: check type 1, long packets, attributes.
const std::string gkermitInit = "\x01"
                                "9 S~' @-#Y3~*!J*0+++J\"U1@O\r";

// The packets cut out of bytes given byte by byte, or in bulk (as the line hands them over).
std::vector<std::string> frames(KermitReader& reader, const std::string& bytes, int* broken = nullptr,
                                bool bulk = false) {
    std::vector<std::string> found;
    for (std::string_view rest = bytes; !rest.empty();) {
        std::size_t used = 1;
        const auto result = bulk ? reader.push(rest, used) : reader.push(rest.front());
        rest.remove_prefix(used);
        if (result == KermitReader::Result::Frame)
            found.push_back(reader.frame());
        else if ((result == KermitReader::Result::Broken || result == KermitReader::Result::Cut) &&
                 broken != nullptr)
            ++*broken;
    }
    return found;
}

} // namespace

TEST(KermitPacketTest, BlockChecksMatchTheProtocol) {
    // Type 3 is CRC-16/KERMIT, whose check value over "123456789" is 0x2189.
    EXPECT_EQ(KermitPacket::blockCheck(3, "123456789"), std::string({'"', '&', ')'}));
    // Type 2: the 12-bit sum in two characters; 'A'+'B'+'C' = 198.
    EXPECT_EQ(KermitPacket::blockCheck(2, "ABC"), "#&");
    // Type 1 folds the top two bits of the sum into the low six: 198 -> (198 + 3) & 63 = 9.
    EXPECT_EQ(KermitPacket::blockCheck(1, "ABC"), ")");
    // Bytes with bit 7 count with their full value.
    EXPECT_NE(KermitPacket::blockCheck(3, "\x81"), KermitPacket::blockCheck(3, "\x01"));
    // Type 3 over any length is the CRC taken bit by bit.
    std::string bytes;
    for (int length = 0; length < 40; ++length) {
        unsigned crc = 0;
        for (char c : bytes) {
            crc ^= static_cast<unsigned char>(c);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) != 0 ? (crc >> 1) ^ 0x8408 : crc >> 1;
        }
        const std::string expected{KermitPacket::toChar(static_cast<int>(crc >> 12)),
                                   KermitPacket::toChar(static_cast<int>((crc >> 6) & 0x3F)),
                                   KermitPacket::toChar(static_cast<int>(crc & 0x3F))};
        EXPECT_EQ(KermitPacket::blockCheck(3, bytes), expected) << "length " << length;
        bytes += static_cast<char>(length * 97 + 13);
    }
}

TEST(KermitPacketTest, ReadsAndRewritesAnIndependentPeersPacket) {
    const auto packet = KermitPacket::parse(gkermitInit.substr(1, gkermitInit.size() - 2), 1);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->type, 'S');
    EXPECT_EQ(packet->seq, 0);
    EXPECT_EQ(packet->data, "~' @-#Y3~*!J*0+++J\"U1@");
    EXPECT_EQ(packet->frame(KermitFraming{}), gkermitInit);
}

TEST(KermitPacketTest, FramesRoundTripInEveryCheckTypeAndLength) {
    for (int checkType = 1; checkType <= 3; ++checkType) {
        for (std::size_t length : {std::size_t{0}, std::size_t{88}, std::size_t{89}, std::size_t{91},
                                   std::size_t{4000}, std::size_t{9000}}) {
            KermitPacket packet{'D', 63, std::string(length, 'x')};
            for (std::size_t i = 0; i < length; ++i)
                packet.data[i] = static_cast<char>(' ' + i % 95);
            KermitFraming framing{checkType, 2, '\x11', '\r'};
            const std::string line = packet.frame(framing);
            ASSERT_EQ(line.substr(0, 3), std::string("\x11\x11\x01")) << "padding before the mark";
            EXPECT_EQ(line.back(), '\r');
            const bool extended = 2 + length + static_cast<std::size_t>(checkType) > 94;
            EXPECT_EQ(line[3] == ' ', extended) << "length " << length << " check " << checkType;

            for (bool bulk : {false, true}) {
                KermitReader reader;
                const auto found = frames(reader, line, nullptr, bulk);
                ASSERT_EQ(found.size(), 1u);
                const auto back = KermitPacket::parse(found[0], checkType);
                ASSERT_TRUE(back) << "length " << length << " check " << checkType;
                EXPECT_EQ(back->type, 'D');
                EXPECT_EQ(back->seq, 63);
                EXPECT_EQ(back->data, packet.data);
            }
        }
    }
}

TEST(KermitPacketTest, RejectsDamagedFrames) {
    const std::string good = KermitPacket{'D', 5, "hello world"}.frame(KermitFraming{3});
    const std::string frame = good.substr(1, good.size() - 2);
    ASSERT_TRUE(KermitPacket::parse(frame, 3));
    // Every single flipped bit is caught by the CRC.
    for (std::size_t i = 0; i < frame.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string bad = frame;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            EXPECT_FALSE(KermitPacket::parse(bad, 3)) << "byte " << i << " bit " << bit;
        }
    }
    EXPECT_FALSE(KermitPacket::parse(frame.substr(0, frame.size() - 1), 3)) << "short";
    EXPECT_FALSE(KermitPacket::parse(frame, 1)) << "wrong check type";

    // Extended header with a bad header check.
    const std::string longLine = KermitPacket{'D', 1, std::string(200, 'a')}.frame(KermitFraming{3});
    std::string longFrame = longLine.substr(1, longLine.size() - 2);
    ASSERT_TRUE(KermitPacket::parse(longFrame, 3));
    longFrame[5] = static_cast<char>(longFrame[5] ^ 1);
    EXPECT_FALSE(KermitPacket::parse(longFrame, 3));
    // A lower-case type and a sequence beyond 63 are not packets.
    ASSERT_TRUE(KermitPacket::parse(std::string("# D") + KermitPacket::blockCheck(1, "# D"), 1));
    EXPECT_FALSE(KermitPacket::parse(std::string("# d") + KermitPacket::blockCheck(1, "# d"), 1));
    EXPECT_FALSE(KermitPacket::parse(std::string("#`D") + KermitPacket::blockCheck(1, "#`D"), 1));
}

TEST(KermitReaderTest, SkipsEchoAndNoiseBeforeTheFirstPacket) {
    const std::string echo = "\rTRANSFER K \"S\",\"c:data.bin\r\n";
    const std::string banner = "KERMIT READY TO SEND...\r\n";
    for (bool bulk : {false, true}) {
        KermitReader reader;
        const auto found = frames(reader, echo + banner + gkermitInit, nullptr, bulk);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0], gkermitInit.substr(1, gkermitInit.size() - 2));
    }
}

TEST(KermitReaderTest, AMarkInsideAPacketStartsAgain) {
    const std::string one = KermitPacket{'D', 1, std::string(200, 'a')}.frame(KermitFraming{3});
    const std::string two = KermitPacket{'Y', 2, "X"}.frame(KermitFraming{3});
    for (bool bulk : {false, true}) {
        KermitReader reader;
        int broken = 0;
        // The first packet lost its last bytes on the line, short and long.
        const auto found = frames(reader, one.substr(0, 4) + two + one.substr(0, 150) + two, &broken, bulk);
        EXPECT_EQ(broken, 2);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(KermitPacket::parse(found[0], 3)->seq, 2);
        EXPECT_EQ(KermitPacket::parse(found[1], 3)->seq, 2);
    }
}

TEST(KermitReaderTest, ImpossibleLengthsAreBroken) {
    for (std::string bad : {std::string("\x01\r"), std::string("\x01!"), std::string("\x01\x7f"),
                            std::string("\x01 #D\x7f~")}) {
        KermitReader reader;
        int broken = 0;
        EXPECT_TRUE(frames(reader, bad, &broken).empty());
        EXPECT_EQ(broken, 1) << "after " << bad.size() << " bytes";
        EXPECT_FALSE(reader.inFrame());
    }
    // A packet arriving in pieces is one packet.
    const std::string line = KermitPacket{'D', 9, std::string(5000, 'q')}.frame(KermitFraming{2});
    for (bool bulk : {false, true}) {
        KermitReader reader;
        std::vector<std::string> found;
        for (std::size_t i = 0; i < line.size(); i += 7)
            for (const std::string& f : frames(reader, line.substr(i, 7), nullptr, bulk))
                found.push_back(f);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(KermitPacket::parse(found[0], 2)->data.size(), 5000u);
    }
}

TEST(KermitReaderTest, ALineEndingInsideAPacketOrWithoutItsMarkShowsASpoiledPacket) {
    using Result = KermitReader::Result;
    const std::string packet = KermitPacket{'D', 3, "hello"}.frame(KermitFraming{3});
    const std::pair<std::string, std::vector<Result>> cases[] = {
        {packet + packet, {Result::Frame, Result::Frame}},
        {packet.substr(0, 5) + "\r" + packet, {Result::Broken, Result::Frame}}, // its end was lost
        {packet.substr(1) + packet, {Result::Lost, Result::Frame}},             // its mark was lost
        {std::string("\r\n\0\0\r", 5) + packet, {Result::Frame}},               // no text: no packet
    };
    for (const auto& [bytes, expected] : cases) {
        KermitReader reader;
        std::vector<Result> results;
        for (char c : bytes)
            if (const Result result = reader.push(c); result != Result::Nothing)
                results.push_back(result);
        EXPECT_EQ(results, expected) << bytes;
        // Taken in pieces, the same.
        KermitReader bulk;
        std::vector<Result> inPieces;
        for (std::string_view rest = bytes; !rest.empty();) {
            std::size_t used = 0;
            if (const Result result = bulk.push(rest, used); result != Result::Nothing)
                inPieces.push_back(result);
            rest.remove_prefix(used);
        }
        EXPECT_EQ(inPieces, expected) << bytes;
    }
}
