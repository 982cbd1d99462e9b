#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>

#include "KestrupExe/ctlConnectionType.h"
#include "KestrupExe/ctlLicense.h"
#include "KestrupExe/ctlReadme.h"
#include "KestrupExe/ctlReport.h"
#include "TempFolder.h"
#include "UiRobot.h"
#include "ui/Shell.h"

using namespace Kestrup;

namespace {

bool firstCharacterBold(const QWidget& page, const char* box) {
    auto* edit = page.findChild<QTextEdit*>(box);
    return edit->document()->firstBlock().begin().fragment().charFormat().font().bold();
}

} // namespace

TEST(PagesTest, TextFilesShowFormattedOnlyWhenTheyAreRichText) {
    TempFolder folder;
    ctlLicense license;
    EXPECT_TRUE(license.LoadFile(folder.write("a.rtf", "{\\rtf1 {\\b Terms}\\par of use}")));
    EXPECT_EQ(license.LicenseText(), "Terms\nof use");
    EXPECT_TRUE(firstCharacterBold(license, "txtLicense"));
    for (const char* plain : {"{\\RTF1 {\\b x}}", " {\\rtf1 {\\b x}}", "{\\rt"}) {
        EXPECT_TRUE(license.LoadFile(folder.write("p.txt", plain)));
        EXPECT_EQ(license.LicenseText(), plain);
        EXPECT_FALSE(firstCharacterBold(license, "txtLicense"));
    }
    EXPECT_TRUE(license.LoadFile(folder.write("empty.txt", "")));
    EXPECT_EQ(license.LicenseText(), "");

    ctlReadme readme;
    EXPECT_TRUE(readme.LoadFile(folder.write("r.txt", "Read\xE9 me")));
    EXPECT_EQ(readme.ReadMeText(), "Read\xE9 me");
    // A missing file leaves the text as it was.
    EXPECT_FALSE(readme.LoadFile(folder / "none.txt"));
    EXPECT_FALSE(readme.LoadFile(""));
    EXPECT_EQ(readme.ReadMeText(), "Read\xE9 me");
}

TEST(PagesTest, AgreementReportsEveryChoice) {
    ctlLicense license;
    QSignalSpy agreed(&license, qOverload<bool>(&ctlLicense::Agreed));
    EXPECT_FALSE(license.Agreed());
    license.findChild<QRadioButton*>("optAgree")->click();
    license.findChild<QRadioButton*>("optDontAgree")->click();
    license.setAgreed(true);
    license.setAgreed(false);
    ASSERT_EQ(agreed.count(), 4);
    EXPECT_EQ(agreed[0][0].toBool(), true);
    EXPECT_EQ(agreed[1][0].toBool(), false);
    EXPECT_EQ(agreed[2][0].toBool(), true);
    EXPECT_EQ(agreed[3][0].toBool(), false);
    EXPECT_FALSE(license.Agreed());
}

TEST(PagesTest, ConnectionTypeTakesOnlySerialOrNetwork) {
    ctlConnectionType page;
    EXPECT_EQ(page.ConnectionType(), 1);
    page.setConnectionType(2);
    EXPECT_EQ(page.ConnectionType(), 2);
    page.setConnectionType(0);
    page.setConnectionType(3);
    EXPECT_EQ(page.ConnectionType(), 2);
    page.setConnectionType(1);
    EXPECT_EQ(page.ConnectionType(), 1);
}

TEST(PagesTest, ViewLogOpensTheLogOnlyWhileItExists) {
    TempFolder folder;
    std::vector<std::string> opened;
    auto previous = Platform::Ui::setDocumentOpener([&](const std::string& path) {
        opened.push_back(path);
        return true;
    });
    ctlReport report;
    auto* button = report.findChild<QPushButton*>("cmdLogFile");
    EXPECT_EQ(button->text(), "View log...");
    report.setReportText("An error has occurred.");
    report.setLogFilePath(folder / "KS_LOG.TXT");
    report.Load();
    EXPECT_FALSE(button->isEnabled());

    folder.write("KS_LOG.TXT", "log");
    report.Load();
    EXPECT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(opened, std::vector<std::string>{folder / "KS_LOG.TXT"});
    std::filesystem::remove(folder / "KS_LOG.TXT");
    button->click();
    EXPECT_EQ(opened.size(), 1u);
    Platform::Ui::setDocumentOpener(previous);
}

TEST(PagesTest, ViewLogWithoutAProgramForTextFilesTellsWhereTheLogIs) {
    TempFolder folder;
    UiRobot robot;
    auto previous = Platform::Ui::setDocumentOpener([](const std::string&) { return false; });
    ctlReport report;
    report.setLogFilePath(folder.write("KS_LOG.TXT", "log"));
    report.Load();
    report.findChild<QPushButton*>("cmdLogFile")->click();
    EXPECT_EQ(robot.boxTexts(),
              std::vector<std::string>{"Kestrup|No program is set up to open text files. The "
                                       "log file is " +
                                       folder / "KS_LOG.TXT" + "."});
    Platform::Ui::setDocumentOpener(previous);
}
