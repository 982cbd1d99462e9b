// The package and firmware picker, headless, on folders of package documents
// and firmware images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ErrorNumber.h"
#include "KernelHeader.h"
#include "Pickett/ctlInstFileFinder.h"
#include "Pickett/frmSelectFirmware.h"
#include "Scoutel/Enums.h"
#include "Scoutel/FirmwareFinder.h"
#include "Scrivel/KSDoc.h"
#include "TempFolder.h"
#include "UiRobot.h"
#include "automation/Runtime.h"
#include "ui/ListView.h"

namespace Pickett {
namespace {

using Platform::Ui::ListView;

class PickerTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(packages);
        writePackage(packages, "a.rbi", "Label Pro", "8.10", Automation::dateSerial(2004, 3, 7));
        writePackage(packages, "b.rbi", "Barcodes", "1.2", Automation::dateSerial(2023, 12, 24));
        control->resize(600, 300);
        control->show();
    }
    static std::string writePackage(const std::string& folder, const std::string& name,
                                    const std::string& title, const std::string& version, double date) {
        auto doc = Automation::New<Scrivel::KSDoc>();
        doc->setApplicationName(title);
        doc->setVersion(version);
        doc->setBuildDate({date});
        const std::string path = folder + "/" + name;
        std::ofstream(path) << doc->WriteXML();
        return path;
    }
    ListView& list() { return *control->findChild<ListView*>("lstDistribution"); }
    QLabel& label() { return *control->findChild<QLabel*>("lblCurrDir"); }
    std::vector<std::string> row(const std::string& key) {
        std::vector<std::string> texts;
        for (int i = 0; i < list().columnCount(); ++i)
            texts.push_back(list().Text(list().Item(key), i));
        return texts;
    }
    std::vector<std::string> columns() {
        std::vector<std::string> captions;
        for (int i = 0; i < list().columnCount(); ++i)
            captions.push_back(list().ColumnCaption(i));
        return captions;
    }
    void clickRow(const std::string& key) {
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {},
                          list().visualItemRect(list().Item(key)).center());
    }

    TempFolder folder;
    std::string packages = folder / "Packages";
    UiRobot robot;
    std::unique_ptr<ctlInstFileFinder> control = std::make_unique<ctlInstFileFinder>();
};

TEST_F(PickerTest, ListsThePackagesOfTheFolderAndHandsBackTheOneClicked) {
    // Shown in a running host, the control starts in package mode.
    EXPECT_EQ(control->InstallationType(), IT_Package);
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "Version", "Date"}));
    QSignalSpy selection(control.get(), &ctlInstFileFinder::Selection);
    control->setCurrentDirectory(packages);
    EXPECT_EQ(list().ItemCount(), 0);
    control->Load();
    control->Load();
    ASSERT_EQ(selection.count(), 1);
    EXPECT_FALSE(selection.at(0).at(0).toBool());
    EXPECT_EQ(row(packages + "/a.rbi"), (std::vector<std::string>{"Label Pro", "8.10", "3/7/2004"}));
    EXPECT_EQ(row(packages + "/b.rbi"), (std::vector<std::string>{"Barcodes", "1.2", "12/24/2023"}));
    EXPECT_EQ(control->FilePath(), "");
    EXPECT_TRUE(control->SelectedPackage().isNothing());

    clickRow(packages + "/b.rbi");
    ASSERT_EQ(selection.count(), 2);
    EXPECT_TRUE(selection.at(1).at(0).toBool());
    EXPECT_EQ(control->FilePath(), packages + "/b.rbi");
    EXPECT_EQ(control->SelectedPackage()->ApplicationName(), "Barcodes");
    // The keyboard chooses as the mouse does.
    QTest::keyClick(&list(), Qt::Key_Down);
    ASSERT_EQ(selection.count(), 3);
    EXPECT_TRUE(selection.at(2).at(0).toBool());
    EXPECT_EQ(control->FilePath(), packages + "/a.rbi");
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(PickerTest, WritingFilePathListsTheFilesFolderAndSelectsItsRow) {
    const std::string other = folder / "Other";
    std::filesystem::create_directory(other);
    const std::string file = writePackage(other, "c.RBI", "Fonts", "2", Automation::dateSerial(2020, 1, 2));
    QSignalSpy selection(control.get(), &ctlInstFileFinder::Selection);

    control->setFilePath(folder / "Other/none.rbi");
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(list().ItemCount(), 0);

    control->setFilePath(folder / "Packages/../Other/c.RBI");
    EXPECT_EQ(control->CurrentDirectory(), other);
    ASSERT_EQ(selection.count(), 2);
    EXPECT_FALSE(selection.at(0).at(0).toBool());
    EXPECT_TRUE(selection.at(1).at(0).toBool());
    EXPECT_EQ(control->FilePath(), file);
    EXPECT_EQ(control->SelectedPackage()->Version(), "2");
}

TEST_F(PickerTest, ColumnsShareTheListsWidthAndEveryHeaderClickFlipsTheOrder) {
    control->setCurrentDirectory(packages);
    control->Load();
    control->resize(control->width() + 400 - list().width(), 300);
    ASSERT_EQ(list().width(), 400); // 6000 twips
    for (int column = 0; column < 3; ++column)
        EXPECT_NEAR(list().ColumnWidthTwips(column), 0.3333 * 6000 - 325.0 / 3, 15) << column;

    auto clickHeader = [&](int column) {
        auto* header = list().header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    auto names = [&] {
        std::vector<std::string> texts;
        for (auto* item : list().Items())
            texts.push_back(list().Text(item));
        return texts;
    };
    clickHeader(0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Label Pro", "Barcodes"}));
    clickHeader(0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Barcodes", "Label Pro"}));
    clickHeader(2);
    EXPECT_EQ(list().SortKey(), 2);
    // Descending, as text: "3/7/2004" before "12/24/2023".
    EXPECT_EQ(names(), (std::vector<std::string>{"Label Pro", "Barcodes"}));
}

TEST_F(PickerTest, TheCaptionShortensToTheFoldersNameWhenTheLabelIsTooNarrow) {
    const std::string deep = folder / "a folder whose name is rather long for the caption/Packages";
    std::filesystem::create_directories(deep);
    control->resize(900, 300);
    control->setCurrentDirectory(deep);
    EXPECT_EQ(label().text().toStdString(), "Current Directory: " + deep);
    EXPECT_EQ(label().toolTip().toStdString(), deep);
    // As narrow as the control goes.
    control->resize(1, 300);
    EXPECT_EQ(label().text(), QString("Current Directory: /.../Packages"));
    EXPECT_EQ(label().toolTip().toStdString(), deep);
    control->resize(900, 300);
    EXPECT_EQ(label().text().toStdString(), "Current Directory: " + deep);
    // Trailing separators and dots do not reach the caption.
    control->setCurrentDirectory(packages + "/./");
    EXPECT_EQ(label().text().toStdString(), "Current Directory: " + packages);
    EXPECT_EQ(errorNumberOf([&] { control->setCurrentDirectory(folder / "gone"); }), 76);
}

TEST_F(PickerTest, BrowseOffersTheFolderChooserAndListsAgainAfterACancel) {
    control->setCurrentDirectory(packages);
    control->Load();
    auto& browse = *control->findChild<QPushButton*>("cmdDistrBrowse");

    // Cancelled: the folder is listed again as it is now.
    writePackage(packages, "c.rbi", "Late", "1", 0);
    browse.click();
    ASSERT_EQ(robot.folderRequests.size(), 1u);
    EXPECT_EQ(robot.folderRequests[0].title,
              "Select the directory containing the installation package to be uploaded.");
    EXPECT_EQ(robot.folderRequests[0].startFolder, packages);
    EXPECT_EQ(robot.folderRequests[0].owner, control.get());
    EXPECT_EQ(list().ItemCount(), 3);
    EXPECT_EQ(row(packages + "/c.rbi"), (std::vector<std::string>{"Late", "1", "12/30/1899"}));

    // Chosen: that folder becomes the current one; its start loses one trailing separator.
    const std::string empty = folder / "Empty";
    std::filesystem::create_directory(empty);
    robot.folderAnswers.push_back(empty + "/");
    QSignalSpy selection(control.get(), &ctlInstFileFinder::Selection);
    browse.click();
    EXPECT_EQ(control->CurrentDirectory(), empty + "/");
    EXPECT_EQ(list().ItemCount(), 0);
    EXPECT_EQ(selection.count(), 1);
    browse.click();
    EXPECT_EQ(robot.folderRequests[2].startFolder, empty);
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(PickerTest, AFailedListingIsShownNamingTheFileOrRaisedToTheProgramThatAsked) {
    // Load on a folder that does not exist fails and is not counted.
    control->setCurrentDirectory(packages);
    std::filesystem::rename(packages, folder / "Moved");
    EXPECT_EQ(errorNumberOf([&] { control->Load(); }), 76);
    std::filesystem::rename(folder / "Moved", packages);
    control->Load();
    EXPECT_EQ(list().ItemCount(), 2);

    // A folder that vanished is named as such.
    std::filesystem::remove_all(packages);
    control->findChild<QPushButton*>("cmdDistrBrowse")->click();
    ASSERT_EQ(robot.boxes.size(), 1u);
    EXPECT_EQ(robot.boxes[0].text, "Path not found: \"" + packages + "\"");
    // So does the check box, whose listing fails the same way.
    auto* box = control->findChild<QCheckBox*>("chkFirmwareOnly");
    EXPECT_NO_THROW(box->click());
    EXPECT_NO_THROW(box->click());
    ASSERT_EQ(robot.boxes.size(), 3u);
    EXPECT_EQ(robot.boxTexts()[1], "Pickett|Path not found: \"" + packages + "\"");
    EXPECT_EQ(robot.boxTexts()[2], "Pickett|Path not found: \"" + packages + "\"");
}

TEST_F(PickerTest, DamagedDocumentsAreNamedInOneBoxPerListingAndTheOthersListed) {
    control->setCurrentDirectory(packages);
    control->Load();
    ASSERT_EQ(list().ItemCount(), 2);
    // Listed, a text file would be a row without a name, dated 12/30/1899, that no installation can use.
    const std::string notes = packages + "/notes.rbi";
    std::ofstream(notes) << "Labels to order: 500";
    const std::string whole = writePackage(packages, "c.rbi", "Cut", "1", Automation::dateSerial(2020, 1, 2));
    std::filesystem::resize_file(whole, 400);
    control->findChild<QPushButton*>("cmdDistrBrowse")->click();
    EXPECT_EQ(
        robot.boxTexts(),
        (std::vector<std::string>{
            "Pickett|These package documents cannot be read and are not listed:\n\n"
            "The package document is damaged: it ends before its last element closes. Package document: \"" +
            whole +
            "\"\n\n"
            "The package document is damaged: it holds no Kestrup package. Package document: \"" +
            notes + "\"\n\nReplace or remove the damaged file, or Browse to another folder."}));
    EXPECT_EQ(list().ItemCount(), 2);
    clickRow(packages + "/b.rbi");
    EXPECT_EQ(control->SelectedPackage()->ApplicationName(), "Barcodes");
}

// A kernel image whose identifier follows its header.
std::string kernImage(const std::string& identifier) {
    return kernHeader(24) + identifier + '\0' + "kernel code";
}

class FirmwarePickerTest : public PickerTest {
protected:
    void SetUp() override {
        PickerTest::SetUp();
        demo = folder.write("Packages/demo.bin", kernImage("Rubric 8  Demo  Kernel  (COMPRESSED) "));
        rb10 = folder.write("Packages/rb10.bin", kernImage("RB 10.00"));
        folder.write("Packages/tessel.bin", kernImage("Tessel 2.05"));
        folder.write("Packages/upper.BIN", kernImage("Rubric 8.20"));
        control->setCurrentDirectory(packages);
        control->setFilter(Scoutel::FF_All_Rubric);
    }
    QCheckBox& box() { return *control->findChild<QCheckBox*>("chkFirmwareOnly"); }

    std::string demo, rb10;
};

TEST_F(FirmwarePickerTest, TheCheckBoxSwitchesBetweenFirmwareFilesAndPackages) {
    control->Load();
    QSignalSpy selection(control.get(), &ctlInstFileFinder::Selection);
    QTest::mouseClick(&box(), Qt::LeftButton, {}, QPoint(5, box().height() / 2));
    EXPECT_TRUE(box().isChecked());
    EXPECT_EQ(control->InstallationType(), IT_Firmware_only);
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "FileName"}));
    ASSERT_EQ(selection.count(), 1);
    EXPECT_FALSE(selection.at(0).at(0).toBool());
    // Only the families of the filter, only "bin" files in any case; the name is cleaned.
    EXPECT_EQ(list().ItemCount(), 3);
    EXPECT_EQ(row(demo), (std::vector<std::string>{"Rubric 8 Demo Kernel ", "demo.bin"}));
    EXPECT_EQ(row(rb10), (std::vector<std::string>{"RB 10.00", "rb10.bin"}));
    EXPECT_EQ(row(packages + "/upper.BIN"), (std::vector<std::string>{"Rubric 8.20", "upper.BIN"}));
    EXPECT_EQ(Scoutel::CleanKernelName("Demo  Kernel  (COMPRESSED) "), "Demo Kernel ");

    clickRow(rb10);
    EXPECT_EQ(control->FilePath(), rb10);
    EXPECT_EQ(control->SelectedFirmware()->FirmwareName(), "RB 10.00");
    EXPECT_TRUE(control->SelectedPackage().isNothing());

    box().click();
    EXPECT_EQ(control->InstallationType(), IT_Package);
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "Version", "Date"}));
    EXPECT_EQ(list().ItemCount(), 2);
    EXPECT_EQ(list().Text(list().Item(packages + "/a.rbi")), "Label Pro");
    EXPECT_TRUE(control->SelectedFirmware().isNothing());
    EXPECT_TRUE(robot.boxes.empty());
}

TEST_F(FirmwarePickerTest, WritingFilePathInFirmwareModeListsAndSelectsTheImage) {
    control->setInstallationType(IT_Firmware_only);
    control->setFilePath(rb10);
    EXPECT_EQ(columns(), (std::vector<std::string>{"Name", "FileName"}));
    EXPECT_EQ(list().ItemCount(), 3);
    EXPECT_EQ(control->FilePath(), rb10);
    EXPECT_EQ(control->SelectedFirmware()->FirmwareName(), "RB 10.00");
    // It was the one Load.
    control->Load();
    EXPECT_EQ(control->FilePath(), rb10);
}

TEST_F(FirmwarePickerTest, ProgramsSetTheModeAndFirmwareModeOnlyHidesTheBox) {
    // Before Load a change of mode lists nothing.
    control->setInstallationType(IT_Firmware_only);
    EXPECT_TRUE(box().isChecked());
    EXPECT_EQ(list().ItemCount(), 0);
    control->Load();
    EXPECT_EQ(list().ItemCount(), 3);
    // After Load, packages stay listed when a program asks for them.
    control->setInstallationType(IT_Package);
    EXPECT_FALSE(box().isChecked());
    EXPECT_EQ(list().ItemCount(), 2);
    EXPECT_TRUE(list().FindItem(packages + "/b.rbi"));

    control->setFirmwareModeOnly(true);
    EXPECT_FALSE(box().isVisible());
    EXPECT_EQ(control->InstallationType(), IT_Firmware_only);
    EXPECT_TRUE(list().FindItem(demo));
    control->setFirmwareModeOnly(false);
    EXPECT_TRUE(box().isVisible());
    EXPECT_EQ(control->InstallationType(), IT_Firmware_only);

    control->findChild<QPushButton*>("cmdDistrBrowse")->click();
    ASSERT_EQ(robot.folderRequests.size(), 1u);
    EXPECT_EQ(robot.folderRequests[0].title, "Select the directory containing the firmware to be uploaded.");
    EXPECT_EQ(list().ItemCount(), 3);
}

TEST(Picker, LoadWithoutAModeListsNothingAndCountsAsTheOneLoad) {
    TempFolder folder;
    folder.write("a.rbi", "<Kestrup></Kestrup>");
    ctlInstFileFinder control;
    control.setCurrentDirectory(folder.path().string());
    control.Load();
    auto& list = *control.findChild<ListView*>("lstDistribution");
    EXPECT_EQ(list.ItemCount(), 0);
    control.setInstallationType(IT_Package);
    control.Load();
    EXPECT_EQ(list.ItemCount(), 0);
}

TEST_F(FirmwarePickerTest, SelectFirmwareKeepsWhatOKConfirmed) {
    std::string caption;
    robot.onForm = [&](QDialog& form) {
        caption = form.windowTitle().toStdString();
        UiRobot::click(form, "mcdOK");
    };
    EXPECT_TRUE(ShowFirmwareDialog(packages).isNothing());
    EXPECT_EQ(caption, "Select Firmware");

    robot.onForm = [&](QDialog& form) {
        auto& picker = *form.findChild<ctlInstFileFinder*>("ctlInstFileFinder1");
        EXPECT_FALSE(picker.findChild<QCheckBox*>("chkFirmwareOnly")->isVisible());
        auto& files = *picker.findChild<ListView*>("lstDistribution");
        QTest::mouseClick(files.viewport(), Qt::LeftButton, {},
                          files.visualItemRect(files.Item(demo)).center());
        UiRobot::click(form, "mcdOK");
    };
    auto chosen = ShowFirmwareDialog(packages);
    ASSERT_FALSE(chosen.isNothing());
    EXPECT_EQ(chosen->Path(), demo);

    robot.onForm = [&](QDialog& form) {
        auto& files = *form.findChild<ListView*>("lstDistribution");
        files.Item(demo)->setSelected(true);
        UiRobot::click(form, "cmdCancel");
    };
    EXPECT_TRUE(ShowFirmwareDialog(packages).isNothing());
    EXPECT_EQ(errorNumberOf([&] { ShowFirmwareDialog(folder / "gone"); }), 76);
}

TEST(Picker, ReadWhileEmptyTheCurrentDirectoryIsTheProgramFolder) {
    TempFolder home;
    setenv("KESTRUP_HOME", home.path().c_str(), 1);
    ctlInstFileFinder control;
    EXPECT_EQ(control.CurrentDirectory(), home.path().string());
    unsetenv("KESTRUP_HOME");
}

} // namespace
} // namespace Pickett
