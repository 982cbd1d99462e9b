#include "WizardFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <utility>

#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "KestrupExe/ctlLicense.h"
#include "Pickett/ctlInstFileFinder.h"
#include "automation/Error.h"
#include "registry/Registry.h"
#include "ui/ListView.h"

using namespace Kestrup;
namespace Registry = Platform::Registry;

namespace {

class frmWizardTest : public WizardFixture {
protected:
    void selectDemoPackage() {
        find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->setFilePath(package());
    }
    void agree() { find<QRadioButton>("optAgree")->click(); }
};

} // namespace

TEST_F(frmWizardTest, PagesCaptionsAndButtonsAlongThePackageRoad) {
    start();
    EXPECT_EQ(wizard->CurrentStep(), StepIntroduction);
    EXPECT_EQ(caption(), "Introduction - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)[&Next >](&Exit)");

    click(NavNext);
    EXPECT_EQ(caption(), "Select installation package - Kestrup");
    // The picker lists the program folder, and Next waits for a choice.
    auto* picker = find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1");
    EXPECT_EQ(picker->CurrentDirectory(), home());
    EXPECT_EQ(picker->InstallationType(), 2);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Next >)(&Exit)");
    selectDemoPackage();
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");

    click(NavNext);
    EXPECT_EQ(caption(), "License Agreement - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Next >)(&Exit)");
    EXPECT_NE(find<ctlLicense>("ctlLicense1")->LicenseText().find("Licence agreement"), std::string::npos);
    agree();
    EXPECT_TRUE(button(NavNext)->isEnabled());
    find<QRadioButton>("optDontAgree")->click();
    EXPECT_FALSE(button(NavNext)->isEnabled());
    agree();

    click(NavNext);
    EXPECT_EQ(caption(), "Readme - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");
    click(NavNext);
    EXPECT_EQ(caption(), "Connection type - Kestrup");
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepReadme);
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    // The agreement holds for the licence it was given to.
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");
    click(NavNext);
    click(NavNext);

    auto* connection = find<ctlConnectionType>("ctlConnectionType1");
    connection->setConnectionType(1);
    click(NavNext);
    EXPECT_EQ(caption(), "Select serial port - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Install)(&Exit)");
    click(NavBack);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");
    connection->setConnectionType(2);
    click(NavNext);
    EXPECT_EQ(caption(), "Select printers - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back](&Install)(&Exit)");
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepConnectionType);
    click(NavBack);
    click(NavBack);
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepIntroduction);
}

TEST_F(frmWizardTest, HelpShowsTheContextOfThePageAlsoByF1) {
    start();
    click(NavHelp);
    click(NavNext);
    selectDemoPackage();
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    QTest::keyClick(wizard.get(), Qt::Key_F1);
    EXPECT_EQ(help.shown, (std::vector<int32_t>{30000, 30001}));
    // Without a help location the file is looked for in the program folder.
    EXPECT_EQ(help.file, home() + "/Kestrup.chm");
    wizard->close();
    EXPECT_TRUE(help.closed);
}

TEST_F(frmWizardTest, HelpFileComesFromTheMachineWideLocationWhenItExists) {
    std::string file = folder_.write("Help.chm", "help");
    Registry::SetValue(Registry::HKEY_LOCAL_MACHINE, "Software\\Korvessa\\Framewell\\Locations", "HelpLib",
                       file);
    start();
    click(NavHelp);
    EXPECT_EQ(help.file, file);
}

TEST_F(frmWizardTest, IntroductionSettingStartsOnThePackagePageAndTheBoxWritesIt) {
    WizardSettings::setIntroductionScreen(true);
    start();
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    // The one listing already shows the packages, before the picker was ever on screen.
    EXPECT_EQ(find<Platform::Ui::ListView>("lstDistribution")->ItemCount(), 1);
    auto* box = find<QCheckBox>("chkShowIntro");
    EXPECT_TRUE(box->isChecked());
    click(NavBack);
    EXPECT_EQ(caption(), "Introduction - Kestrup");
    box->click();
    EXPECT_EQ(WizardSettings::IntroductionScreen(), "");
    box->click();
    EXPECT_EQ(WizardSettings::IntroductionScreen(), "ShowIntro");
}

TEST_F(frmWizardTest, PickerStartsInTheLastPackageFolder) {
    std::filesystem::create_directories(folder_ / "packages");
    Registry::SetValue(Registry::HKEY_CURRENT_USER, "Software\\Korvessa\\Kestrup\\LastPath", "B1",
                       folder_ / "packages");
    start();
    click(NavNext);
    EXPECT_EQ(find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->CurrentDirectory(),
              folder_ / "packages");
}

TEST_F(frmWizardTest, CommandLinePackageSkipsThePickerOnce) {
    start("\"" + package() + "\"");
    EXPECT_EQ(find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->FilePath(), package());
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    click(NavBack);
    // The package page shows the package chosen.
    EXPECT_EQ(find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1")->FilePath(), package());
    EXPECT_EQ(buttons(), "[Help][Cancel][< &Back][&Next >](&Exit)");
    click(NavBack);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
}

TEST_F(frmWizardTest, CommandLinePackageWithTheIntroductionSkippedStillSkipsThePicker) {
    WizardSettings::setIntroductionScreen(true);
    start("Demo.rbi");
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    click(NavBack);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
}

TEST_F(frmWizardTest, AnErrorInAClickShowsTheFailurePageSayingWhatFailed) {
    // No installation ran: the log of an earlier run says nothing of this error.
    folder_.write("home/KS_LOG.TXT", "an earlier run's log");
    class FailingOnce : public FakeHelp {
    public:
        using FakeHelp::FakeHelp;
        void Show(QWidget* owner) override {
            if (std::exchange(first_, false))
                Automation::raise(53, "Help", "File not found: \"Kestrup.chm\"");
            FakeHelp::Show(owner);
        }

    private:
        bool first_ = true;
    };
    Platform::Ui::setHelpViewerFactory([this] { return std::make_unique<FailingOnce>(help); });
    start();
    click(NavNext);
    click(NavHelp);
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(caption(), "Select installation package - Kestrup");
    EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)(&Next >)[&Exit]");
    auto* report = find<QWidget>("ctlReportErr");
    EXPECT_EQ(report->findChild<QLabel*>("lblReportText")->text(),
              "An error has occurred: File not found: \"Kestrup.chm\"");
    EXPECT_FALSE(report->findChild<QPushButton*>("cmdLogFile")->isEnabled());
    click(NavHelp);
    EXPECT_EQ(help.shown, std::vector<int32_t>{30008});
    click(NavExit);
    EXPECT_FALSE(wizard->isVisible());
}
