#include "KestrupExe/WizardSettings.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "registry/Registry.h"

using namespace Kestrup;
namespace Registry = Platform::Registry;

namespace {

// Each case gets its own registry store and program folder.
class WizardSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", QByteArray((folder_ / "config").c_str()));
        qputenv("KESTRUP_HOME", QByteArray((folder_ / "home").c_str()));
    }
    void TearDown() override {
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("KESTRUP_HOME");
    }
    TempFolder folder_;
};

} // namespace

TEST_F(WizardSettingsTest, IntroductionSwitchIsWrittenAndReadBack) {
    EXPECT_EQ(WizardSettings::IntroductionScreen(), "");
    WizardSettings::setIntroductionScreen(true);
    EXPECT_EQ(WizardSettings::IntroductionScreen(), "ShowIntro");
    WizardSettings::setIntroductionScreen(false);
    EXPECT_EQ(WizardSettings::IntroductionScreen(), "");
}

TEST_F(WizardSettingsTest, FolderAndHelpLocationComeFromTheirKeys) {
    EXPECT_EQ(WizardSettings::LastPath(), "");
    EXPECT_EQ(WizardSettings::HelpFileLocation(), "");
    Registry::SetValue(Registry::HKEY_CURRENT_USER, "Software\\Korvessa\\Kestrup\\LastPath", "B1",
                       "/srv/pkg");
    Registry::SetValue(Registry::HKEY_LOCAL_MACHINE, "Software\\Korvessa\\Framewell\\Locations", "HelpLib",
                       "/usr/share/help/Kestrup.chm");
    EXPECT_EQ(WizardSettings::LastPath(), "/srv/pkg");
    EXPECT_EQ(WizardSettings::HelpFileLocation(), "/usr/share/help/Kestrup.chm");
}

TEST_F(WizardSettingsTest, LogLivesInTheProgramFolder) {
    EXPECT_EQ(WizardSettings::LogFilePath(), folder_ / "home/KS_LOG.TXT");
}
