#include "Brindle/RubricVersionNumber.h"

#include <gtest/gtest.h>

using Brindle::RubricVersionNumber;
using Dialect = RubricVersionNumber::Dialect;

TEST(RubricVersionNumber, NormalisesThePrintersVersionTexts) {
    struct Case {
        const char* text;
        const char* normalised;
    };
    const Case cases[] = {
        {"Rubric 8.10 Beta 3", "8.10"},
        {"V7.50a", "7.50"},
        {"Rubric 10.2 Alpha 12", "10.20"},
        {"6.14", "6.14"},
        {"", ".00"},
        {"Rubric", ".00"},
        {"Rubric 9.5", "9.50"},
        {"Rubric 8.1 Beta 5", "8.10"},
        {"rubric 8.1 beta 5", "8.15"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RubricVersionNumber::FromText(c.text).Text(), c.normalised) << c.text;
}

TEST(RubricVersionNumber, GatesOrderVersionsAsNumbers) {
    struct Case {
        const char* version;
        Dialect dialect;
        bool legacyMode;
        bool packageDelay;
    };
    const Case cases[] = {
        {"", Dialect::None, false, false},      {"2.00", Dialect::None, false, false},
        {"5.90", Dialect::None, false, false},  {"6.13", Dialect::None, false, false},
        {"6.14", Dialect::Basic, false, false}, {"6.50", Dialect::Basic, false, false},
        {"6.99", Dialect::Basic, false, false}, {"7.00", Dialect::Shell, false, true},
        {"7.40", Dialect::Shell, false, true},  {"7.99", Dialect::Shell, false, true},
        {"8.00", Dialect::Shell, true, false},  {"8.10", Dialect::Shell, true, false},
        {"10.00", Dialect::Shell, true, false}, {"10.20", Dialect::Shell, true, false},
        {"12.00", Dialect::Shell, true, false},
    };
    for (const auto& c : cases) {
        auto v = RubricVersionNumber::FromText(c.version);
        EXPECT_EQ(v.CommandDialect(), c.dialect) << c.version;
        EXPECT_EQ(v.TracksLegacyMode(), c.legacyMode) << c.version;
        EXPECT_EQ(v.NeedsNetworkPackageDelay(), c.packageDelay) << c.version;
    }
    EXPECT_LT(RubricVersionNumber::FromText("6.14"), RubricVersionNumber::FromText("10.00"));
}

TEST(RubricVersionNumber, ConfigurationGatesOrderVersionsAsNumbers) {
    struct Case {
        const char* version;
        Brindle::enumHardwareOptions networkCard;
        bool debugger;
    };
    const Case cases[] = {
        {"6.50", Brindle::HardwareOption_None, false},     {"7.00", Brindle::HardwareOption_HubletK1, false},
        {"7.60", Brindle::HardwareOption_HubletK1, false}, {"7.62", Brindle::HardwareOption_HubletK1, true},
        {"7.99", Brindle::HardwareOption_HubletK1, true},  {"8.00", Brindle::HardwareOption_HubletK1x, true},
        {"9.50", Brindle::HardwareOption_HubletK1x, true}, {"10.00", Brindle::HardwareOption_HubletN3, true},
        {"10.10", Brindle::HardwareOption_HubletN3, true},
    };
    for (const auto& c : cases) {
        auto v = RubricVersionNumber::FromText(c.version);
        EXPECT_EQ(v.NetworkCardOption(), c.networkCard) << c.version;
        EXPECT_EQ(v.ReportsDebugger(), c.debugger) << c.version;
    }
}
