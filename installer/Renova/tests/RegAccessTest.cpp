// Registry access by company, application and section, and the engine's time-outs.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Renova/EngineSettings.h"
#include "Renova/RegAccess.h"
#include "TempFolder.h"
#include "registry/Registry.h"

namespace Renova {
namespace {

using namespace Platform::Registry;

class RegAccessTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1); }
    TempFolder folder_;
};

constexpr const char* Settings = "Software\\Korvessa\\Kestrup\\Settings";

TEST_F(RegAccessTest, NamesAreTrimmedAndFallBackToTheirDefaults) {
    RegAccess registry("Kestrup");
    EXPECT_EQ(registry.Company(), "Korvessa");
    EXPECT_EQ(registry.AppName(), "Kestrup");
    registry.setCompany("  Acme Labels ");
    registry.setAppName(" Tool ");
    EXPECT_EQ(registry.Company(), "Acme Labels");
    EXPECT_EQ(registry.AppName(), "Tool");
    registry.setCompany("");
    registry.setAppName("");
    EXPECT_EQ(registry.Company(), "Korvessa");
    EXPECT_EQ(registry.AppName(), "Kestrup");
    EXPECT_EQ(RegAccess().AppName(), "Renova");

    registry.setTopLevelKey(0);
    EXPECT_EQ(static_cast<uint32_t>(registry.TopLevelKey()), 0x80000001u);
    registry.setTopLevelKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(static_cast<uint32_t>(registry.TopLevelKey()), 0x80000002u);
    registry.setTopLevelKey(static_cast<int32_t>(0x80000007u));
    EXPECT_EQ(registry.TopLevelKey(), HKEY_CURRENT_USER);
}

TEST_F(RegAccessTest, SavedSettingsReadBackUnderTheWholeKeyPath) {
    RegAccess registry;
    registry.setCompany("Korvessa");
    registry.setAppName("Kestrup");
    ASSERT_TRUE(registry.SaveSetting("Settings", "TimeOut", "10000"));
    ASSERT_TRUE(registry.SaveSetting("Settings", "*", "unnamed"));
    EXPECT_EQ(registry.GetSetting(Settings, "TimeOut", "0"), "10000");
    EXPECT_EQ(registry.GetSetting(Settings, "*", "0"), "unnamed");
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, ""), "unnamed");
    EXPECT_EQ(registry.GetSetting(Settings, "Absent", "fallback"), "fallback");
    EXPECT_EQ(registry.GetSetting("Software\\Absent", "TimeOut", "fallback"), "fallback");
    // The root is the object's: the machine's store holds nothing of this.
    registry.setTopLevelKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.GetSetting(Settings, "TimeOut", "none"), "none");
}

TEST_F(RegAccessTest, AStoredTerminatingZeroIsDroppedAndAnEmptyValueGivesTheDefault) {
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "Zero", std::string("abc\0", 4)));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "Empty", ""));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "OnlyZero", std::string(1, '\0')));
    RegAccess registry;
    EXPECT_EQ(registry.GetSetting(Settings, "Zero", "d"), "abc");
    EXPECT_EQ(registry.GetSetting(Settings, "Empty", "d"), "d");
    EXPECT_EQ(registry.GetSetting(Settings, "OnlyZero", "d"), "");
}

TEST_F(RegAccessTest, RemoveSettingTakesAValueOrTheWholeSection) {
    RegAccess registry;
    registry.setAppName("Kestrup");
    registry.SaveSetting("Settings", "TimeOut", "1");
    registry.SaveSetting("Settings", "Other", "2");
    registry.SaveSetting("Settings", "*", "3");
    EXPECT_TRUE(registry.RemoveSetting("Settings", "TimeOut"));
    EXPECT_FALSE(registry.RemoveSetting("Settings", "TimeOut"));
    EXPECT_TRUE(registry.RemoveSetting("Settings", "*"));
    EXPECT_EQ(registry.GetSetting(Settings, "Other"), "2");
    EXPECT_EQ(registry.GetSetting(Settings, "*", "gone"), "gone");

    EXPECT_FALSE(registry.RemoveSetting(""));
    EXPECT_TRUE(registry.RemoveSetting("Settings"));
    EXPECT_EQ(registry.GetSetting(Settings, "Other", "gone"), "gone");
    EXPECT_FALSE(registry.RemoveSetting("Settings"));
}

TEST_F(RegAccessTest, TheEngineReadsItsTimeOutsAsWholeNumbers) {
    EXPECT_EQ(ReadTimeout(TS_TimeOut), "0");
    WriteTimeout(TS_TimeOut, 10000);
    WriteTimeout(TS_FileTransferTimeOut, 2000);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "TimeOut"), "10000");
    EXPECT_EQ(ReadTimeoutValue(TS_FileTransferTimeOut), 2000);

    SetValue(HKEY_CURRENT_USER, Settings, "TimeOut", "2500.5");
    EXPECT_EQ(ReadTimeout(TS_TimeOut), "2500");
    for (const char* text : {"soon", "1e20", "12abc"}) {
        SetValue(HKEY_CURRENT_USER, Settings, "FileTransferRestoreTimeOut", text);
        EXPECT_EQ(ReadTimeout(TS_FileTransferRestoreTimeOut), "") << text;
        EXPECT_EQ(ReadTimeoutValue(TS_FileTransferRestoreTimeOut), 0) << text;
    }
    EXPECT_EQ(ReadTimeout(4), "");
}

TEST_F(RegAccessTest, EachUploadTimeOutTakesItsDefaultOnItsOwnWhateverFailsBeforeIt) {
    int defaultsAsked = 0;
    auto value = [&](int32_t ms) {
        return [&defaultsAsked, ms] {
            ++defaultsAsked;
            return ms;
        };
    };
    TransferTimeouts timeouts = ReadTransferTimeouts(value(2000), value(1000));
    EXPECT_EQ(timeouts.transfer, 2000);
    EXPECT_EQ(timeouts.restore, 1000);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "FileTransferTimeOut"), "2000");
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "FileTransferRestoreTimeOut"), "1000");

    // Stored values are used as they are.
    SetValue(HKEY_CURRENT_USER, Settings, "FileTransferTimeOut", "4000");
    defaultsAsked = 0;
    timeouts = ReadTransferTimeouts(value(2000), value(1000));
    EXPECT_EQ(timeouts.transfer, 4000);
    EXPECT_EQ(timeouts.restore, 1000);
    EXPECT_EQ(defaultsAsked, 0);

    // A default that cannot be had leaves its own time-out at 0, not the other.
    for (const char* name : {"FileTransferTimeOut", "FileTransferRestoreTimeOut"})
        DeleteValue(HKEY_CURRENT_USER, Settings, name);
    auto failing = []() -> int32_t { Automation::raise(91, "Printer", "Object variable not set"); };
    timeouts = ReadTransferTimeouts(failing, value(1500));
    EXPECT_EQ(timeouts.transfer, 0);
    EXPECT_EQ(timeouts.restore, 1500);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "FileTransferRestoreTimeOut"), "1500");
}

} // namespace
} // namespace Renova
