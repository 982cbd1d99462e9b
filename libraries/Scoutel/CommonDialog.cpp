#include "Scoutel/CommonDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "Scoutel/CommonDialogEnums.h"
#include "automation/Error.h"
#include "automation/InterfaceTable.h"
#include "ui/HelpViewer.h"
#include "ui/Text.h"

namespace Scoutel {

namespace {

constexpr const char* kSource = "Scoutel.cCommonDialog";
constexpr int32_t kCancelError = 20001;
constexpr int32_t kInvalidHelpCommand = 13705;

// An OLE colour with the high bit set names a system colour by its index.
int32_t translateColor(int32_t color) {
    if ((static_cast<uint32_t>(color) & 0x80000000u) == 0)
        return color;
    return SystemColor(color & 0xFFFFFF);
}

QWidget* windowOf(int32_t id) {
    return id == 0 ? nullptr : QWidget::find(static_cast<WId>(static_cast<uint32_t>(id)));
}

} // namespace

GCommonDialog& CommonDialog::dialogs() {
    if (!dialogs_)
        dialogs_ = Automation::New<GCommonDialog>();
    return *dialogs_;
}

QWidget* CommonDialog::dialogWindow(int32_t hDlg) const {
    QWidget* widget = windowOf(hDlg);
    // The file dialogs' hook window lies inside the dialog's window.
    return widget && fileDialog_ ? widget->window() : widget;
}

void CommonDialog::WMCommand(int32_t hDlg, int32_t wParam, int32_t lParam) {
    Events.WMCommand.raise(hDlg, wParam, lParam);
}

void CommonDialog::DialogClose() {
    Events.DialogClose.raise();
}

int32_t CommonDialog::TypeChange(int32_t hDlg) {
    Events.TypeChange.raise(hDlg);
    return 0;
}

int32_t CommonDialog::InitDialog(int32_t hDlg) {
    Events.InitDialog.raise(hDlg);
    return 0;
}

int32_t CommonDialog::FileChange(int32_t hDlg) {
    Events.FileChange.raise(hDlg);
    return 0;
}

int32_t CommonDialog::FolderChange(int32_t hDlg) {
    Events.FolderChange.raise(hDlg);
    return 0;
}

bool CommonDialog::ConfirmOK() {
    bool cancel = false;
    Events.DialogOK.raise(cancel);
    return !cancel;
}

void CommonDialog::ParseMultiFileName(std::string& sDir, std::vector<std::string>& sFiles,
                                      int32_t& iFileCount) {
    const size_t end = filename_.find(std::string(2, '\0'));
    if (end != std::string::npos) {
        // A folder, then its names, each ended by a NUL.
        std::vector<std::string> pieces(1);
        for (char c : filename_.substr(0, end)) {
            if (c == '\0')
                pieces.emplace_back();
            else
                pieces.back() += c;
        }
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i + 1 < pieces.size() && sDir.empty()) {
                sDir = pieces[i];
            } else {
                sFiles.push_back(pieces[i]);
                ++iFileCount;
            }
        }
        return;
    }
    iFileCount = 1;
    const size_t slash = filename_.rfind('/');
    if (slash != std::string::npos && slash >= 1) {
        sDir = filename_.substr(0, slash);
        sFiles = {filename_.substr(slash + 1)};
    } else {
        sDir.clear();
        sFiles = {filename_};
    }
}

void CommonDialog::CentreDialog(int32_t hDlg, const Automation::Ref<Automation::Object>& oCentreTo) {
    QWidget* dialog = dialogWindow(hDlg);
    if (!dialog)
        return;
    QRect target;
    bool hasOwner = false;
    if (oCentreTo) {
        try {
            const int32_t owner = Automation::getProperty(*oCentreTo, "hwnd").toLong();
            hasOwner = true;
            if (QWidget* window = windowOf(owner))
                target = window->frameGeometry();
        } catch (const Automation::Error&) {
            // An object without a window: the work area it is.
        }
    }
    if (!hasOwner) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            target = screen->availableGeometry().isValid() ? screen->availableGeometry() : screen->geometry();
    }
    if (target.right() + 1 < 1 || target.bottom() + 1 < 1)
        return;
    const QRect own = dialog->frameGeometry();
    dialog->move(target.left() + (target.width() - own.width()) / 2,
                 target.top() + (target.height() - own.height()) / 2);
    dialog->update();
}

void CommonDialog::GetDialogSize(int32_t hDlg, int32_t& lL, int32_t& lT, int32_t& lW, int32_t& lH) {
    QRect frame;
    if (QWidget* dialog = dialogWindow(hDlg))
        frame = dialog->frameGeometry();
    lL = frame.left();
    lT = frame.top();
    lW = frame.width();
    lH = frame.height();
}

void CommonDialog::SetHelpPosition(int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t eWindowType) {
    try {
        auto viewer = Platform::Ui::CreateHelpViewer(dialogTitle_);
        viewer->setHelpFile(helpFile_);
        viewer->setPlacement(x, y, dx, dy, eWindowType);
    } catch (const Automation::Error& error) {
        Automation::raise(error.Number(), kSource, error.Description());
    }
}

std::string CommonDialog::FontName() const {
    return Platform::Ui::fromQString(font_.family());
}

void CommonDialog::setFontName(const std::string& value) {
    font_.setFamily(Platform::Ui::toQString(value));
}

void CommonDialog::setFontSize(double value) {
    if (value > 0)
        font_.setPointSizeF(value);
}

int32_t CommonDialog::CustomColor(int32_t i) {
    return dialogs().CustomColor(i);
}

void CommonDialog::setCustomColor(int32_t i, int32_t value) {
    dialogs().setCustomColor(i, value);
}

void CommonDialog::raiseFailure() {
    if (dialogs().APIReturn() != 0)
        Automation::raise(eeBaseCommonDialog | dialogs().ExtendedError(), kSource);
    if (cancelError_)
        Automation::raise(kCancelError, kSource, "User selected cancel.");
}

void CommonDialog::ShowOpen() {
    fileDialog_ = true;
    const bool fileMustExist = (flags_ & OFN_FILEMUSTEXIST) != 0;
    const bool multiSelect = (flags_ & OFN_ALLOWMULTISELECT) != 0;
    bool readOnly = (flags_ & OFN_READONLY) != 0;
    const bool hideReadOnly = (flags_ & OFN_HIDEREADONLY) != 0;
    if ((flags_ & OFN_ENABLETEMPLATE) != 0 && hInstance_ < 1)
        flags_ &= ~OFN_ENABLETEMPLATE;
    if (filterIndex_ == 0)
        filterIndex_ = 1;
    // A handler may release this object.
    auto keep = self<CommonDialog>();
    if (!dialogs().VBGetOpenFileName2(
            filename_, fileTitle_, fileMustExist, multiSelect, readOnly, hideReadOnly, filter_, filterIndex_,
            initDir_, dialogTitle_, defaultExt_, hwnd_, flags_, hookDialog_, hInstance_, templateName_, keep))
        raiseFailure();
}

void CommonDialog::ShowSave() {
    fileDialog_ = true;
    const bool overWritePrompt = (flags_ & OFN_OVERWRITEPROMPT) != 0;
    auto keep = self<CommonDialog>();
    if (!dialogs().VBGetSaveFileName2(filename_, fileTitle_, overWritePrompt, filter_, filterIndex_, initDir_,
                                      dialogTitle_, defaultExt_, hwnd_, flags_, hookDialog_, hInstance_,
                                      templateName_, keep))
        raiseFailure();
}

void CommonDialog::ShowColor() {
    fileDialog_ = false;
    int32_t color = translateColor(color_);
    auto keep = self<CommonDialog>();
    if (dialogs().VBChooseColor(color, (flags_ & CC_ANYCOLOR) != 0, (flags_ & CC_FULLOPEN) != 0,
                                (flags_ & CC_PREVENTFULLOPEN) != 0, hwnd_, flags_, hookDialog_, keep))
        color_ = color;
    else
        raiseFailure();
}

void CommonDialog::ShowFont() {
    fileDialog_ = false;
    int32_t color = fontColor_;
    int32_t flags = flags_;
    auto keep = self<CommonDialog>();
    if (dialogs().VBChooseFont(font_, -1, hwnd_, color, min_, max_, flags, hookDialog_, keep))
        fontColor_ = color;
    else
        raiseFailure();
}

void CommonDialog::ShowPrinter() {
    fileDialog_ = false;
    int32_t hdc = 0;
    int32_t printRange = (flags_ & PD_PAGENUMS) != 0    ? eprPageNumbers
                         : (flags_ & PD_SELECTION) != 0 ? eprSelection
                                                        : eprAll;
    int32_t fromPage = fromPage_;
    int32_t toPage = toPage_;
    int32_t copies = copies_;
    bool printToFile = (flags_ & PD_PRINTTOFILE) != 0;
    bool collate = (flags_ & PD_COLLATE) != 0;
    int32_t flags = flags_;
    auto keep = self<CommonDialog>();
    if (dialogs().VBPrintDlg(hdc, printRange, (flags_ & PD_PAGENUMS) == 0, fromPage, toPage,
                             (flags_ & PD_NOSELECTION) != 0, copies, (flags_ & PD_HIDEPRINTTOFILE) == 0,
                             (flags_ & PD_DISABLEPRINTTOFILE) != 0, printToFile, collate,
                             (flags_ & PD_NOWARNING) != 0, hwnd_, object_, flags, hookDialog_, keep))
        copies_ = copies;
}

void CommonDialog::ShowHelp() {
    if (helpCommand_ == HELP_MULTIKEY || helpCommand_ == HELP_SETWINPOS)
        Automation::raise(kInvalidHelpCommand, kSource,
                          "Invalid WinHelp Command Passed to ShowHelp function.");
    try {
        auto viewer = Platform::Ui::CreateHelpViewer(dialogTitle_);
        viewer->setHelpFile(helpFile_);
        if (helpCommand_ == HELP_QUIT) {
            viewer->Close();
            return;
        }
        // The help call's data value is always 0.
        viewer->setContext(0);
        viewer->Show(windowOf(hwnd_));
    } catch (const Automation::Error& error) {
        Automation::raise(error.Number(), kSource, error.Description());
    }
}

void CommonDialog::cdLoadLibrary(const std::string& DllName) {
    (void)DllName;
    hInstance_ = 0;
}

} // namespace Scoutel
