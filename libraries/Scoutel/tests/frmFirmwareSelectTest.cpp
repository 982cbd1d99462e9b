// The firmware selection dialog as FirmwareFinder shows it, operated by the
// robot: the tabbed form with the real non-native open dialog inside.
#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>

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
    // Whether every tab shows without the strip's scroll arrows.
    bool tabsFit() const {
        for (const QToolButton* arrow : tabs.tabBar()->findChildren<QToolButton*>())
            if (arrow->isVisibleTo(&form))
                return false;
        return tabs.tabBar()->tabRect(tabs.count() - 1).right() < tabs.width();
    }
    // A path typed on "Existing" and confirmed with the dialog's OK.
    void openTyped(const std::string& path) {
        tabs.setCurrentIndex(1);
        nameBox.setText(Platform::Ui::toQString(path));
        static_cast<QDialog&>(dialog).accept();
        Platform::DoEvents(); // the deferred close
    }
};

// The width a list's column needs for its widest text and its header.
int neededWidth(QTreeView& view, int column) {
    return std::max(static_cast<QAbstractItemView&>(view).sizeHintForColumn(column),
                    view.header()->sectionSizeHint(column));
}

// The tool tip that resting the pointer on a row's cell shows, empty for none.
std::string toolTipOver(QTreeWidget& list, QTreeWidgetItem* item, int column) {
    QToolTip::hideText();
    Platform::WaitUntil([] { return !QToolTip::isVisible(); }, 2000);
    const QPoint at = list.visualRect(list.indexFromItem(item, column)).center();
    QHelpEvent event(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list.viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
}

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

TEST_F(FirmwareDialogTest, ALongFolderIsShortenedInTheCaptionWhichFollowsTheFormsWidth) {
    // 150 characters, with a "&" that is part of a name.
    const std::string start = folder_ / "tools & kernels/";
    const std::string deep = start + std::string(150 - start.size(), 'f');
    std::filesystem::create_directories(deep);
    dir_ = deep;
    const std::string lead = "Firmware files in " + folder_.path().string() + "/tools && kernels/";
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        const std::string shown = page.tabs.tabText(0).toStdString();
        EXPECT_EQ(shown.rfind(lead, 0), 0u) << shown;
        EXPECT_NE(shown.find("\u2026"), std::string::npos) << shown;
        EXPECT_EQ(shown.substr(shown.size() - 10), std::string(10, 'f'));
        EXPECT_EQ(page.tabs.tabToolTip(0).toStdString(), deep);
        EXPECT_TRUE(page.tabsFit());

        form.resize(1600, 600);
        EXPECT_EQ(page.tabs.tabText(0).toStdString(), lead + std::string(150 - start.size(), 'f'));
        EXPECT_TRUE(page.tabsFit());
        form.resize(400, 300);
        EXPECT_TRUE(page.tabsFit());
        page.dialog.reject();
    };
    EXPECT_FALSE(show());
}

TEST_F(FirmwareDialogTest, TheFormOpensWithTheFocusOnOpenAndEnterOpensAfterAVisitToExisting) {
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        EXPECT_EQ(form.focusWidget(), form.findChild<QPushButton*>("cmdNewOpen"));
        // The focus really moves only in the active window.
        ASSERT_TRUE(Platform::WaitUntil([&] { return form.isActiveWindow(); }, 5000));
        page.tabs.setCurrentIndex(1);
        page.tabs.setCurrentIndex(0);
        page.list.setCurrentItem(page.row("b.BIN"));
        QTest::keyClick(&page.list, Qt::Key_Return);
        Platform::DoEvents();
    };
    auto firmware = show();
    ASSERT_TRUE(firmware);
    EXPECT_EQ(firmware->Path(), dir_ + "/b.BIN");
}

TEST_F(FirmwareDialogTest, ColumnsFitTheirTextsAndACutTextShowsWhole) {
    const std::string longName = std::string(120, 'k') + ".bin";
    const std::string longTitle = "Rubric 8.70 " + std::string(80, 't');
    folder_.write(longName, kernHeader(24) + longTitle);
    // A folder whose size and type texts are longer than those beside it.
    std::filesystem::create_directory(folder_ / "images");
    folder_.write("images/image.bin", std::string(100 * 1024, 'i'));
    // A folder for the side bar with a longer name than its own entries.
    const std::string bookmark = folder_ / "firmware releases";
    std::filesystem::create_directory(bookmark);
    robot_.onForm = [&](QDialog& form) {
        Page page = Page::of(form);
        // One grip resizes the form, from its corner on every page.
        auto gripInTheCorner = [&] {
            std::vector<QRect> shown;
            for (const QSizeGrip* grip : form.findChildren<QSizeGrip*>())
                if (grip->isVisibleTo(&form))
                    shown.push_back(QRect(grip->mapTo(&form, QPoint()), grip->size()));
            return shown.size() == 1 && shown.front().bottomRight() == form.rect().bottomRight();
        };
        EXPECT_TRUE(gripInTheCorner());
        // "New": two texts too long for the list share it evenly and show whole as tool tips.
        QTreeWidgetItem* cut = page.row(longName.c_str());
        EXPECT_EQ(page.list.header()->length(), page.list.viewport()->width());
        EXPECT_LE(std::abs(page.list.columnWidth(0) - page.list.columnWidth(1)), 1);
        EXPECT_EQ(toolTipOver(page.list, cut, 0), longName);
        EXPECT_EQ(toolTipOver(page.list, cut, 1), longTitle);
        EXPECT_EQ(toolTipOver(page.list, page.row("a.bin"), 0), "");
        // With room, each fits its texts and the name has what is left.
        form.resize(1800, 700);
        EXPECT_GT(page.list.columnWidth(0), neededWidth(page.list, 0));
        EXPECT_GE(page.list.columnWidth(1), neededWidth(page.list, 1));
        EXPECT_EQ(page.list.header()->length(), page.list.viewport()->width());
        form.resize(720, 480);

        // "Existing": the side bar fits its names; size, type and date fit
        // their texts in the next folder too.
        page.dialog.setSidebarUrls({QUrl("file:"), QUrl::fromLocalFile(QString::fromStdString(bookmark))});
        page.tabs.setCurrentIndex(1);
        EXPECT_TRUE(gripInTheCorner());
        auto& files = *page.dialog.findChild<QTreeView*>("treeView");
        auto& places = *page.dialog.findChild<QListView*>("sidebar");
        auto* model = files.model();
        auto sizeOf = [&](const char* name) {
            for (int row = 0; row < model->rowCount(files.rootIndex()); ++row)
                if (model->index(row, 0, files.rootIndex()).data().toString() == name)
                    return model->index(row, 1, files.rootIndex()).data().toString().toStdString();
            return std::string();
        };
        ASSERT_TRUE(Platform::WaitUntil([&] { return !sizeOf("a.bin").empty(); }, 10000));
        EXPECT_GE(places.viewport()->width(), static_cast<QAbstractItemView&>(places).sizeHintForColumn(0));
        page.nameBox.setText(Platform::Ui::toQString(folder_ / "images"));
        static_cast<QDialog&>(page.dialog).accept();
        ASSERT_TRUE(Platform::WaitUntil([&] { return !sizeOf("image.bin").empty(); }, 10000));
        Platform::DoEvents();
        for (int column = 1; column < 4; ++column)
            EXPECT_GE(files.header()->sectionSize(column), neededWidth(files, column)) << column;
        EXPECT_EQ(files.header()->length(), files.viewport()->width());
        const int nameWidth = files.header()->sectionSize(0);
        form.resize(1000, 600);
        EXPECT_GT(files.header()->sectionSize(0), nameWidth + 200);
        page.dialog.reject();
    };
    EXPECT_FALSE(show());
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
        EXPECT_EQ(page.tabs.tabToolTip(0).toStdString(), dir_);
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
