#include "Brindle/CommandFrame.h"

#include <gtest/gtest.h>

#include "Brindle/Globals.h"
#include "ErrorNumber.h"

using Brindle::CommandFrame;
using namespace std::string_literals;

TEST(CommandFrame, FramesTheCommandByteForByte) {
    std::string command = "PRINT VERSION$(0)";
    std::string frame = CommandFrame::Build(command, 7);
    EXPECT_EQ(command, "PRINT VERSION$(0)\r");
    const std::string expected =
        "\r"
        "QQISV18%=SYSVAR(18):SYSVAR(18)=8\r"
        "PRINT CHR$(1)+\"CMD07\"+CHR$(2);\r"
        "QQISV19%=SYSVAR(19):SYSVAR(19)=2:QQISV15%=SYSVAR(15)\r"
        "PRINT VERSION$(0)\r"
        "QQISV15%=SYSVAR(15):SYSVAR(19)=0\r"
        "QQISV24%=SYSVAR(24)\r"
        "QQISV43%=SYSVAR(43)\r"
        "MAP1,0,49:MAP2,0,50:MAP3,0,51:MAP4,0,52\r"
        "MAP5,0,53\r"
        "QQISTDIO$=\"\0\":MAP1,0,0:MAP2,0,0:MAP3,0,0:MAP4,0,0\r"
        "MAP5,0,0\r"
        "PRINT CHR$(3)+\"CMD07\"+CHR$(QQISV18%+65)+STR$(QQISV19%)+STR$(QQISV43%)+QQISTDIO$+STR$(QQISV24%)"
        "+CHR$(30);:PRINT:PRINT CHR$(30)+VERSION$(0)+CHR$(30)+STR$(QQISV15%)+CHR$(30);:RUN\"whoami\"\r"
        "SYSVAR(19)=QQISV19%:SYSVAR(18)=QQISV18%:PRINTCHR$(4);\r"s;
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(frame.size(), 556u) << "the NUL of QQISTDIO$ is part of the frame";

    // The first package ends just before the command, the second starts with it.
    int32_t split = CommandFrame::SplitPos(frame, command);
    EXPECT_EQ(frame.substr(0, split - 1),
              "\rQQISV18%=SYSVAR(18):SYSVAR(18)=8\rPRINT CHR$(1)+\"CMD07\"+CHR$(2);\r"
              "QQISV19%=SYSVAR(19):SYSVAR(19)=2:QQISV15%=SYSVAR(15)\r");
    EXPECT_EQ(frame.substr(split - 1, 18), "PRINT VERSION$(0)\r");
}

TEST(CommandFrame, AddsALineEndOnlyWhenTheCommandHasNone) {
    for (const char* text : {"RUN\"df c:\"\r", "PRINT 1\n", "A\r\n"}) {
        std::string command = text;
        std::string frame = CommandFrame::Build(command, 99);
        EXPECT_EQ(command, text);
        EXPECT_NE(frame.find(std::string(text) + "QQISV15%"), std::string::npos) << text;
        EXPECT_NE(frame.find("\"CMD99\""), std::string::npos);
    }
}

TEST(Globals, RefusesValuesThatWouldBreakOutOfRubricText) {
    // The description shows the value, control characters by their code, and says what is wrong.
    const std::pair<const char*, const char*> unsafe[] = {
        {"c:\"+KILL\"x", "\"c:\"+KILL\"x\" holds a quotation mark"},
        {"a\rb", "\"a<13>b\" holds a control character (code 13)"},
        {"a\nb", "\"a<10>b\" holds a control character (code 10)"},
        {"a\x01", "\"a<1>\" holds a control character (code 1)"},
        {"\x04", "\"<4>\" holds a control character (code 4)"},
        {"\x02x\"", "\"<2>x\"\" holds a control character (code 2)"}};
    for (const auto& [value, detail] : unsafe)
        EXPECT_TRUE(
            isError(raisedError([&] { Brindle::Globals::CheckRubricValue(value, "Printer:X Method"); }), 101,
                    "Printer:X Method",
                    std::string("The operation failed because of invalid data. The value ") + detail +
                        ", which a printer command cannot carry."))
            << value;
    for (const char* value : {"c:/my file.txt", "card1:", "ADMIN", "p@ss w\xf6rd"})
        EXPECT_EQ(errorNumberOf([&] { Brindle::Globals::CheckRubricValue(value, "x"); }), 0) << value;
    EXPECT_EQ(Brindle::Globals::EscapeBlanks("c:/a b  c"), "c:/a\\ b\\ \\ c");
}
