#include "Markwell/CStringBuilder.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"
#include <string>

using Automation::Error;
using Markwell::CStringBuilder;

namespace {

void expectOwnError(const Error& error, const std::string& source, const std::string& description) {
    EXPECT_EQ(error.Number(), -2147220992);
    EXPECT_EQ(error.Source(), source);
    EXPECT_EQ(error.Description(), description);
}

} // namespace

TEST(CStringBuilder, CapacityCountsTwoBytesPerCharacterAndGrowsByTheBump) {
    auto sb = Automation::New<CStringBuilder>();
    EXPECT_EQ(sb->Length(), 0);
    EXPECT_EQ(sb->Capacity(), 2048);
    EXPECT_EQ(sb->BufferBump(), 2048);
    EXPECT_EQ(sb->ToString(), "");

    sb->Append(std::string(1024, 'x'));
    EXPECT_EQ(sb->Capacity(), 2048);
    sb->Append("y");
    EXPECT_EQ(sb->Capacity(), 4096);
    EXPECT_EQ(sb->Length(), 1025);
    EXPECT_EQ(sb->ToString(), std::string(1024, 'x') + "y");

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

TEST(CStringBuilder, AppendInsertAndRemoveChainOnOneObject) {
    auto sb = Automation::New<CStringBuilder>();
    EXPECT_EQ(sb->Append("b")->Append("c"), sb);
    EXPECT_EQ(sb->Insert(0, "a"), sb);
    sb->Insert(sb->Length(), "d")->Insert(2, "XY")->Insert(1, "");
    EXPECT_EQ(sb->ToString(), "abXYcd");
    EXPECT_EQ(sb->Remove(2, 2), sb);
    sb->Remove(0);
    EXPECT_EQ(sb->ToString(), "bcd");
    sb->Remove(0, sb->Length());
    EXPECT_EQ(sb->ToString(), "");

    // Inserting past the capacity grows it, keeping the text around the gap.
    sb->Append(std::string(1023, 'x'));
    sb->Insert(1, "ab");
    EXPECT_EQ(sb->Capacity(), 4096);
    EXPECT_EQ(sb->ToString(), "xab" + std::string(1022, 'x'));
}

TEST(CStringBuilder, CharsReadsAndWritesOneCharacter) {
    auto sb = Automation::New<CStringBuilder>();
    sb->Append("abc");
    EXPECT_EQ(sb->Chars(), "a");
    EXPECT_EQ(sb->Chars(2), "c");
    sb->setChars(1, "XYZ");
    EXPECT_EQ(sb->ToString(), "aXc");
    sb->setChars("Z");
    EXPECT_EQ(sb->ToString(), "ZXc");
    EXPECT_EQ(sb->Length(), 3);
}

TEST(CStringBuilder, OutOfRangeArgumentsRaiseItsOwnErrorsAndChangeNothing) {
    auto sb = Automation::New<CStringBuilder>();
    sb->Append("abc");
    const std::string reading = "Tried reading character past end of buffer.";
    const std::string assigning = "Tried assigning character past end of buffer.";
    const std::string range = "Argument(s) out of range.";
    expectOwnError(raisedError([&] { sb->Chars(3); }), "CStringBuilder.Chars", reading);
    expectOwnError(raisedError([&] { sb->Chars(-1); }), "CStringBuilder.Chars", reading);
    expectOwnError(raisedError([&] { sb->setChars(3, "x"); }), "CStringBuilder.Chars", assigning);
    expectOwnError(raisedError([&] { sb->Insert(4, "x"); }), "CStringBuilder.Insert", range);
    expectOwnError(raisedError([&] { sb->Insert(-1, "x"); }), "CStringBuilder.Insert", range);
    expectOwnError(raisedError([&] { sb->Remove(3); }), "CStringBuilder.Remove", range);
    expectOwnError(raisedError([&] { sb->Remove(1, 3); }), "CStringBuilder.Remove", range);
    expectOwnError(raisedError([&] { sb->Remove(0, -1); }), "CStringBuilder.Remove", range);
    EXPECT_EQ(raisedError([&] { sb->setChars(0, ""); }).Number(), Automation::RuntimeError::InvalidProcedureCall);
    EXPECT_EQ(raisedError([&] { sb->Remove(1, 0x7fffffff); }).Number(), Automation::RuntimeError::Overflow);
    EXPECT_EQ(raisedError([&] { sb->setLength(0x40000000); }).Number(), Automation::RuntimeError::Overflow);
    EXPECT_EQ(sb->ToString(), "abc");
}
