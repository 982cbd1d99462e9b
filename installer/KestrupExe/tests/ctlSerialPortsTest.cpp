#include "KestrupExe/ctlSerialPorts.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "PtyPeer.h"
#include "TempFolder.h"
#include "ui/ListView.h"

using Kestrup::ctlSerialPorts;
using Platform::Serial::Testing::Pty;

namespace {

class ctlSerialPortsTest : public testing::Test {
protected:
    void SetUp() override { qputenv("KESTRUP_COM_DIR", QByteArray(folder.path().c_str())); }
    void TearDown() override { qunsetenv("KESTRUP_COM_DIR"); }
    void link(const Pty& pty, int number) {
        std::filesystem::create_symlink(pty.slaveName(), folder / ("COM" + std::to_string(number)));
    }

    TempFolder folder;
    Pty com1, com3, com15, com16;
};

} // namespace

TEST_F(ctlSerialPortsTest, ListsThePortsAfreshWithTheirDsrLine) {
    ctlSerialPorts page;
    auto* list = page.findChild<Platform::Ui::ListView*>("lstSerialPorts");
    page.Load();
    EXPECT_EQ(list->ItemCount(), 0);
    EXPECT_TRUE(page.SelectedSerPort().isNothing());

    link(com1, 1);
    link(com3, 3);
    // The page offers COM1 to COM15.
    link(com15, 15);
    link(com16, 16);
    page.show();
    page.Load();
    page.hide();
    page.show();
    page.Load();
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->ColumnCaption(0), "Port");
    EXPECT_EQ(list->ColumnCaption(1), "DSR status");
    ASSERT_EQ(list->ItemCount(), 3);
    auto rows = list->Items();
    EXPECT_EQ(list->Text(rows[0]), "COM1:");
    EXPECT_EQ(list->Key(rows[0]), "com1:");
    // A pseudo-terminal has no modem lines, so no DSR.
    EXPECT_EQ(list->Text(rows[0], 1), "Not active");
    EXPECT_EQ(list->Text(rows[1]), "COM3:");
    EXPECT_EQ(list->Text(rows[2]), "COM15:");
}

TEST_F(ctlSerialPortsTest, APortChosenWithTheKeyboardOrTheMouseIsReportedAndSoIsItsRelease) {
    link(com1, 1);
    link(com3, 3);
    ctlSerialPorts page;
    page.show();
    page.Load();
    auto* list = page.findChild<Platform::Ui::ListView*>("lstSerialPorts");
    QSignalSpy selected(&page, &ctlSerialPorts::SerPortSelected);
    QSignalSpy released(&page, &ctlSerialPorts::NoSerPortSelected);
    list->setFocus();
    // The first key lands on the first row.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_End);
    ASSERT_EQ(selected.count(), 2);
    EXPECT_EQ(selected[0][0].value<int16_t>(), 1);
    EXPECT_EQ(selected[1][0].value<int16_t>(), 3);
    ASSERT_FALSE(page.SelectedSerPort().isNothing());
    EXPECT_EQ(page.SelectedSerPort()->Number(), 3);
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(released.count(), 1);
    EXPECT_TRUE(page.SelectedSerPort().isNothing());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->Items().at(0)).center());
    ASSERT_EQ(selected.count(), 3);
    EXPECT_EQ(selected[2][0].value<int16_t>(), 1);
}

TEST_F(ctlSerialPortsTest, TheColumnsFitTheirHeadersAndTheirCells) {
    link(com1, 1);
    ctlSerialPorts page;
    page.show();
    page.Load();
    auto* list = page.findChild<Platform::Ui::ListView*>("lstSerialPorts");
    for (int column = 0; column < list->columnCount(); ++column) {
        const int width = list->columnWidth(column);
        EXPECT_GE(list->ColumnWidthTwips(column), 990) << column;
        // Its header and its cells ask for no more room than they have.
        list->resizeColumnToContents(column);
        EXPECT_LE(list->columnWidth(column), width) << column;
    }
}
