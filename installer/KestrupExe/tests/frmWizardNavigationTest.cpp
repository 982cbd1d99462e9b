// The wizard as the user drives it: choices made and taken back with the
// keyboard, Back that keeps them, command lines and folders that hold a
// damaged package document, Return, and the access keys of each page.
#include "WizardFixture.h"

#include <fstream>
#include <functional>
#include <set>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "KestrupExe/NetworkBreakString.h"
#include "KestrupExe/WizardSettings.h"
#include "KestrupExe/ctlConnectionType.h"
#include "KestrupExe/frmBreakStrings.h"
#include "KestrupExe/frmLogin.h"
#include "Pickett/ctlInstFileFinder.h"
#include "registry/Registry.h"
#include "ui/ListView.h"

using namespace Kestrup;

namespace {

class WizardNavigationTest : public WizardFixture {
protected:
    Platform::Ui::ListView& packages() const { return *find<Platform::Ui::ListView>("lstDistribution"); }
    Pickett::ctlInstFileFinder& picker() const {
        return *find<Pickett::ctlInstFileFinder>("ctlInstFileFinder1");
    }
    bool nextEnabled() const { return button(NavNext)->isEnabled(); }
    void key(QWidget& target, Qt::Key which, Qt::KeyboardModifiers modifiers = {}) {
        target.setFocus();
        QTest::keyClick(&target, which, modifiers);
    }
    // A folder with the demo files and a package document that does not read.
    std::string damagedFolder(const std::string& name) {
        const std::string other = folder_ / name;
        std::filesystem::create_directories(other);
        DemoFiles::WriteDemoFiles(other);
        std::ofstream(other + "/Broken.rbi")
            << "<Kestrup><Application><Date>\"1/2\"</Date></Application></Kestrup>";
        return other;
    }
    static std::string damagedBox(const std::string& folder) {
        return "Pickett|This package document cannot be read and is not listed:\n\nInvalid date format. "
               "Package document: \"" +
               folder + "/Broken.rbi\"\n\nReplace or remove the damaged file, or Browse to another folder.";
    }
};

} // namespace

TEST_F(WizardNavigationTest, NextFollowsTheChoiceMadeAndTakenBackWithTheKeyboard) {
    start();
    click(NavNext);
    EXPECT_FALSE(nextEnabled());
    key(packages(), Qt::Key_Down);
    EXPECT_TRUE(nextEnabled());
    EXPECT_EQ(picker().FilePath(), package());
    key(packages(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(nextEnabled());
    key(packages(), Qt::Key_Space);
    EXPECT_TRUE(nextEnabled());

    // Away and back: the choice stays, and so does Next.
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    click(NavBack);
    EXPECT_EQ(picker().FilePath(), package());
    EXPECT_TRUE(nextEnabled());
    // Without a choice Next stays off on every entry.
    key(packages(), Qt::Key_Space, Qt::ControlModifier);
    click(NavBack);
    click(NavNext);
    EXPECT_FALSE(nextEnabled());

    // The firmware images, likewise.
    find<QCheckBox>("chkFirmwareOnly")->click();
    EXPECT_FALSE(nextEnabled());
    key(packages(), Qt::Key_End);
    EXPECT_TRUE(nextEnabled());
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepConnectionType);

    // The serial page waits for a port on each entry; with none there is no Install.
    find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(1);
    click(NavNext);
    EXPECT_EQ(caption(), "Select serial port - Kestrup");
    EXPECT_FALSE(nextEnabled());
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(WizardNavigationTest, BackKeepsTheFolderChosenWithBrowseAndTheChoiceInIt) {
    const std::string other = folder_ / "other";
    std::filesystem::create_directories(other);
    DemoFiles::WriteDemoFiles(other);
    start();
    click(NavNext);
    robot.folderAnswers.push_back(other);
    find<QPushButton>("cmdDistrBrowse")->click();
    key(packages(), Qt::Key_Down);
    EXPECT_EQ(picker().FilePath(), other + "/" + DemoFiles::PackageDocument);
    click(NavNext);
    click(NavBack);

    EXPECT_EQ(picker().CurrentDirectory(), other);
    EXPECT_EQ(find<QLabel>("lblCurrDir")->toolTip().toStdString(), other);
    EXPECT_EQ(picker().FilePath(), other + "/" + DemoFiles::PackageDocument);
    EXPECT_TRUE(nextEnabled());
    find<QPushButton>("cmdDistrBrowse")->click();
    ASSERT_EQ(robot.folderRequests.size(), 2u);
    EXPECT_EQ(robot.folderRequests[1].startFolder, other);
    EXPECT_EQ(picker().CurrentDirectory(), other);
    // The cancel listed the folder again, and the choice is still made.
    EXPECT_EQ(picker().FilePath(), other + "/" + DemoFiles::PackageDocument);
    EXPECT_TRUE(nextEnabled());
}

TEST_F(WizardNavigationTest, APackageFromTheCommandLineStaysChosenInItsFolder) {
    const std::string other = folder_ / "other";
    std::filesystem::create_directories(other);
    DemoFiles::WriteDemoFiles(other);
    start(other + "/" + DemoFiles::PackageDocument);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    click(NavBack);
    EXPECT_EQ(picker().CurrentDirectory(), other);
    EXPECT_EQ(picker().FilePath(), other + "/" + DemoFiles::PackageDocument);
    EXPECT_TRUE(nextEnabled());
    // The picker is loaded: its check box lists the folder's firmware.
    find<QCheckBox>("chkFirmwareOnly")->click();
    ASSERT_EQ(packages().ItemCount(), 1);
    EXPECT_EQ(packages().Key(packages().Items().front()), other + "/" + DemoFiles::FirmwareImage);
}

TEST_F(WizardNavigationTest, ACommandLineFileThatCannotBeInstalledIsNamedAndTheWizardGoesOn) {
    const std::string choose = " Choose the file to install on the page \"Select installation package\".";
    // A file that is no package document, and one that is not there.
    const std::string readme = home() + "/" + DemoFiles::ReadmeFile;
    const std::string gone = home() + "/Gone.rbi";
    const std::vector<std::pair<std::string, std::string>> files = {
        {readme, "Kestrup|\"" + readme +
                     "\" cannot be installed: the command line takes a package document (.rbi) or a firmware "
                     "file (.bin) for these printers." +
                     choose},
        {gone, "Kestrup|The file \"" + gone + "\" named on the command line was not found." + choose},
    };
    for (const auto& [file, box] : files) {
        robot.boxes.clear();
        start(file);
        EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{box});
        EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)[&Next >](&Exit)");
        click(NavNext);
        EXPECT_EQ(wizard->CurrentStep(), StepPackage);
        EXPECT_FALSE(nextEnabled());
        EXPECT_EQ(robot.boxes.size(), 1u);
    }

    // A package beside a damaged one in the start folder: the damaged one is
    // named once, the package chosen.
    robot.boxes.clear();
    std::ofstream(home() + "/Broken.rbi")
        << "<Kestrup><Application><Date>\"1/2\"</Date></Application></Kestrup>";
    start(package());
    EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{damagedBox(home())});
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    click(NavBack);
    EXPECT_EQ(packages().ItemCount(), 1);
    EXPECT_EQ(robot.boxes.size(), 1u);

    // The damaged one itself on the command line, in capitals: named once, by its listing.
    robot.boxes.clear();
    std::filesystem::rename(home() + "/Broken.rbi", home() + "/BROKEN.RBI");
    start(home() + "/BROKEN.RBI");
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_NE(robot.boxes[0].text.find("Package document: \"" + home() + "/BROKEN.RBI\""), std::string::npos)
        << robot.boxes[0].text;
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    EXPECT_EQ(robot.boxes.size(), 1u);
}

TEST_F(WizardNavigationTest, AFirmwareFileOnTheCommandLineStartsInFirmwareModeWithItChosen) {
    // The extension in any case.
    const std::string image = home() + "/RUBRIC820.BIN";
    std::filesystem::rename(home() + "/" + DemoFiles::FirmwareImage, image);
    start(image);
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    EXPECT_TRUE(find<QCheckBox>("chkFirmwareOnly")->isChecked());
    EXPECT_EQ(picker().FilePath(), image);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepConnectionType);

    // Only a package on the command line skips the picker: a package the
    // user chose after starting with firmware does not.
    WizardSettings::setIntroductionScreen(true);
    start(image);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    find<QCheckBox>("chkFirmwareOnly")->click();
    key(packages(), Qt::Key_Down);
    ASSERT_TRUE(picker().SelectedPackage());
    click(NavBack);
    EXPECT_EQ(wizard->CurrentStep(), StepIntroduction);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
}

TEST_F(WizardNavigationTest, APackageItsUffFileCannotServeIsNamedWhenChosenAndKeepsNextOff) {
    const std::string uff = home() + "/" + DemoFiles::FlashFileName;
    const std::string advice =
        "\n\nPut the UFF file that belongs to it, whole, beside the package document \"" + package() +
        "\", or choose another package.";
    const std::vector<std::pair<std::function<void()>, std::string>> damages = {
        {[&] { std::filesystem::remove(uff); }, "Uff file is missing: \"" + uff + "\""},
        {[&] { changePackage([](Scrivel::KSDoc& doc) { doc.setUffFilePath(""); }); },
         "Uff file is missing: the package document names none"},
        {[&] {
             changePackage([](Scrivel::KSDoc& doc) {
                 auto file = doc.PrinterFiles()->Add();
                 file->setFileTitle("MISSING.PRG");
                 file->setDestinationPath("c:/demo/MISSING.PRG");
             });
         },
         "The package document is damaged: its file \"MISSING.PRG\" is not in its UFF file \"" + uff + "\""},
        {[&] { std::filesystem::resize_file(uff, 20); },
         "The flash file \"" + uff + "\" is damaged: the file is shorter than a flash file header"},
    };
    for (const auto& [damage, problem] : damages) {
        SCOPED_TRACE(problem);
        DemoFiles::WriteDemoFiles(home());
        damage();
        const std::string box =
            "Kestrup|The package \"Kestrup demo application\" cannot be installed.\n\n" + problem + advice;
        robot.boxes.clear();
        start();
        click(NavNext);
        EXPECT_TRUE(robot.boxes.empty());
        key(packages(), Qt::Key_Down);
        EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{box});
        EXPECT_FALSE(nextEnabled());

        // Given on the command line, it is named and does not skip the package page.
        robot.boxes.clear();
        start(package());
        EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{box});
        click(NavNext);
        EXPECT_EQ(wizard->CurrentStep(), StepPackage);
        EXPECT_FALSE(nextEnabled());
    }

    // The UFF file put right, and the package chosen again, it can be installed.
    DemoFiles::WriteDemoFiles(home());
    robot.boxes.clear();
    key(packages(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(picker().FilePath().empty());
    key(packages(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    EXPECT_TRUE(nextEnabled());
}

TEST_F(WizardNavigationTest, ADamagedDocumentInTheStartFolderIsNamedAndBrowseStaysWithinReach) {
    const std::string start_folder = damagedFolder("start");
    Platform::Registry::SetValue(Platform::Registry::HKEY_CURRENT_USER,
                                 "Software\\Korvessa\\Kestrup\\LastPath", "B1", start_folder);
    start();
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    EXPECT_EQ(caption(), "Select installation package - Kestrup");
    EXPECT_EQ(robot.boxTexts(), std::vector<std::string>{damagedBox(start_folder)});
    // The good package beside it is listed.
    EXPECT_EQ(packages().ItemCount(), 1);
    EXPECT_FALSE(nextEnabled());
    robot.folderAnswers.push_back(home());
    find<QPushButton>("cmdDistrBrowse")->click();
    EXPECT_EQ(packages().ItemCount(), 1);
    EXPECT_EQ(robot.boxes.size(), 1u);
}

TEST_F(WizardNavigationTest, ReturnPressesTheFocusedButtonElseTheDefaultOne) {
    start();
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    EXPECT_TRUE(button(NavNext)->isDefault());
    QTest::keyClick(find<QCheckBox>("chkShowIntro"), Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    // Return in the list with nothing chosen: Next is off.
    QTest::keyClick(&packages(), Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
    key(packages(), Qt::Key_Down);
    QTest::keyClick(&packages(), Qt::Key_Enter);
    EXPECT_EQ(wizard->CurrentStep(), StepLicense);
    key(*button(NavBack), Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentStep(), StepPackage);
}

TEST_F(WizardNavigationTest, ReturnInTheAddressFieldAddsTheAddressAndNeverInstalls) {
    start();
    click(NavNext);
    key(packages(), Qt::Key_Down);
    click(NavNext);
    find<QRadioButton>("optAgree")->click();
    click(NavNext);
    click(NavNext);
    find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(2);
    click(NavNext);
    ASSERT_EQ(wizard->CurrentStep(), StepNetworkPrinters);
    wizard->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* address = find<QLineEdit>("txtNetwork");
    auto* subnets = find<QListWidget>("lstSubnets");
    const int listed = subnets->count();
    address->setFocus();
    address->selectAll();
    QTest::keyClicks(address, "127.0.0.9");
    QTest::keyClick(address, Qt::Key_Return);
    EXPECT_EQ(wizard->CurrentStep(), StepNetworkPrinters);
    ASSERT_EQ(subnets->count(), listed + 1);
    EXPECT_EQ(subnets->item(listed)->text(), "127.0.0.9");
    EXPECT_TRUE(robot.boxes.empty()) << robot.boxTexts().front();
    // Again: the address listed is selected, and no collection error reaches the user.
    subnets->clearSelection();
    QTest::keyClick(address, Qt::Key_Enter);
    EXPECT_EQ(wizard->CurrentStep(), StepNetworkPrinters);
    EXPECT_EQ(subnets->count(), listed + 1);
    EXPECT_TRUE(subnets->item(listed)->isSelected());
    EXPECT_EQ(robot.boxTexts(),
              std::vector<std::string>{"Modelpick|The address 127.0.0.9 is already in the list."});
}

TEST_F(WizardNavigationTest, NoTwoControlsOfAPageShareAnAccessKey) {
    auto accessKeys = [&] {
        std::vector<QString> texts;
        for (auto* b : wizard->findChildren<QAbstractButton*>())
            if (b->isVisibleTo(wizard.get()))
                texts.push_back(b->text());
        for (auto* bar : wizard->findChildren<QTabBar*>())
            if (bar->isVisibleTo(wizard.get()))
                for (int i = 0; i < bar->count(); ++i)
                    texts.push_back(bar->tabText(i));
        std::multiset<QChar> keys;
        for (const QString& text : texts) {
            const auto at = text.indexOf('&');
            if (at >= 0 && at + 1 < text.size())
                keys.insert(text.at(at + 1).toLower());
        }
        std::string clashes;
        for (QChar k : keys)
            if (keys.count(k) > 1 && clashes.find(QString(k).toStdString()) == std::string::npos)
                clashes += QString(k).toStdString();
        return clashes;
    };
    start();
    for (int16_t step = StepIntroduction; step <= StepConnectionType; ++step) {
        ASSERT_EQ(wizard->CurrentStep(), step);
        EXPECT_EQ(accessKeys(), "") << "page " << step;
        if (step == StepPackage)
            key(packages(), Qt::Key_Down);
        if (step == StepLicense)
            find<QRadioButton>("optAgree")->click();
        if (step == StepConnectionType)
            find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(1);
        click(NavNext);
    }
    EXPECT_EQ(wizard->CurrentStep(), StepSerialPort);
    EXPECT_EQ(accessKeys(), "") << "serial page";
    click(NavBack);
    find<ctlConnectionType>("ctlConnectionType1")->setConnectionType(2);
    click(NavNext);
    EXPECT_EQ(wizard->CurrentStep(), StepNetworkPrinters);
    EXPECT_EQ(accessKeys(), "") << "network page";
}

TEST_F(WizardNavigationTest, WhateverAClickThrowsEndsOnTheFailurePageAndNothingReachesQt) {
    // A help viewer that fails with what is no automation error, nor even a standard exception.
    class FailingHelp : public Platform::Ui::HelpViewer {
    public:
        void setHelpFile(const std::string&) override {}
        void setContext(int32_t) override {}
        void Show(QWidget*) override { throw 42; }
        void Close() override {}
    };
    Platform::Ui::setHelpViewerFactory([] { return std::make_unique<FailingHelp>(); });
    start();
    EXPECT_NO_THROW(button(NavHelp)->click());
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
    EXPECT_EQ(buttons(), "[Help][Cancel](< &Back)(&Next >)[&Exit]");
    EXPECT_TRUE(button(NavExit)->isDefault());
    // Help fails there too, and the page stays.
    EXPECT_NO_THROW(button(NavHelp)->click());
    EXPECT_EQ(wizard->CurrentStep(), StepFailure);
}

TEST(WizardDialogs, KeepTheirWrappedTextWholeAtTheSmallestSize) {
    // With every text they may show: the printer's name and the failed try.
    Kestrup::frmLogin login;
    login.setPrinterName("Printer on 127.0.0.2 (Hublet K1 Ethernet)");
    login.setLastTryFailed(true);
    Kestrup::frmBreakStrings breakString;
    breakString.setBreakStringObj(Automation::New<Kestrup::NetworkBreakString>());
    breakString.setPrinterName("Printer on 127.0.0.2 (Hublet K1 Ethernet)");
    breakString.setLastTryFailed(true);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&login, &breakString}) {
        dialog->show();
        dialog->resize(1, 1);
        QApplication::processEvents();
        for (auto* label : dialog->findChildren<QLabel*>()) {
            if (label->wordWrap() && label->isVisible()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << dialog->windowTitle().toStdString() << ": " << label->text().toStdString();
            }
        }
        dialog->hide();
    }
}
