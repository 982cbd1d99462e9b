// The common dialogs, answered by the robot through the forms seam; the open
// dialog is the real non-native file dialog, so its notifications are real.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPageLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include "ErrorNumber.h"
#include "Scoutel/CommonDialog.h"
#include "Scoutel/CommonDialogEnums.h"
#include "TempFolder.h"
#include "UiRobot.h"
#include "automation/InterfaceTable.h"
#include "messages/MessagePump.h"
#include "ui/HelpViewer.h"
#include "ui/Text.h"

using namespace Scoutel;

namespace {

constexpr const char* kSource = "Scoutel.cCommonDialog";

void typeAndAccept(QDialog& dialog, const std::string& text) {
    dialog.findChild<QLineEdit*>("fileNameEdit")->setText(Platform::Ui::toQString(text));
    dialog.accept();
}

template <class T> T& child(QWidget& form, const char* name) {
    auto* widget = form.findChild<T*>(name);
    if (!widget)
        throw std::runtime_error(std::string("no widget ") + name);
    return *widget;
}

void clickOK(QDialog& form) {
    form.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// The print dialog's last destination is a file, whatever printers there are.
void chooseFileOutput(QDialog& form, const std::string& file) {
    auto& printers = child<QComboBox>(form, "printers");
    printers.setCurrentIndex(printers.count() - 1);
    child<QLineEdit>(form, "filename").setText(Platform::Ui::toQString(file));
}

// Qt's page setup dialog writes the choices into its printer only when its own
// exec ends, as the real seam runs it, so the robot works inside that loop.
void operateInItsOwnLoop(QDialog& form, std::function<void()> steps) {
    QTimer::singleShot(0, &form, std::move(steps));
    form.exec();
}

// Qt's own question boxes inside a dialog's accept bypass the modal-box hook:
// this answers the next one once its own loop runs, and keeps its text.
void answerNextBox(QDialog& form, QMessageBox::StandardButton answer, QString& text) {
    QTimer::singleShot(0, &form, [answer, &text] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                text = box->text();
                box->button(answer)->click();
            }
        }
    });
}

// A client's printer object; it has no PrintQuality, which the dialogs pass over.
class PrinterObject : public Automation::Object {
public:
    int32_t Copies() const { return copies; }
    void setCopies(int32_t value) { copies = value; }
    int32_t Orientation() const { return orientation; }
    void setOrientation(int32_t value) { orientation = value; }
    int32_t PaperSize() const { return paperSize; }
    void setPaperSize(int32_t value) { paperSize = value; }

    const Automation::InterfaceTable* interfaceTable(std::string_view name) const override {
        static const Automation::InterfaceTable table =
            Automation::InterfaceBuilder<PrinterObject>("_Printer")
                .property("Copies", &PrinterObject::Copies, &PrinterObject::setCopies)
                .property("Orientation", &PrinterObject::Orientation, &PrinterObject::setOrientation)
                .property("PaperSize", &PrinterObject::PaperSize, &PrinterObject::setPaperSize)
                .build();
        return Automation::selectInterface(name, &table);
    }

    int32_t copies = 0;
    int32_t orientation = 0;
    int32_t paperSize = 0;
};

class CommonDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_.write("data.bin", "x");
        folder_.write("notes.txt", "y");
        std::filesystem::create_directory(folder_ / "sub");
        dialog_->setInitDir(folder_.path().string());
        dialog_->setFilter("Firmware (*.bin)|*.bin|All Files (*.*)|*.*");
    }

    TempFolder folder_;
    std::string file_;
    UiRobot robot_;
    Automation::Ref<CommonDialog> dialog_ = Automation::New<CommonDialog>();
};

TEST_F(CommonDialogTest, CancelledOpenClearsTheResultAndRaisesOnlyWhenAsked) {
    dialog_->setFilename("start.bin");
    robot_.onForm = [](QDialog& dialog) { dialog.reject(); };
    dialog_->ShowOpen();
    EXPECT_EQ(dialog_->Filename(), "");
    EXPECT_EQ(dialog_->FilterIndex(), -1);
    EXPECT_EQ(dialog_->Filter(), "");
    EXPECT_EQ(dialog_->Flags(), 0);

    dialog_->setCancelError(true);
    EXPECT_TRUE(isError(raisedError([&] { dialog_->ShowOpen(); }), 20001, kSource, "User selected cancel."));
    EXPECT_TRUE(isError(raisedError([&] { dialog_->ShowSave(); }), 20001, kSource, "User selected cancel."));
}

TEST_F(CommonDialogTest, OpenTakesFilterIndexZeroAsOneAndReturnsTheChosenPairAndFlags) {
    EXPECT_EQ(dialog_->FilterIndex(), 1);
    dialog_->setFilterIndex(0);
    dialog_->setFlags(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    dialog_->setDefaultExt(".bin");
    dialog_->setDialogTitle("Pick");
    QStringList filtersSeen;
    robot_.onForm = [&](QDialog& form) {
        auto& dialog = dynamic_cast<QFileDialog&>(form);
        EXPECT_EQ(dialog.windowTitle(), "Pick");
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.defaultSuffix(), "bin");
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        filtersSeen = dialog.nameFilters();
        EXPECT_EQ(dialog.selectedNameFilter(), "Firmware (*.bin)");
        dialog.selectNameFilter(filtersSeen.value(1));
        typeAndAccept(dialog, file_);
    };
    dialog_->ShowOpen();
    EXPECT_EQ(filtersSeen, QStringList({"Firmware (*.bin) (*.bin)", "All Files (*.*) (*)"}));
    EXPECT_EQ(dialog_->Filename(), file_);
    EXPECT_EQ(dialog_->FileTitle(), "data.bin");
    EXPECT_EQ(dialog_->FilterIndex(), 2);
    EXPECT_EQ(dialog_->Filter(), std::string("All Files (*.*)\0*.*", 19));
    // The path bit is not passed on.
    EXPECT_EQ(dialog_->Flags(), OFN_FILEMUSTEXIST);
}

TEST_F(CommonDialogTest, HookRaisesTheEventsAndAVetoKeepsTheDialogOpenWithTheTypedName) {
    dialog_->setHookDialog(true);
    dialog_->setFlags(OFN_FILEMUSTEXIST);
    std::vector<std::string> events;
    int32_t initWindow = 0;
    bool veto = true;
    const std::string inSub = folder_.write("sub/in.bin", "z");
    auto c1 = dialog_->Events.InitDialog.connect([&](int32_t hDlg) {
        events.push_back("InitDialog");
        initWindow = hDlg;
    });
    auto c2 = dialog_->Events.FolderChange.connect([&](int32_t) { events.push_back("FolderChange"); });
    auto c3 = dialog_->Events.TypeChange.connect([&](int32_t) { events.push_back("TypeChange"); });
    auto c4 = dialog_->Events.DialogOK.connect([&](bool& bCancel) {
        events.push_back("DialogOK");
        bCancel = veto;
    });
    auto c5 = dialog_->Events.DialogClose.connect([&] { events.push_back("DialogClose"); });
    robot_.onForm = [&](QDialog& form) {
        EXPECT_EQ(static_cast<int32_t>(form.winId()), initWindow);
        auto* types = form.findChild<QComboBox*>("fileTypeCombo");
        types->setCurrentIndex(1);
        // What choosing the second type in the box tells.
        Q_EMIT types->activated(1);
        Q_EMIT types->textActivated(types->itemText(1));
        typeAndAccept(form, "data.bin");
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.findChild<QLineEdit*>("fileNameEdit")->text(), "data.bin");
        typeAndAccept(form, (folder_ / "sub"));
        veto = false;
        // The new folder's listing is read in the background; until it is
        // in, the old folder's selection stands beside a typed name.
        auto* view = form.findChild<QListView*>("listView");
        EXPECT_TRUE(
            Platform::WaitUntil([&] { return view->model()->rowCount(view->rootIndex()) == 1; }, 10000));
        typeAndAccept(form, "in.bin");
    };
    dialog_->ShowOpen();
    EXPECT_EQ(events, (std::vector<std::string>{"InitDialog", "FolderChange", "TypeChange", "DialogOK",
                                                "FolderChange", "DialogOK", "DialogClose"}));
    EXPECT_EQ(dialog_->Filename(), inSub);
    EXPECT_EQ(dialog_->Flags(), OFN_FILEMUSTEXIST | OFN_ENABLEHOOK | OFN_EXPLORER);
}

TEST_F(CommonDialogTest, FileChangeNamesTheDialogWhoseSelectionMovedToAnotherFile) {
    const std::string other = folder_.write("other.bin", "w");
    std::vector<std::string> selected; // what the window of each FileChange has selected
    int32_t shown = 0;
    auto c = dialog_->Events.FileChange.connect([&](int32_t hDlg) {
        EXPECT_EQ(hDlg, shown);
        auto* window =
            qobject_cast<QFileDialog*>(QWidget::find(static_cast<WId>(static_cast<uint32_t>(hDlg))));
        selected.push_back(window ? Platform::Ui::fromQString(window->selectedFiles().value(0))
                                  : "no window");
    });
    robot_.onForm = [&](QDialog& form) {
        shown = static_cast<int32_t>(form.winId());
        auto* view = form.findChild<QListView*>("listView");
        auto row = [&](const QString& name) {
            QModelIndex found;
            Platform::WaitUntil(
                [&] {
                    for (int i = 0; i < view->model()->rowCount(view->rootIndex()); ++i) {
                        QModelIndex index = view->model()->index(i, 0, view->rootIndex());
                        if (index.data().toString() == name)
                            found = index;
                    }
                    return found.isValid();
                },
                10000);
            return found;
        };
        const QModelIndex first = row("data.bin");
        const QModelIndex second = row("other.bin");
        selected.clear();
        view->setCurrentIndex(first);
        view->setCurrentIndex(second);
        form.reject();
    };
    dialog_->setHookDialog(true);
    dialog_->ShowOpen();
    EXPECT_EQ(selected, (std::vector<std::string>{file_, other}));
    dialog_->ShowSave();
    EXPECT_EQ(selected, (std::vector<std::string>{file_, other}));

    dialog_->setHookDialog(false);
    dialog_->ShowOpen();
    EXPECT_TRUE(selected.empty());
}

TEST_F(CommonDialogTest, SaveReturnsTheNameAndAsksBeforeReplacingOnlyWhenFlagged) {
    dialog_->setFilterIndex(2);
    dialog_->setDefaultExt("bin");
    robot_.onForm = [&](QDialog& form) {
        auto& dialog = dynamic_cast<QFileDialog&>(form);
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.selectedNameFilter(), "All Files (*.*)");
        typeAndAccept(form, "report");
    };
    dialog_->ShowSave();
    EXPECT_EQ(dialog_->Filename(), folder_ / "report.bin");
    EXPECT_EQ(dialog_->FileTitle(), "report.bin");
    EXPECT_EQ(dialog_->FilterIndex(), 2);
    EXPECT_EQ(dialog_->Filter(), std::string("All Files (*.*)\0*.*", 19));
    EXPECT_EQ(dialog_->Flags(), OFN_HIDEREADONLY);

    // An existing name: asked about only with the prompt flag; No keeps the dialog open.
    const std::string existing = folder_ / "notes.txt";
    QString question;
    dialog_->setFlags(OFN_OVERWRITEPROMPT);
    robot_.onForm = [&](QDialog& form) {
        answerNextBox(form, QMessageBox::No, question);
        typeAndAccept(form, "notes.txt");
        EXPECT_TRUE(question.contains("notes.txt already exists")) << question.toStdString();
        EXPECT_TRUE(form.isVisible());
        question.clear();
        answerNextBox(form, QMessageBox::Yes, question);
        typeAndAccept(form, "notes.txt");
        EXPECT_FALSE(question.isEmpty());
    };
    dialog_->ShowSave();
    EXPECT_EQ(dialog_->Filename(), existing);
    EXPECT_EQ(dialog_->FileTitle(), "notes.txt");
    EXPECT_EQ(dialog_->Flags(), OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);

    question.clear();
    dialog_->setFlags(0);
    dialog_->setHookDialog(true);
    int oks = 0;
    auto c = dialog_->Events.DialogOK.connect([&](bool&) { ++oks; });
    robot_.onForm = [&](QDialog& form) {
        answerNextBox(form, QMessageBox::No, question);
        typeAndAccept(form, "notes.txt");
    };
    dialog_->ShowSave();
    EXPECT_TRUE(question.isEmpty());
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(dialog_->Filename(), existing);
    EXPECT_EQ(dialog_->Flags(), OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER);
}

TEST_F(CommonDialogTest, AFailingDialogRaisesTheBaseCombinedWithTheExtendedError) {
    dialog_->sethwnd(0x7FFF1234); // names no window
    dialog_->setCancelError(true);
    auto error = raisedError([&] { dialog_->ShowOpen(); });
    EXPECT_EQ(error.Number(), int32_t{eeBaseCommonDialog} | CDERR_DIALOGFAILURE);
    EXPECT_EQ(error.Source(), kSource);
    EXPECT_EQ(dialog_->FilterIndex(), -1);

    dialog_->sethwnd(0);
    dialog_->setMin(20);
    dialog_->setMax(10);
    EXPECT_EQ(errorNumberOf([&] { dialog_->ShowFont(); }),
              int32_t{eeBaseCommonDialog} | CFERR_MAXLESSTHANMIN);
}

TEST_F(CommonDialogTest, ColourFontAndPrinter) {
    dialog_->setColor(0x0000FF);
    int32_t seen = 0;
    robot_.onForm = [&](QDialog& form) {
        auto& dialog = dynamic_cast<QColorDialog&>(form);
        seen = dialog.currentColor().red();
        dialog.setCurrentColor(QColor(0x10, 0x20, 0x30));
        dialog.accept();
    };
    dialog_->ShowColor();
    EXPECT_EQ(seen, 0xFF);
    EXPECT_EQ(dialog_->Color(), 0x302010);

    robot_.onForm = [&](QDialog& form) {
        auto& dialog = dynamic_cast<QFontDialog&>(form);
        QFont font = dialog.currentFont();
        font.setBold(true);
        font.setPointSize(30);
        dialog.setCurrentFont(font);
        dialog.accept();
    };
    dialog_->setMax(24);
    dialog_->ShowFont();
    EXPECT_EQ(dialog_->FontSize(), 24); // the limit holds

    dialog_->setCancelError(true);
    robot_.onForm = [](QDialog& form) { form.reject(); };
    EXPECT_EQ(errorNumberOf([&] { dialog_->ShowColor(); }), 20001);
    dialog_->setCopies(3);
    EXPECT_EQ(errorNumberOf([&] { dialog_->ShowPrinter(); }), 0);
    EXPECT_EQ(dialog_->Copies(), 3);
}

TEST_F(CommonDialogTest, PrintDialogOKReturnsRangeCopiesCollateAndFileOutput) {
    const std::string output = folder_ / "out.pdf";
    robot_.onForm = [&](QDialog& form) {
        chooseFileOutput(form, output);
        child<QSpinBox>(form, "copies").setValue(3);
        child<QCheckBox>(form, "collate").setChecked(true);
        child<QRadioButton>(form, "printRange").click();
        child<QSpinBox>(form, "from").setValue(2);
        child<QSpinBox>(form, "to").setValue(5);
        clickOK(form);
    };
    auto printer = Automation::New<PrinterObject>();
    auto dialogs = Automation::New<GCommonDialog>();
    int32_t hdc = -1, range = eprAll, from = 0, to = 0, copies = 1, flags = 0;
    bool toFile = false, collate = false;
    ASSERT_TRUE(dialogs->VBPrintDlg(hdc, range, false, from, to, false, copies, true, false, toFile, collate,
                                    false, -1, printer, flags, false, nullptr));
    EXPECT_EQ(range, eprPageNumbers);
    EXPECT_EQ(from, 2);
    EXPECT_EQ(to, 5);
    EXPECT_EQ(copies, 3);
    EXPECT_TRUE(collate);
    EXPECT_TRUE(toFile);
    EXPECT_EQ(printer->copies, 3);
    EXPECT_EQ(printer->orientation, eoPortrait);

    // The object keeps only the copies.
    dialog_->setCopies(1);
    robot_.onForm = [&](QDialog& form) {
        EXPECT_EQ(child<QSpinBox>(form, "copies").value(), 1);
        chooseFileOutput(form, output);
        child<QSpinBox>(form, "copies").setValue(4);
        clickOK(form);
    };
    dialog_->ShowPrinter();
    EXPECT_EQ(dialog_->Copies(), 4);
}

TEST_F(CommonDialogTest, PageSetupOKReturnsMarginsInTheAskedUnitsPaperAndOrientation) {
    auto printer = Automation::New<PrinterObject>();
    auto dialogs = Automation::New<GCommonDialog>();
    double left = 10, right = 11, top = 12, bottom = 13;
    int32_t paper = epsA4, orientation = eoPortrait, quality = 0;
    robot_.onForm = [&](QDialog& form) {
        operateInItsOwnLoop(form, [&] {
            auto& units = child<QComboBox>(form, "unitCombo");
            for (int i = 0; i < units.count(); ++i)
                if (units.itemData(i).value<QPageLayout::Unit>() == QPageLayout::Millimeter)
                    units.setCurrentIndex(i);
            EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>(form, "leftMargin").value(), 10);
            EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>(form, "bottomMargin").value(), 13);
            child<QDoubleSpinBox>(form, "leftMargin").setValue(25.4);
            child<QDoubleSpinBox>(form, "topMargin").setValue(20);
            auto& sizes = child<QComboBox>(form, "pageSizeCombo");
            sizes.setCurrentIndex(sizes.findText("A5"));
            child<QRadioButton>(form, "landscape").click();
            clickOK(form);
        });
    };
    ASSERT_TRUE(dialogs->VBPageSetupDlg(-1, false, false, false, false, left, 0, right, 0, top, 0, bottom, 0,
                                        paper, orientation, quality, epsuMillimeters, printer, 0, false,
                                        nullptr));
    EXPECT_DOUBLE_EQ(left, 25.4);
    EXPECT_DOUBLE_EQ(right, 11);
    EXPECT_DOUBLE_EQ(top, 20);
    EXPECT_DOUBLE_EQ(bottom, 13);
    EXPECT_EQ(paper, epsA5);
    EXPECT_EQ(orientation, eoLandscape);
    EXPECT_EQ(printer->paperSize, epsA5);
    EXPECT_EQ(printer->orientation, eoLandscape);

    // In inches the margins travel in thousandths.
    robot_.onForm = [](QDialog& form) { operateInItsOwnLoop(form, [&form] { clickOK(form); }); };
    left = 1.0 / 3;
    right = top = bottom = 0.5;
    ASSERT_TRUE(dialogs->VBPageSetupDlg(-1, false, false, false, false, left, 0, right, 0, top, 0, bottom, 0,
                                        paper, orientation, quality, epsuInches, nullptr, 0, false, nullptr));
    EXPECT_DOUBLE_EQ(left, 0.333);
    EXPECT_DOUBLE_EQ(bottom, 0.5);
    EXPECT_EQ(paper, epsA5);
    EXPECT_EQ(orientation, eoLandscape);
}

TEST_F(CommonDialogTest, ParseMultiFileName) {
    struct Case {
        std::string filename;
        std::string dir;
        std::vector<std::string> files;
        int32_t count;
    } cases[] = {
        {std::string("/home/u\0a.bin\0b.bin\0\0", 22), "/home/u", {"a.bin", "b.bin"}, 2},
        {std::string("/home/u/a.bin\0\0\0", 16), "", {"/home/u/a.bin"}, 1},
        {"/home/u/a.bin", "/home/u", {"a.bin"}, 1},
        {"/a.bin", "", {"/a.bin"}, 1},
    };
    for (const auto& c : cases) {
        dialog_->setFilename(c.filename);
        std::string dir;
        std::vector<std::string> files;
        int32_t count = 0;
        dialog_->ParseMultiFileName(dir, files, count);
        EXPECT_EQ(dir, c.dir) << c.filename;
        EXPECT_EQ(files, c.files) << c.filename;
        EXPECT_EQ(count, c.count) << c.filename;
    }
}

TEST_F(CommonDialogTest, CustomColoursAreSixteen) {
    for (int32_t i = 0; i < 16; ++i)
        EXPECT_GE(dialog_->CustomColor(i), 0) << i;
    dialog_->setCustomColor(15, 0x123456);
    dialog_->setCustomColor(16, 0x123456);
    EXPECT_EQ(dialog_->CustomColor(15), 0x123456);
    EXPECT_EQ(dialog_->CustomColor(16), -1);
    EXPECT_EQ(dialog_->CustomColor(-1), -1);
}

class RecordingViewer : public Platform::Ui::HelpViewer {
public:
    explicit RecordingViewer(std::vector<std::string>& log) : log_(log) {}
    void setHelpFile(const std::string& path) override { log_.push_back("file " + path); }
    void setContext(int32_t context) override { log_.push_back("context " + std::to_string(context)); }
    void Show(QWidget*) override { log_.push_back("show"); }
    void Close() override { log_.push_back("close"); }
    void setPlacement(int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t show) override {
        log_.push_back("place " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(dx) +
                       "," + std::to_string(dy) + "," + std::to_string(show));
    }

private:
    std::vector<std::string>& log_;
};

TEST_F(CommonDialogTest, HelpGoesToTheViewerAndRefusesTheWindowCommands) {
    std::vector<std::string> log;
    auto previous =
        Platform::Ui::setHelpViewerFactory([&] { return std::make_unique<RecordingViewer>(log); });
    dialog_->setHelpFile("app.hlp");
    for (int32_t command : {HELP_MULTIKEY, HELP_SETWINPOS}) {
        dialog_->setHelpCommand(command);
        EXPECT_TRUE(isError(raisedError([&] { dialog_->ShowHelp(); }), 13705, kSource,
                            "Invalid WinHelp Command Passed to ShowHelp function."));
    }
    EXPECT_TRUE(log.empty());
    dialog_->setHelpCommand(HELP_CONTENTS);
    dialog_->ShowHelp();
    dialog_->SetHelpPosition(1, 2, 300, 400, SW_SHOWNORMAL);
    Platform::Ui::setHelpViewerFactory(std::move(previous));
    EXPECT_EQ(log, (std::vector<std::string>{"file app.hlp", "context 0", "show", "file app.hlp",
                                             "place 1,2,300,400,1"}));
}

TEST_F(CommonDialogTest, CentreDialogWithoutAWindowToCentreOnUsesTheWorkArea) {
    QDialog window;
    window.resize(200, 100);
    window.show();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    dialog_->CentreDialog(static_cast<int32_t>(window.winId()), Automation::New<GCommonDialog>());
    const QRect frame = window.frameGeometry();
    EXPECT_EQ(frame.left(), area.left() + (area.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), area.top() + (area.height() - frame.height()) / 2);
}

} // namespace
