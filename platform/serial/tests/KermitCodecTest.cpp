#include "serial/KermitCodec.h"

#include <gtest/gtest.h>

#include <string>

using namespace Platform::Serial;

namespace {

std::string encoded(const KermitCodec& codec, const std::string& bytes) {
    std::string out;
    EXPECT_EQ(codec.encode(bytes, 100000, out), bytes.size());
    return out;
}

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

} // namespace

TEST(KermitCodecTest, PrefixesControlCharactersAndThePrefixesThemselves) {
    const KermitCodec plain('#');
    EXPECT_EQ(encoded(plain, std::string("\x01", 1)), "#A");
    EXPECT_EQ(encoded(plain, std::string("\0\r\x7f", 3)), "#@#M#?");
    EXPECT_EQ(encoded(plain, "a#b"), "a##b");
    // Without eighth-bit prefixing the C1 controls and 0xFF are prefixed too.
    EXPECT_EQ(encoded(plain, "\x81\xff\xa3\xe1"), "#\xc1#\xbf#\xa3\xe1");
    // '&' and '~' are plain data while nobody uses them as prefixes.
    EXPECT_EQ(encoded(plain, "&~~~"), "&~~~");
}

TEST(KermitCodecTest, EighthBitPrefixKeepsTheLineSevenBit) {
    const KermitCodec codec('#', '&');
    EXPECT_EQ(encoded(codec, "\x81\xc1&\xa6"), "&#A&A#&&#&");
    const std::string line = encoded(codec, allBytes());
    for (char c : line)
        EXPECT_EQ(static_cast<unsigned char>(c) & 0x80, 0) << "a byte with bit 7 reached the line";
    std::string back;
    ASSERT_TRUE(codec.decode(line, back));
    EXPECT_EQ(back, allBytes());
}

TEST(KermitCodecTest, RepeatCountsCompressRuns) {
    const KermitCodec codec('#', 0, '~');
    EXPECT_EQ(encoded(codec, "aa"), "aa");
    EXPECT_EQ(encoded(codec, "aaa"), "~#a");
    EXPECT_EQ(encoded(codec, "~~~~"), "~$#~");
    EXPECT_EQ(encoded(codec, std::string(4, '\0')), "~$#@");
    // Runs longer than 94 are split.
    EXPECT_EQ(encoded(codec, std::string(100, 'z')), "~~z~&z");
    // Decoding appends, and a field of six characters makes a hundred bytes.
    std::string back = "kept";
    ASSERT_TRUE(codec.decode("~~z~&z", back));
    EXPECT_EQ(back, "kept" + std::string(100, 'z'));
}

TEST(KermitCodecTest, EveryByteInEveryContextRoundTrips) {
    // Each byte alone, doubled, in a run, and next to the prefixes.
    std::string input = allBytes();
    for (int i = 0; i < 256; ++i) {
        input += std::string(2, static_cast<char>(i));
        input += std::string(5, static_cast<char>(i));
        input += "#&~" + std::string(1, static_cast<char>(i)) + "~&#";
    }
    for (char eighthBit : {'\0', '&'}) {
        for (char repeat : {'\0', '~'}) {
            const KermitCodec codec('#', eighthBit, repeat);
            std::string back;
            ASSERT_TRUE(codec.decode(encoded(codec, input), back));
            EXPECT_EQ(back, input) << "eighth-bit " << int(eighthBit) << " repeat " << int(repeat);
        }
    }
}

TEST(KermitCodecTest, EncodingStopsAtTheRoomWithoutSplittingAByte) {
    const KermitCodec codec('#', '&', '~');
    const std::string input = "ab\x81\x81\x81\x81"
                              "cd";
    // "ab" (2) + run "~$&#A" (5) + "cd" (2)
    for (std::size_t room = 0; room <= 9; ++room) {
        std::string out;
        const std::size_t taken = codec.encode(input, room, out);
        EXPECT_LE(out.size(), room);
        const std::size_t expected = room < 2 ? room : room < 7 ? 2 : room - 7 + 6;
        EXPECT_EQ(taken, expected) << "room " << room;
        std::string back;
        ASSERT_TRUE(codec.decode(out, back));
        EXPECT_EQ(back, input.substr(0, taken));
    }
}

TEST(KermitCodecTest, MalformedFieldsAreRefused) {
    const KermitCodec codec('#', '&', '~');
    std::string out;
    for (const std::string bad : {"abc#", "&", "~", "~$", "~ a", "&#"})
        EXPECT_FALSE(codec.decode(bad, out)) << bad;
    // The peer's own control prefix is honoured.
    const KermitCodec peer('!');
    out.clear();
    ASSERT_TRUE(peer.decode("!A#!!", out));
    EXPECT_EQ(out, "\x01#!");
}
