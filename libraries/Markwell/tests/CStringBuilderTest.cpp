#include "Markwell/CStringBuilder.h"

#include <gtest/gtest.h>
#include <string>

#include "ErrorNumber.h"

using Markwell::CStringBuilder;

TEST(CStringBuilder, CapacityCountsTwoBytesPerCharacterAndGrowsByTheBump) {
    auto sb = Automation::New<CStringBuilder>();
    EXPECT_EQ(sb->Capacity(), 2048);
    sb->Append(std::string(1024, 'x'));
    EXPECT_EQ(sb->Capacity(), 2048);
    sb->Append("y");
    EXPECT_EQ(sb->Capacity(), 4096);
    EXPECT_EQ(sb->Length(), 1025);
    EXPECT_EQ(sb->ToString(), std::string(1024, 'x') + "y");

    // An odd bump is made even; one below 1 is ignored.
    sb->setBufferBump(3);
    EXPECT_EQ(sb->BufferBump(), 4);
    sb->setBufferBump(0);
    sb->setBufferBump(-8);
    EXPECT_EQ(sb->BufferBump(), 4);
    sb->setBufferBump(2048);
    sb->setCapacity(5000);
    EXPECT_EQ(sb->Capacity(), 6144);
    EXPECT_EQ(sb->EnsureCapacity(100), 6144);
    EXPECT_EQ(sb->EnsureCapacity(6145), 8192);
    sb->setCapacity(0);
    EXPECT_EQ(sb->Capacity(), 8192);
}

TEST(CStringBuilder, CapacityBelowTheTextCutsItAndLengthPadsWithZeros) {
    auto sb = Automation::New<CStringBuilder>();
    sb->setBufferBump(4);
    sb->Append("abcdefgh");
    sb->setCapacity(6); // 8 bytes: four characters
    EXPECT_EQ(sb->Capacity(), 8);
    EXPECT_EQ(sb->ToString(), "abcd");
    sb->setLength(6);
    EXPECT_EQ(sb->Capacity(), 12);
    EXPECT_EQ(sb->ToString(), std::string("abcd\0\0", 6));
    sb->setLength(-1);
    EXPECT_EQ(sb->Length(), 6);
    sb->setLength(2);
    EXPECT_EQ(sb->ToString(), "ab");
}

TEST(CStringBuilder, EditsChainOnOneObject) {
    auto sb = Automation::New<CStringBuilder>();
    EXPECT_EQ(sb->Append("b")->Append("c"), sb);
    EXPECT_EQ(sb->Insert(0, "a"), sb);
    sb->Insert(sb->Length(), "d")->Insert(2, "XY")->Insert(1, "");
    EXPECT_EQ(sb->ToString(), "abXYcd");
    EXPECT_EQ(sb->Remove(2, 2), sb);
    sb->Remove(0);
    EXPECT_EQ(sb->ToString(), "bcd");
    sb->setChars(1, "XYZ"); // one character only
    sb->setChars("Z");
    EXPECT_EQ(sb->ToString(), "ZXd");
    EXPECT_EQ(sb->Chars() + sb->Chars(2), "Zd");
    sb->Remove(0, sb->Length());
    EXPECT_EQ(sb->ToString(), "");

    // Inserting past the capacity grows it, keeping the text around the gap.
    sb->Append(std::string(1023, 'x'));
    sb->Insert(1, "ab");
    EXPECT_EQ(sb->Capacity(), 4096);
    EXPECT_EQ(sb->ToString(), "xab" + std::string(1022, 'x'));
}

TEST(CStringBuilder, OutOfRangeArgumentsRaiseItsOwnErrorsAndChangeNothing) {
    auto sb = Automation::New<CStringBuilder>();
    sb->Append("abc");
    const int32_t own = -2147220992;
    const std::string reading = "Tried reading character past end of buffer.";
    const std::string assigning = "Tried assigning character past end of buffer.";
    const std::string range = "Argument(s) out of range.";
    EXPECT_TRUE(isError(raisedError([&] { sb->Chars(3); }), own, "CStringBuilder.Chars", reading));
    EXPECT_TRUE(isError(raisedError([&] { sb->Chars(-1); }), own, "CStringBuilder.Chars", reading));
    EXPECT_TRUE(isError(raisedError([&] { sb->setChars(3, "x"); }), own, "CStringBuilder.Chars", assigning));
    EXPECT_TRUE(isError(raisedError([&] { sb->Insert(4, "x"); }), own, "CStringBuilder.Insert", range));
    EXPECT_TRUE(isError(raisedError([&] { sb->Insert(-1, "x"); }), own, "CStringBuilder.Insert", range));
    EXPECT_TRUE(isError(raisedError([&] { sb->Remove(3); }), own, "CStringBuilder.Remove", range));
    EXPECT_TRUE(isError(raisedError([&] { sb->Remove(1, 3); }), own, "CStringBuilder.Remove", range));
    EXPECT_TRUE(isError(raisedError([&] { sb->Remove(0, -1); }), own, "CStringBuilder.Remove", range));
    EXPECT_EQ(errorNumberOf([&] { sb->setChars(0, ""); }), Automation::RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(errorNumberOf([&] { sb->Remove(1, 0x7fffffff); }), Automation::RuntimeError::Overflow);
    EXPECT_EQ(errorNumberOf([&] { sb->setLength(0x40000000); }), Automation::RuntimeError::Overflow);
    EXPECT_EQ(sb->ToString(), "abc");
}
