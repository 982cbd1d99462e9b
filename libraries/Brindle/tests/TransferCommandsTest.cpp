#include "Brindle/TransferCommands.h"

#include <gtest/gtest.h>

#include "ErrorNumber.h"

using namespace Brindle;

namespace {
RubricVersionNumber v(const char* text) {
    return RubricVersionNumber::FromText(text);
}
} // namespace

TEST(TransferCommands, CommandTexts) {
    const std::string s = "src";
    // Blanks are escaped for the shell (sz, cat -S), never in TRANSFER or cat -B.
    EXPECT_EQ(TransferCommands::SerialDownload(true, "c:my file.txt", s), "\rRUN\"sz c:my\\ file.txt\r");
    EXPECT_EQ(TransferCommands::SerialDownload(false, "c:my file.txt", s),
              "\rTRANSFER K \"S\",\"c:my file.txt\r");
    EXPECT_EQ(TransferCommands::SerialUpload(true, "c:a b", s), "\rBREAK 1 OFF:TRANSFER Z \"R\",\"c:a b\r");
    EXPECT_EQ(TransferCommands::SerialUpload(false, "c:a b", s), "\rBREAK 1 OFF:TRANSFER K \"R\",\"c:a b\r");
    EXPECT_EQ(TransferCommands::NetDownload("c:a b", s),
              "\rPRINTCHR$(1)+CHR$(2)+\"<@BEGIN>\"+CHR$(3)+CHR$(4);:RUN\"cat -B c:a b\":PRINT "
              "CHR$(1)+CHR$(2)+\"<@END>\"+CHR$(3)+CHR$(4);\r");
    // The time-out in whole seconds, halves to the even neighbour.
    const std::pair<int32_t, const char*> seconds[] = {{2000, "2"}, {2500, "2"}, {3500, "4"}, {4499, "4"}};
    for (auto [ms, text] : seconds)
        EXPECT_EQ(TransferCommands::NetUpload(ms, 12, "c:a b", s),
                  std::string("\rRUN\"cat -S") + text + " -12 >c:a\\ b\r")
            << ms;
}

TEST(TransferCommands, RefusesUnsafeNames) {
    const std::pair<const char*, const char*> names[] = {
        {"c:a\"b", "The value \"c:a\"b\" holds a quotation mark"},
        {"c:a\rRUN\"rm -R c:", "The value \"c:a<13>RUN\"rm -R c:\" holds a control character (code 13)"},
        {"c:a\nb", "The value \"c:a<10>b\" holds a control character (code 10)"}};
    for (const auto& [name, detail] : names) {
        EXPECT_TRUE(isError(raisedError([&] { TransferCommands::NetUpload(2000, 1, name, "Here"); }), 101,
                            "Here",
                            std::string("The operation failed because of invalid data. ") + detail +
                                ", which a printer command cannot carry."));
        EXPECT_EQ(errorNumberOf([&] { TransferCommands::NetDownload(name, "Here"); }), 101);
        EXPECT_EQ(errorNumberOf([&] { TransferCommands::SerialDownload(true, name, "Here"); }), 101);
        EXPECT_EQ(errorNumberOf([&] { TransferCommands::SerialUpload(false, name, "Here"); }), 101);
    }
}

TEST(TransferCommands, VersionGates) {
    struct Case {
        const char* version;
        bool netRefused, zmodemAt8, hello;
    };
    const Case cases[] = {
        {"6.10", false, false, false}, {"6.14", true, false, true},  {"6.50", true, false, true},
        {"7.00", true, true, true},    {"7.31", true, true, true},   {"7.32", false, true, true},
        {"7.99", false, true, true},   {"8.00", false, true, false}, {"10.00", false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransferCommands::NetworkTransferRefused(v(c.version)), c.netRefused) << c.version;
        EXPECT_EQ(TransferCommands::UsesZModem(v(c.version), 8), c.zmodemAt8) << c.version;
        EXPECT_FALSE(TransferCommands::UsesZModem(v(c.version), 7)) << c.version;
        EXPECT_EQ(TransferCommands::NeedsHelloAfterSerialUpload(v(c.version)), c.hello) << c.version;
    }
}
