// The firmware selection dialog as FirmwareFinder shows it, operated by the
// robot: the tabbed form with the real non-native open dialog inside.
#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "KernelHeader.h"
#include "Scoutel/FirmwareFinder.h"
#include "Scoutel/frmFirmwareSelect.h"
#include "TempFolder.h"
#include "UiRobot.h"
#include "messages/MessagePump.h"
#include "ui/Text.h"

using namespace Scoutel;

namespace {

struct Page {
    frmFirmwareSelect& form;
    QTabWidget& tabs;
    QTreeWidget& list;
    QFileDialog& dialog;
    QLineEdit& nameBox;

    static Page of(QDialog& dialog) {
        auto& form = dynamic_cast<frmFirmwareSelect&>(dialog);
        auto* files = form.findChild<QFileDialog*>();
        return {form, *form.findChild<QTabWidget*>("tabMain"), *form.findChild<QTreeWidget*>("lvwNew"),
                *files, *files->findChild<QLineEdit*>("fileNameEdit")};
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> texts;
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            texts.push_back(list.topLevelItem(i)->text(0).toStdString() + "|" +
                            list.topLevelItem(i)->text(1).toStdString());
        return texts;
    }
    QTreeWidgetItem* row(const char* name) const { return list.findItems(name, Qt::MatchExactly).value(0); }
    // A path typed on "Existing" and confirmed with the dialog's OK.
    void openTyped(const std::string& path) {
        tabs.setCurrentIndex(1);
        nameBox.setText(Platform::Ui::toQString(path));
        static_cast<QDialog&>(dialog).accept();
        Platform::DoEvents(); // the deferred close
    }
};

class FirmwareDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.write("a.bin", kernHeader(24) + "Rubric  8.10  (compressed)");
        folder_.write("b.BIN", kernHeader(24) + "Tessel 2.5");
        folder_.write("exec.bin", kernHeader(24, "EXEC") + "Rubric 8.20");
        folder_.write("kernel.txt", kernHeader(24) + "Rubric 8.30");
        folder_.write("zero.bin", "");
        folder_.write("before.bin", kernHeader(-1));
        const std::string locked = folder_.write("locked.bin", kernHeader(24) + "Rubric 8.40");
        ::chmod(locked.c_str(), 0);
        lockedReadable_ = ::access(locked.c_str(), R_OK) == 0;
        std::filesystem::create_directory(folder_ / "sub");
        folder_.write("sub/c.bin", kernHeader(24) + "Rubric 10.1");
        dir_ = folder_.path().string();
    }

    Automation::Ref<Firmware> show() { return finder_->ShowFirmwareDialog(dir_, 0); }

    TempFolder folder_;
    std::string dir_;
    bool lockedReadable_ = false;
    UiRobot robot_;
    Automation::Ref<FirmwareFinder> finder_ = Automation::New<FirmwareFinder>();
};

TEST_F(FirmwareDialogTest, NewListsTheFolderKernelsAndADoubleClickChoosesOne) {
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        EXPECT_EQ(form.windowTitle(), "Select Firmware File");
        ASSERT_EQ(page.tabs.count(), 2);
        EXPECT_EQ(page.tabs.tabText(0).toStdString(), "Firmware files in " + dir_);
        EXPECT_EQ(page.tabs.tabText(1), "Existing");
        EXPECT_EQ(page.tabs.currentIndex(), 0);
        EXPECT_TRUE(page.form.IsNew());
        EXPECT_FALSE(form.findChild<QWidget*>("chkCheck")->isVisible());
        EXPECT_EQ(page.list.headerItem()->text(0), "Filename");
        EXPECT_EQ(page.list.headerItem()->text(1), "Firmware Title");
        // The extension is matched without regard to case; files that are
        // not readable kernels are left out.
        std::vector<std::string> expected{"a.bin|Rubric 8.10 ", "b.BIN|Tessel 2.5"};
        if (lockedReadable_) // as root
            expected.push_back("locked.bin|Rubric 8.40");
        EXPECT_EQ(page.rows(), expected);
        EXPECT_EQ(page.dialog.nameFilters().value(0), "Rubric Firmware (*.bin) (*.bin)");
        EXPECT_EQ(page.dialog.selectedNameFilter(), "Rubric Firmware (*.bin)");
        EXPECT_EQ(page.dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(page.dialog.defaultSuffix(), "bin");
        QTreeWidgetItem* item = page.row("a.bin");
        page.list.setCurrentItem(item);
        Q_EMIT page.list.itemDoubleClicked(item, 0);
    };
    auto firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->Path(), dir_ + "/a.bin");
    EXPECT_EQ(firmware->FirmwareName(), "Rubric 8.10 ");
    EXPECT_EQ(firmware->Key(), "");
}

TEST_F(FirmwareDialogTest, ClickThenCancelKeepsTheBareNameAndOpenWithoutARowDoesNothing) {
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        page.list.clearSelection();
        UiRobot::click(form, "cmdNewOpen");
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(page.form.Cancelled());
        QTreeWidgetItem* item = page.row("b.BIN");
        page.list.setCurrentItem(item);
        Q_EMIT page.list.itemClicked(item, 0);
        EXPECT_EQ(page.form.Filename(), "b.BIN");
        UiRobot::click(form, "CmdNewCancel");
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(page.form.Cancelled());
        EXPECT_EQ(page.form.Filename(), "b.BIN");
    };
    EXPECT_FALSE(show());
}

TEST_F(FirmwareDialogTest, ExistingReturnsTheTypedPathAndTheDialogsCancelReturnsNothing) {
    robot_.onForm = [&](QDialog& form) { Page::of(form).openTyped(folder_ / "kernel.txt"); };
    auto firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->Path(), folder_ / "kernel.txt");
    EXPECT_EQ(firmware->FirmwareName(), "Rubric 8.30");

    robot_.onForm = [&](QDialog& form) { Page::of(form).openTyped(folder_ / "exec.bin"); };
    firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->FirmwareName(), "");

    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        page.tabs.setCurrentIndex(1);
        page.dialog.reject();
        EXPECT_FALSE(form.isVisible());
    };
    EXPECT_FALSE(show());
}

TEST_F(FirmwareDialogTest, SwitchingPagesKeepsTheWholeTypedNameSelected) {
    const std::string typed(300, 'n');
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        page.tabs.setCurrentIndex(1);
        page.nameBox.setText(Platform::Ui::toQString(typed));
        page.tabs.setCurrentIndex(0);
        page.nameBox.clear();
        page.tabs.setCurrentIndex(1);
        EXPECT_EQ(page.nameBox.text().toStdString(), typed);
        EXPECT_EQ(page.nameBox.selectedText().toStdString(), typed);
        EXPECT_FALSE(page.form.IsNew());
        page.dialog.reject();
    };
    EXPECT_FALSE(show());
}

TEST_F(FirmwareDialogTest, AFolderChangeRefreshesNew) {
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        page.tabs.setCurrentIndex(1);
        page.nameBox.setText(Platform::Ui::toQString(folder_ / "sub"));
        static_cast<QDialog&>(page.dialog).accept();
        EXPECT_EQ(page.tabs.tabText(0).toStdString(), "Firmware files in " + (folder_ / "sub"));
        EXPECT_EQ(page.rows(), (std::vector<std::string>{"c.bin|Rubric 10.1"}));
        page.tabs.setCurrentIndex(0);
        QTreeWidgetItem* item = page.row("c.bin");
        page.list.setCurrentItem(item);
        UiRobot::click(form, "cmdNewOpen");
    };
    auto firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->Path(), folder_ / "sub/c.bin");
}

TEST_F(FirmwareDialogTest, LongPathsStayWholeAndFailuresReturnNothingQuietly) {
    // A path of more than 300 characters.
    std::filesystem::path deep = folder_.path();
    for (int i = 0; i < 3; ++i)
        deep /= std::string(100, 'd');
    std::filesystem::create_directories(deep);
    const std::string file = (deep / "k.bin").string();
    std::ofstream(file, std::ios::binary) << kernHeader(24) + "Rubric 8.60";
    ASSERT_GT(file.size(), 300u);
    dir_ = deep.string();
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        EXPECT_EQ(page.tabs.tabText(0).toStdString(), "Firmware files in " + dir_);
        page.list.setCurrentItem(page.row("k.bin"));
        UiRobot::click(form, "cmdNewOpen");
    };
    auto firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->Path(), file);

    // An identifier before the start of the chosen file.
    dir_ = folder_.path().string();
    robot_.onForm = [&](QDialog& form) { Page::of(form).openTyped(folder_ / "before.bin"); };
    EXPECT_FALSE(show());
    // An owner that names no window.
    int forms = 0;
    robot_.onForm = [&](QDialog&) { ++forms; };
    EXPECT_FALSE(finder_->ShowFirmwareDialog(dir_, 0x7FFF1234));
    EXPECT_EQ(forms, 0);
}

} // namespace
