#include "KestrupExe/ctlSerialPorts.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>

#include "PtyPeer.h"
#include "TempFolder.h"
#include "ui/ListView.h"

using Kestrup::ctlSerialPorts;
using Platform::Serial::Testing::Pty;

namespace {

class ctlSerialPortsTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("KESTRUP_COM_DIR", folder.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("KESTRUP_COM_DIR"); }
    void link(const Pty& pty, int number) {
        std::filesystem::create_symlink(pty.slaveName(), folder / ("COM" + std::to_string(number)));
    }

    TempFolder folder;
    Pty com1, com3;
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
    page.show();
    page.Load();
    page.hide();
    page.show();
    page.Load();
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->ColumnCaption(0), "Port");
    EXPECT_EQ(list->ColumnCaption(1), "DSR status");
    ASSERT_EQ(list->ItemCount(), 2);
    auto rows = list->Items();
    EXPECT_EQ(list->Text(rows[0]), "COM1:");
    EXPECT_EQ(list->Key(rows[0]), "com1:");
    // A pseudo-terminal has no modem lines, so no DSR.
    EXPECT_EQ(list->Text(rows[0], 1), "Not active");
    EXPECT_EQ(list->Text(rows[1]), "COM3:");
}

TEST_F(ctlSerialPortsTest, AClickedRowReportsItsPort) {
    link(com3, 3);
    ctlSerialPorts page;
    page.show();
    page.Load();
    auto* list = page.findChild<Platform::Ui::ListView*>("lstSerialPorts");
    QSignalSpy selected(&page, &ctlSerialPorts::SerPortSelected);
    QTreeWidgetItem* row = list->Items().at(0);
    list->setCurrentItem(row);
    Q_EMIT list->ItemClick(row);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].value<int16_t>(), 3);
    ASSERT_FALSE(page.SelectedSerPort().isNothing());
    EXPECT_EQ(page.SelectedSerPort()->Number(), 3);
}
