#include "Brindle/FifoBuf.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using Brindle::FifoBuf;

namespace {
FifoBuf queueOf(std::string_view bytes) {
    FifoBuf q;
    q.Add(bytes);
    return q;
}
} // namespace

TEST(FifoBuf, AnEmptyQueueFindsNothingAndRefusesSlices) {
    FifoBuf q;
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.FindByte(1, 'A'), 0);
    EXPECT_EQ(q.FindByteRev(1, 'A'), 0);
    EXPECT_EQ(q.FindStr(1, "A"), 0);
    EXPECT_EQ(q.FindStrRev(1, "A"), 0);
    EXPECT_EQ(q.Peek(0), -1);
    int32_t length = 0;
    EXPECT_TRUE(isError(raisedError([&] { q.MidStr(1, length); }), 101, "FifoBuf: MidStr",
                        "The operation failed because of invalid data."));
}

TEST(FifoBuf, SearchesKeepToTheirWindows) {
    struct Case {
        const char* what;
        std::string bytes;
        int32_t result;
        int32_t expected;
    };
    FifoBuf abcrc = queueOf("AB\rC"), abab = queueOf("ABAB");
    std::string long201(200, '.');
    FifoBuf at200 = queueOf(long201.substr(0, 199) + "XY"), at201 = queueOf(long201 + "XY"),
            abcrc3 = queueOf("AB\rC");
    const Case cases[] = {
        {"CR without a limit", "", abcrc.FindByte(1, '\r', 0), 3},
        {"CR outside two bytes", "", abcrc.FindByte(1, '\r', 2), 0},
        {"a window of three bytes ends before the fourth", "", abcrc3.FindByte(1, 'C', 3), 0},
        {"last A", "", abab.FindByteRev(1, 'A'), 3},
        {"last A within two bytes", "", abab.FindByteRev(1, 'A', 2), 1},
        {"AB from 2", "", abab.FindStr(2, "AB"), 3},
        {"AB back from 4 ends at 4", "", abab.FindStrRev(4, "AB"), 4},
        {"AB back from 3 ends at 2", "", abab.FindStrRev(3, "AB"), 2},
        {"AB back from 1 does not fit", "", abab.FindStrRev(1, "AB"), 0},
        {"start past the end", "", abab.FindByte(5, 'A'), 0},
        {"start before the front", "", abab.FindStr(0, "AB"), 0},
        {"match starting at 200 runs past the window", "", at200.FindStr(1, "XY", 200), 200},
        {"match starting at 201 is outside", "", at201.FindStr(1, "XY", 200), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(FifoBuf, SlicesMovesAndDropsReportTheLengthsTheyTook) {
    FifoBuf q = queueOf("12345");
    int32_t length = 0;
    EXPECT_EQ(q.MidStr(3, length), "345");
    EXPECT_EQ(length, 3);
    length = 10;
    EXPECT_EQ(q.MidByteArray(4, length), "45");
    EXPECT_EQ(length, 2);

    q.Poke(0, 'x');
    q.Poke(5, 'y'); // outside: ignored
    q.Poke(1, 256); // not a byte: ignored
    EXPECT_EQ(q.GetBytes(), "x2345");
    EXPECT_EQ(q.Peek(4), '5');

    FifoBuf target = queueOf(">");
    length = 2;
    target.Move(q, length);
    EXPECT_EQ(target.GetBytes(), ">x2");
    EXPECT_EQ(q.GetBytes(), "345");
    length = 0;
    target.Move(q, length);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(target.GetBytes(), ">x2345");
    EXPECT_EQ(q.Count(), 0);

    target.RemoveFront(2);
    EXPECT_EQ(target.GetBytes(), "2345");
    target.RemoveFront(99);
    EXPECT_EQ(target.Count(), 0);
}
