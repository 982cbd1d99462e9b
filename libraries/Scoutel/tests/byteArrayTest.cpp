#include "Scoutel/byteArray.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include "TempFolder.h"

using Automation::ByteArray;
using Scoutel::byteArray;

namespace {

byteArray bufferOf(std::string_view text) {
    byteArray buffer;
    buffer.Add(ByteArray(text.begin(), text.end()));
    return buffer;
}

} // namespace

TEST(byteArrayTest, SearchesGiveOneBasedPositionsWithinTheirRange) {
    //                               1234567890123
    const byteArray buffer = bufferOf("abcabcXYZcatZ");
    struct Case {
        const char* what;
        int32_t got, expected;
    };
    const Case cases[] = {
        {"FindByte gives the position after the hit", buffer.FindByte(1, 'a'), 2},
        {"FindByte from the second hit", buffer.FindByte(2, 'a'), 5},
        {"FindByte range 2 looks at 2 to 3", buffer.FindByte(2, 'a', 2), 0},
        {"FindByte range 4 looks at 2 to 5", buffer.FindByte(2, 'a', 4), 5},
        {"FindByte start 0", buffer.FindByte(0, 'a'), 0},
        {"FindByte start past the end", buffer.FindByte(14, 'a'), 0},
        {"FindByte huge range", buffer.FindByte(INT32_MAX, 'a', INT32_MAX), 0},
        {"FindByteRev finds the last", buffer.FindByteRev(1, 'a'), 12},
        {"FindByteRev with a range", buffer.FindByteRev(1, 'a', 6), 5},
        {"FindStr at the start", buffer.FindStr(1, "abc"), 1},
        {"FindStr from 2", buffer.FindStr(2, "abc"), 4},
        {"FindStr range 2 gives 3 candidates", buffer.FindStr(2, "abc", 2), 4},
        {"FindStr range 1 gives 2 candidates", buffer.FindStr(2, "abc", 1), 0},
        {"FindStr at the very end", buffer.FindStr(1, "atZ"), 11},
        {"FindStr longer than the buffer", buffer.FindStr(1, "abcabcXYZcatZZ"), 0},
        {"FindStr empty", buffer.FindStr(1, ""), 0},
        {"FindStr start past last + 1", buffer.FindStr(13, "atZ"), 0},
        {"FindStrRev finds the last", buffer.FindStrRev(13, "abc"), 4},
        {"FindStrRev start is a candidate", buffer.FindStrRev(4, "abc"), 4},
        {"FindStrRev may run past the start", buffer.FindStrRev(10, "cat"), 10},
        {"FindStrRev lowest candidate is low + n - 1", buffer.FindStrRev(3, "abc"), 0},
        {"FindStrRev range stops it", buffer.FindStrRev(12, "abc", 7), 0},
        {"FindStrRev range reaches it", buffer.FindStrRev(12, "abc", 11), 4},
        {"FindStrRev start past the end", buffer.FindStrRev(14, "atZ"), 0},
        {"FindStrRev empty", buffer.FindStrRev(13, ""), 0},
        {"FindByteArray", buffer.FindByteArray(1, ByteArray{'X', 'Y'}), 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(byteArrayTest, ReverseSearchAtTheEndOfTheBufferIsNoMatchAndNoError) {
    // The leading bytes "ca" match up to the last byte; the whole text cannot.
    const byteArray buffer = bufferOf("xxca");
    EXPECT_EQ(buffer.FindStrRev(4, "cat"), 0);
    EXPECT_EQ(buffer.FindStrRev(3, "cat"), 0);
    EXPECT_EQ(bufferOf("ca").FindStrRev(2, "cat"), 0);
    EXPECT_EQ(byteArray().FindStrRev(1, "c"), 0);
}

TEST(byteArrayTest, MidStrReadsToTheEndAndRefusesPositionsOutside) {
    const byteArray buffer = bufferOf("0123456789");
    int32_t length = 0;
    EXPECT_EQ(buffer.MidStr(5, length), "456789");
    EXPECT_EQ(length, 6);
    length = 100;
    EXPECT_EQ(buffer.MidStr(9, length), "89");
    EXPECT_EQ(length, 2);
    length = 3;
    EXPECT_EQ(buffer.MidByteArray(2, length), (ByteArray{'1', '2', '3'}));

    length = 1;
    EXPECT_TRUE(isError(raisedError([&] { buffer.MidStr(0, length); }), 9, "FifoBuf: MidStr",
                        "Subscript out of range"));
    EXPECT_EQ(errorNumberOf([&] { buffer.MidByteArray(11, length); }), 9);
    length = -2;
    EXPECT_TRUE(
        isError(raisedError([&] { buffer.MidStr(3, length); }), 9, "Scoutel", "Subscript out of range"));
    length = INT32_MAX;
    EXPECT_EQ(buffer.MidStr(10, length), "9");
}

TEST(byteArrayTest, PeekPokeMoveAndRemoveFront) {
    byteArray buffer = bufferOf("abc");
    EXPECT_EQ(buffer.Peek(0), 0);
    EXPECT_EQ(buffer.Peek(3), 'c');
    EXPECT_EQ(buffer.Peek(4), -1);
    EXPECT_EQ(buffer.Peek(-1), -1);
    buffer.Poke(1, 300);
    buffer.Poke(4, 65);
    buffer.Poke(1, -1);
    buffer.Poke(2, 'B');
    EXPECT_EQ(buffer.GetBytes(), (ByteArray{0, 'a', 'B', 'c'}));

    byteArray target = bufferOf("x");
    int32_t length = 0;
    target.Move(buffer, length);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer.Count(), 0);
    EXPECT_EQ(target.GetBytes(), (ByteArray{0, 'x', 'a', 'B', 'c'}));
    length = 2;
    target.Move(target, length);
    EXPECT_EQ(target.GetBytes(), (ByteArray{0, 'B', 'c', 'x', 'a'}));

    target.RemoveFront(0);
    EXPECT_EQ(target.Count(), 4);
    target.RemoveFront(3);
    EXPECT_EQ(target.GetBytes(), (ByteArray{0, 'a'}));
    target.RemoveFront(5);
    EXPECT_EQ(target.Count(), 0);
}

TEST(byteArrayTest, LoadFileReplacesTheContentsOnlyWhenItReadsBytes) {
    TempFolder folder;
    byteArray buffer = bufferOf("old");
    buffer.LoadFile(folder.write("a.bin", std::string("\0\xFF", 2)));
    EXPECT_EQ(buffer.GetBytes(), (ByteArray{0, 0, 0xFF}));

    EXPECT_EQ(errorNumberOf([&] { buffer.LoadFile(folder.write("empty.bin", "")); }), 9);
    EXPECT_EQ(errorNumberOf([&] { buffer.LoadFile(folder / "none.bin"); }), 53);
    EXPECT_EQ(buffer.Count(), 2);
}
