// The engine's text rules: version majors, model bits and break-string tokens.
#include <gtest/gtest.h>

#include "Renova/PrinterUpdater.h"

namespace Renova {
namespace {

TEST(PrinterUpdater, MajorVersionReadsOneOrTwoDigits) {
    EXPECT_EQ(PrinterUpdater::MajorVersion("10.01"), 10);
    EXPECT_EQ(PrinterUpdater::MajorVersion("7.00"), 7);
    EXPECT_EQ(PrinterUpdater::MajorVersion("Rubric 8.20"), 8);
    EXPECT_EQ(PrinterUpdater::MajorVersion("v6a"), 6);
    EXPECT_EQ(PrinterUpdater::MajorVersion("9"), 9);
    EXPECT_EQ(PrinterUpdater::MajorVersion("none"), 0);
    EXPECT_EQ(PrinterUpdater::MajorVersion(""), 0);
}

TEST(PrinterUpdater, ModelBitComparesInLowerCase) {
    EXPECT_EQ(PrinterUpdater::ModelBit("Ravo"), 4);
    EXPECT_EQ(PrinterUpdater::ModelBit("SILEQ"), 8);
    EXPECT_EQ(PrinterUpdater::ModelBit("zephan"), 512);
    EXPECT_EQ(PrinterUpdater::ModelBit("Trell"), 1);
    EXPECT_EQ(PrinterUpdater::ModelBit("Ravo 2"), 0);
    EXPECT_EQ(PrinterUpdater::ModelBit(""), 0);
}

TEST(PrinterUpdater, ControlTokensExpandExactlyAsNamed) {
    std::string text = "<ESC>.<CR>";
    PrinterUpdater::ExpandControlTokens(text);
    EXPECT_EQ(text, std::string("\x1b.\r"));

    text = "<STZ><DEL><NUL><US><esc><STX><DLE><ESC";
    PrinterUpdater::ExpandControlTokens(text);
    EXPECT_EQ(text, std::string("\x02\x10\x00\x1f<esc><STX><DLE><ESC", 23));

    text = "<<CR>CR>";
    PrinterUpdater::ExpandControlTokens(text);
    EXPECT_EQ(text, "<\rCR>");
}

TEST(PrinterUpdater, WrittenControlTokensNameEveryCodeBelow32) {
    EXPECT_EQ(PrinterUpdater::WrittenControlTokens(std::string("\x1bx\r\x02\x10\x00\x1f <esc>\x7f\xe9", 15)),
              "<ESC>x<CR><STZ><DEL><NUL><US> <esc>\x7f\xe9");
    // Written back and expanded again, a string is what it was.
    std::string all;
    for (int code = 0; code < 40; ++code)
        all += static_cast<char>(code);
    std::string text = PrinterUpdater::WrittenControlTokens(all);
    PrinterUpdater::ExpandControlTokens(text);
    EXPECT_EQ(text, all);
}

} // namespace
} // namespace Renova
