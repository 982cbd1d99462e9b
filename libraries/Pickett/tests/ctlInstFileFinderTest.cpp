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
#include "Pickett/ctlInstFileFinder.h"
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

    // One bad document fails the whole listing; the user's Browse shows it.
    const std::string bad = packages + "/bad.rbi";
    std::ofstream(bad) << "<Kestrup><Application><Date>\"1/2\"</Date></Application></Kestrup>";
    control->findChild<QPushButton*>("cmdDistrBrowse")->click();
    EXPECT_EQ(robot.boxTexts(),
              (std::vector<std::string>{"Pickett|Invalid date format. Package document: \"" + bad + "\""}));
    EXPECT_EQ(list().ItemCount(), 0);
    // A folder that vanished is named as such.
    std::filesystem::remove_all(packages);
    control->findChild<QPushButton*>("cmdDistrBrowse")->click();
    ASSERT_EQ(robot.boxes.size(), 2u);
    EXPECT_EQ(robot.boxes[1].text, "Path not found: \"" + packages + "\"");
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
