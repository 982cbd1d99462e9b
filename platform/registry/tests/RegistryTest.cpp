// The registry stand-in: one store per root under XDG_CONFIG_HOME, names
// without regard to case, values kept byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "TempFolder.h"
#include "registry/Registry.h"

namespace Platform::Registry {
namespace {

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1); }
    TempFolder folder_;
};

constexpr const char* Settings = "Software\\Korvessa\\Kestrup\\Settings";

TEST_F(RegistryTest, AValueReadsBackUnderAnyCaseOfItsNames) {
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "TimeOut"), std::nullopt);
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "TimeOut", "10000"));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, "SOFTWARE\\korvessa\\Kestrup\\settings", "timeout"), "10000");
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, "software\\KORVESSA\\Kestrup\\Settings", "TIMEOUT", "2500"));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "TimeOut"), "2500");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Korvessa"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Other"));
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "Kestrup/registry/HKEY_CURRENT_USER.ini"));
}

TEST_F(RegistryTest, DataAndNamesAreKeptByteForByte) {
    const std::string data("a,b\0@x \"q\" \x80\xe9\xff\r\n", 17);
    const std::string odd = "with/slash\\back%25@";
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", odd, data));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", "", "default"));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", "@", "at"));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", odd), data);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", ""), "default");
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, "Software\\Odd Key/Name", "@"), "at");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Odd Key"));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "Empty", ""));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "Empty"), "");
}

TEST_F(RegistryTest, EachRootIsAStoreOfItsOwn) {
    ASSERT_TRUE(SetValue(HKEY_LOCAL_MACHINE, Settings, "Help", "machine"));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "Help", "user"));
    EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, Settings, "Help"), "machine");
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "Help"), "user");
    EXPECT_EQ(QueryValue(HKEY_USERS, Settings, "Help"), std::nullopt);
    EXPECT_FALSE(IsPredefinedRoot(0));
    EXPECT_FALSE(SetValue(0, Settings, "Help", "x"));
    EXPECT_EQ(QueryValue(0x12345, Settings, "Help"), std::nullopt);
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "TimeOut", "1"));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, Settings, "", "default"));
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, Settings, "Absent"));
    EXPECT_FALSE(DeleteValue(HKEY_CURRENT_USER, "Software\\Absent", "TimeOut"));
    EXPECT_TRUE(DeleteValue(HKEY_CURRENT_USER, Settings, "timeout"));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, "TimeOut"), std::nullopt);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, Settings, ""), "default");

    // A key with subkeys stays; its leaf goes with its values.
    EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, "Software\\Korvessa\\Kestrup"));
    EXPECT_TRUE(DeleteKey(HKEY_CURRENT_USER, "software\\korvessa\\kestrup\\settings"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Settings));
    EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, Settings));
    EXPECT_FALSE(DeleteKey(HKEY_CURRENT_USER, ""));
}

} // namespace
} // namespace Platform::Registry
