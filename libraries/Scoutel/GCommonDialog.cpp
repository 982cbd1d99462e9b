#include "Scoutel/GCommonDialog.h"

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPalette>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

#include "Scoutel/CommonDialogEnums.h"
#include "automation/Error.h"
#include "automation/InterfaceTable.h"
#include "ui/Forms.h"
#include "ui/Text.h"

namespace Scoutel {

namespace {

// The one current hooked dialog of the thread; the hook's entry points find
// it here, as the platform's hook procedures did.
thread_local GCommonDialog* currentDialog = nullptr;

int32_t hookEntry(int32_t hDlg, int32_t msg, int32_t wParam, int32_t lParam) {
    return currentDialog ? currentDialog->DialogHook(hDlg, msg, wParam, lParam) : 0;
}

int32_t windowId(QWidget* widget) {
    return static_cast<int32_t>(widget->winId());
}

// The owner window of a dialog: none for 0 and -1; false when the id names
// no window, which fails the dialog as the platform did.
bool findOwner(int32_t owner, QWidget*& parent) {
    parent = nullptr;
    if (owner == 0 || owner == -1)
        return true;
    parent = QWidget::find(static_cast<WId>(static_cast<uint32_t>(owner)));
    return parent != nullptr;
}

QColor fromColorValue(int32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int32_t toColorValue(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

// One filter pair: what the user reads, and the patterns separated by ";".
struct FilterPair {
    std::string description;
    std::string pattern;
};

std::vector<FilterPair> filterPairs(const std::string& filter) {
    std::vector<std::string> pieces(1);
    for (char c : filter) {
        if (c == '|' || c == ':')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    std::vector<FilterPair> pairs;
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
        if (pieces[i].empty() && pieces[i + 1].empty())
            break;
        pairs.push_back({pieces[i], pieces[i + 1]});
    }
    return pairs;
}

// The pair as the Qt dialog takes it: the description shown, its patterns in
// brackets (hidden), and "*.*" as "*" so that names without a point match too.
QString qtNameFilter(const FilterPair& pair) {
    QStringList patterns;
    for (const QString& pattern : Platform::Ui::toQString(pair.pattern).split(';', Qt::SkipEmptyParts))
        patterns << (pattern.trimmed() == "*.*" ? QStringLiteral("*") : pattern.trimmed());
    return Platform::Ui::toQString(pair.description) + " (" + patterns.join(' ') + ")";
}

// The file dialog whose OK the hook may veto: the veto comes after the
// dialog's own checks, as the file-OK notification did.
class HookedFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    std::function<bool()> confirm;
    // A folder typed into the name box is entered by accept, which does
    // not tell directoryEntered.
    std::function<void(const QString&)> folderEntered;

    void accept() override {
        const QString before = directory().absolutePath();
        QFileDialog::accept();
        if (folderEntered && directory().absolutePath() != before)
            folderEntered(directory().absolutePath());
    }

    void done(int result) override {
        if (result == QDialog::Accepted && confirm && !confirm())
            return;
        QFileDialog::done(result);
    }
};

// Runs a dialog modally through the seam; true when it ended with OK. A
// dialog that the hook placed into another window runs that window.
bool runModal(QDialog& dialog) {
    auto* top = qobject_cast<QDialog*>(dialog.window());
    if (!top || top == &dialog)
        return Platform::Ui::ShowModal(dialog) == QDialog::Accepted;
    bool accepted = false;
    auto finished = QObject::connect(&dialog, &QDialog::finished, top, [&accepted, top](int result) {
        accepted = result == QDialog::Accepted;
        top->done(result);
    });
    Platform::Ui::ShowModal(*top);
    QObject::disconnect(finished);
    return accepted;
}

// Runs one of the dialogs other than the file dialogs, whose hook sees
// only its creation and its end.
bool runHooked(QDialog& dialog, bool hook) {
    if (hook)
        hookEntry(windowId(&dialog), HookMessage::InitDialog, 0, 0);
    const bool accepted = runModal(dialog);
    if (hook)
        hookEntry(windowId(&dialog), HookMessage::Destroy, 0, 0);
    return accepted;
}

QPageSize pageSizeOf(int32_t paperSize) {
    switch (paperSize) {
    case epsLetter:
    case epsLetterSmall:
        return QPageSize(QPageSize::Letter);
    case epsTabloid:
        return QPageSize(QPageSize::Tabloid);
    case epsLedger:
        return QPageSize(QPageSize::Ledger);
    case epsLegal:
        return QPageSize(QPageSize::Legal);
    case epsStatement:
        return QPageSize(QPageSize::Statement);
    case epsExecutive:
        return QPageSize(QPageSize::Executive);
    case epsA3:
        return QPageSize(QPageSize::A3);
    case epsA4:
    case epsA4Small:
        return QPageSize(QPageSize::A4);
    case epsA5:
        return QPageSize(QPageSize::A5);
    case epsB4:
        return QPageSize(QPageSize::B4);
    case epsB5:
        return QPageSize(QPageSize::B5);
    case epsFolio:
        return QPageSize(QPageSize::Folio);
    case epsQuarto:
        return QPageSize(QPageSize::Quarto);
    case epsNote:
        return QPageSize(QPageSize::Note);
    case epsEnv9:
        return QPageSize(QPageSize::Envelope9);
    case epsEnv10:
        return QPageSize(QPageSize::Comm10E);
    case epsEnv11:
        return QPageSize(QPageSize::Envelope11);
    case epsEnv12:
        return QPageSize(QPageSize::Envelope12);
    case epsEnv14:
        return QPageSize(QPageSize::Envelope14);
    case epsEnvDL:
        return QPageSize(QPageSize::DLE);
    case epsEnvC5:
        return QPageSize(QPageSize::C5E);
    case epsEnvC3:
        return QPageSize(QPageSize::EnvelopeC3);
    case epsEnvC4:
        return QPageSize(QPageSize::EnvelopeC4);
    case epsEnvC6:
        return QPageSize(QPageSize::EnvelopeC6);
    case epsEnvC65:
        return QPageSize(QPageSize::EnvelopeC65);
    case epsEnvB4:
        return QPageSize(QPageSize::EnvelopeB4);
    case epsEnvB5:
        return QPageSize(QPageSize::EnvelopeB5);
    case epsEnvB6:
        return QPageSize(QPageSize::EnvelopeB6);
    case epsEnvItaly:
        return QPageSize(QPageSize::EnvelopeItalian);
    case epsEnvMonarch:
        return QPageSize(QPageSize::EnvelopeMonarch);
    case epsEnvPersonal:
        return QPageSize(QPageSize::EnvelopePersonal);
    case epsFanfoldUS:
        return QPageSize(QPageSize::FanFoldUS);
    case epsFanfoldStdGerman:
        return QPageSize(QPageSize::FanFoldGerman);
    case epsFanfoldLglGerman:
        return QPageSize(QPageSize::FanFoldGermanLegal);
    default:
        return {};
    }
}

// The paper number of a page size; epsUser for one that has none.
int32_t paperSizeOf(const QPageSize& size) {
    for (int32_t paper = epsLetter; paper <= epsFanfoldLglGerman; ++paper) {
        QPageSize candidate = pageSizeOf(paper);
        if (candidate.isValid() && candidate.id() == size.id())
            return paper;
    }
    return epsUser;
}

int32_t orientationOf(const QPrinter& printer) {
    return printer.pageLayout().orientation() == QPageLayout::Landscape ? eoLandscape : eoPortrait;
}

// Hands the chosen settings to the caller's printer object by name; a
// property it lacks is passed over, as the dialogs always did.
void applyToPrinter(const Automation::Ref<Automation::Object>& printer, int32_t copies, int32_t orientation,
                    int32_t paperSize, int32_t quality) {
    if (!printer)
        return;
    const std::pair<const char*, int32_t> settings[] = {{"Copies", copies},
                                                        {"Orientation", orientation},
                                                        {"PaperSize", paperSize},
                                                        {"PrintQuality", quality}};
    for (const auto& [name, value] : settings) {
        try {
            Automation::putProperty(*printer, name, Automation::Variant(value));
        } catch (const Automation::Error&) {
        }
    }
}

int32_t qualityOf(const QPrinter& printer) {
    return printer.resolution() >= 600 ? epqHigh : epqMedium;
}

} // namespace

// The hook reaches this object and its sink only between these two points.
class GCommonDialog::HookScope {
public:
    HookScope(GCommonDialog& dialog, bool hook, const Automation::Ref<Automation::Object>& sink)
        : dialog_(dialog), hook_(hook) {
        if (!hook_)
            return;
        previous_ = std::exchange(currentDialog, &dialog_);
        dialog_.eventSink_ = sink;
    }
    ~HookScope() {
        if (!hook_)
            return;
        dialog_.eventSink_ = nullptr;
        currentDialog = previous_;
    }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;

private:
    GCommonDialog& dialog_;
    bool hook_;
    GCommonDialog* previous_ = nullptr;
};

struct GCommonDialog::FileRequest {
    bool save;
    std::string& filename;
    std::string& fileTitle;
    std::string& filter;
    int32_t& filterIndex;
    const std::string& initDir;
    const std::string& title;
    const std::string& defaultExt;
    int32_t owner;
    int32_t& flags;
    int32_t dialogFlags;
    bool multiSelect;
    bool fileMustExist;
    bool hook;
    const Automation::Ref<Automation::Object>& sink;
};

bool GCommonDialog::failed(int32_t extendedError) {
    apiReturn_ = kFailed;
    extendedError_ = extendedError;
    return false;
}

int32_t GCommonDialog::DialogHook(int32_t hDlg, int32_t msg, int32_t wParam, int32_t lParam) {
    // A handler may drop the sink; keep it for the call.
    auto sinkObject = eventSink_;
    auto* sink = dynamic_cast<IDialogHookSink*>(sinkObject.get());
    if (!sink)
        return 0;
    switch (msg) {
    case HookMessage::InitDialog:
        return sink->InitDialog(hDlg);
    case HookMessage::Destroy:
        sink->DialogClose();
        return 0;
    case HookMessage::Command:
        sink->WMCommand(hDlg, wParam, lParam);
        return 0;
    case HookMessage::Notify:
        switch (lParam) {
        case HookMessage::TypeChange:
            return sink->TypeChange(hDlg);
        case HookMessage::FileOK:
            // 1 keeps the dialog open.
            return sink->ConfirmOK() ? 0 : 1;
        case HookMessage::FolderChange:
            return sink->FolderChange(hDlg);
        case HookMessage::SelectionChange:
            return sink->FileChange(hDlg);
        default:
            return 0;
        }
    default:
        return 0;
    }
}

bool GCommonDialog::runFileDialog(FileRequest& request) {
    apiReturn_ = 0;
    extendedError_ = 0;
    const auto pairs = filterPairs(request.filter);
    QWidget* parent = nullptr;
    if (!findOwner(request.owner, parent))
        extendedError_ = CDERR_DIALOGFAILURE;
    else if (request.filename.find('\0') != std::string::npos && !request.multiSelect)
        extendedError_ = FNERR_INVALIDFILENAME;
    bool accepted = false;
    QStringList chosen;
    QString chosenFilter;
    if (extendedError_ == 0) {
        QPointer<HookedFileDialog> dialog = new HookedFileDialog(parent);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setOption(QFileDialog::HideNameFilterDetails);
        dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (request.save)
            dialog->setOption(QFileDialog::DontConfirmOverwrite,
                              (request.dialogFlags & OFN_OVERWRITEPROMPT) == 0);
        dialog->setFileMode(request.multiSelect     ? QFileDialog::ExistingFiles
                            : request.fileMustExist ? QFileDialog::ExistingFile
                                                    : QFileDialog::AnyFile);
        QStringList nameFilters;
        for (const auto& pair : pairs)
            nameFilters << qtNameFilter(pair);
        if (!nameFilters.isEmpty()) {
            dialog->setNameFilters(nameFilters);
            const int32_t index = request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()
                                      ? request.filterIndex - 1
                                      : 0;
            dialog->selectNameFilter(nameFilters[index]);
        }
        if (!request.title.empty())
            dialog->setWindowTitle(Platform::Ui::toQString(request.title));
        dialog->setDefaultSuffix(Platform::Ui::toQString(request.defaultExt));
        if (!request.initDir.empty())
            dialog->setDirectory(Platform::Ui::toQString(request.initDir));
        if (!request.filename.empty())
            dialog->selectFile(Platform::Ui::toQString(request.filename));

        HookScope scope(*this, request.hook, request.sink);
        if (request.hook) {
            auto hDlg = [dialog] { return dialog ? windowId(dialog) : 0; };
            auto lastFolder = std::make_shared<QString>();
            auto folderChanged = [hDlg, lastFolder](const QString& folder) {
                if (folder == *lastFolder)
                    return;
                *lastFolder = folder;
                hookEntry(hDlg(), HookMessage::Notify, 0, HookMessage::FolderChange);
            };
            QObject::connect(dialog, &QFileDialog::directoryEntered, dialog, folderChanged);
            dialog->folderEntered = folderChanged;
            QObject::connect(dialog, &QFileDialog::currentChanged, dialog, [hDlg] {
                hookEntry(hDlg(), HookMessage::Notify, 0, HookMessage::SelectionChange);
            });
            QObject::connect(dialog, &QFileDialog::filterSelected, dialog,
                             [hDlg] { hookEntry(hDlg(), HookMessage::Notify, 0, HookMessage::TypeChange); });
            dialog->confirm = [hDlg] {
                return hookEntry(hDlg(), HookMessage::Notify, 0, HookMessage::FileOK) == 0;
            };
            hookEntry(hDlg(), HookMessage::InitDialog, 0, 0);
            // The start folder counts as the first folder change.
            if (dialog)
                folderChanged(dialog->directory().absolutePath());
        }
        if (dialog) {
            accepted = runModal(*dialog);
            if (request.hook)
                hookEntry(windowId(dialog), HookMessage::Destroy, 0, 0);
        }
        if (dialog) {
            chosen = dialog->selectedFiles();
            chosenFilter = dialog->selectedNameFilter();
            delete dialog.data();
        } else {
            accepted = false;
        }
    }
    if (accepted && !chosen.isEmpty()) {
        apiReturn_ = 1;
        if (request.multiSelect) {
            // Several names: the folder, then each name, NUL after each and
            // one more at the end; a single name stands as a full path.
            std::string buffer;
            if (chosen.size() == 1) {
                buffer = Platform::Ui::fromQString(chosen.front());
            } else {
                buffer = Platform::Ui::fromQString(QFileInfo(chosen.front()).absolutePath());
                for (const QString& file : chosen)
                    buffer += '\0' + Platform::Ui::fromQString(QFileInfo(file).fileName());
            }
            request.filename = buffer + std::string(2, '\0');
        } else {
            request.filename = Platform::Ui::fromQString(chosen.front());
        }
        request.fileTitle = VBGetFileTitle(Platform::Ui::fromQString(chosen.front()));
        request.flags = request.dialogFlags;
        for (size_t i = 0; i < pairs.size(); ++i) {
            // With the details hidden, the dialog names a pair by its description.
            if (qtNameFilter(pairs[i]) == chosenFilter ||
                Platform::Ui::toQString(pairs[i].description).trimmed() == chosenFilter) {
                request.filterIndex = static_cast<int32_t>(i + 1);
                request.filter = pairs[i].description + '\0' + pairs[i].pattern;
                break;
            }
        }
        return true;
    }
    if (extendedError_ != 0)
        apiReturn_ = kFailed;
    request.filename.clear();
    request.fileTitle.clear();
    request.flags = 0;
    request.filterIndex = -1;
    request.filter.clear();
    return false;
}

bool GCommonDialog::VBGetOpenFileName2(std::string& Filename, std::string& FileTitle, bool FileMustExist,
                                       bool MultiSelect, bool& ReadOnly, bool HideReadOnly,
                                       std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                                       const std::string& DlgTitle, const std::string& DefaultExt,
                                       int32_t Owner, int32_t& Flags, bool Hook, int32_t hInstance,
                                       int32_t TemplateName,
                                       const Automation::Ref<Automation::Object>& EventSink) {
    (void)TemplateName; // no dialog templates exist here: the bit only travels in the flags
    int32_t dialogFlags = (ReadOnly ? OFN_READONLY : 0) | (HideReadOnly ? OFN_HIDEREADONLY : 0) |
                          (FileMustExist ? OFN_FILEMUSTEXIST : 0) |
                          (MultiSelect ? OFN_ALLOWMULTISELECT | OFN_EXPLORER : 0);
    if ((Flags & OFN_ENABLETEMPLATE) != 0 && hInstance > 0)
        dialogFlags |= OFN_ENABLETEMPLATE;
    if (Hook)
        dialogFlags |= OFN_ENABLEHOOK | OFN_EXPLORER;
    FileRequest request{false,       Filename,    FileTitle,     Filter, FilterIndex,
                        InitDir,     DlgTitle,    DefaultExt,    Owner,  Flags,
                        dialogFlags, MultiSelect, FileMustExist, Hook,   EventSink};
    bool ok = runFileDialog(request);
    ReadOnly = ok && (Flags & OFN_READONLY) != 0;
    return ok;
}

bool GCommonDialog::VBGetOpenFileName(std::string& Filename, std::string& FileTitle, bool FileMustExist,
                                      bool MultiSelect, bool& ReadOnly, bool HideReadOnly,
                                      std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                                      const std::string& DlgTitle, const std::string& DefaultExt,
                                      int32_t Owner, int32_t& Flags, bool Hook,
                                      const Automation::Ref<Automation::Object>& EventSink) {
    Flags &= ~OFN_ENABLETEMPLATE;
    return VBGetOpenFileName2(Filename, FileTitle, FileMustExist, MultiSelect, ReadOnly, HideReadOnly, Filter,
                              FilterIndex, InitDir, DlgTitle, DefaultExt, Owner, Flags, Hook, 0, 0,
                              EventSink);
}

bool GCommonDialog::VBGetSaveFileName2(std::string& Filename, std::string& FileTitle, bool OverWritePrompt,
                                       std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                                       const std::string& DlgTitle, const std::string& DefaultExt,
                                       int32_t Owner, int32_t& Flags, bool Hook, int32_t hInstance,
                                       int32_t TemplateName,
                                       const Automation::Ref<Automation::Object>& EventSink) {
    (void)TemplateName;
    int32_t dialogFlags = (OverWritePrompt ? OFN_OVERWRITEPROMPT : 0) | OFN_HIDEREADONLY;
    if ((Flags & OFN_ENABLETEMPLATE) != 0 && hInstance > 0)
        dialogFlags |= OFN_ENABLETEMPLATE;
    // The hook comes in as for open: its bit and the Explorer style.
    if (Hook)
        dialogFlags |= OFN_ENABLEHOOK | OFN_EXPLORER;
    FileRequest request{true,  Filename, FileTitle,   Filter, FilterIndex, InitDir, DlgTitle, DefaultExt,
                        Owner, Flags,    dialogFlags, false,  false,       Hook,    EventSink};
    return runFileDialog(request);
}

bool GCommonDialog::VBGetSaveFileName(std::string& Filename, std::string& FileTitle, bool OverWritePrompt,
                                      std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                                      const std::string& DlgTitle, const std::string& DefaultExt,
                                      int32_t Owner, int32_t& Flags, bool Hook,
                                      const Automation::Ref<Automation::Object>& EventSink) {
    Flags &= ~OFN_ENABLETEMPLATE;
    return VBGetSaveFileName2(Filename, FileTitle, OverWritePrompt, Filter, FilterIndex, InitDir, DlgTitle,
                              DefaultExt, Owner, Flags, Hook, 0, 0, EventSink);
}

std::string GCommonDialog::VBGetFileTitle(const std::string& sFIle) {
    const size_t slash = sFIle.find_last_of('/');
    return slash == std::string::npos ? sFIle : sFIle.substr(slash + 1);
}

int32_t SystemColor(int32_t index) {
    // The application palette's nearest roles for the platform's colour indexes.
    static constexpr QPalette::ColorRole kRoles[] = {QPalette::Mid,
                                                     QPalette::Dark,
                                                     QPalette::Highlight,
                                                     QPalette::Mid,
                                                     QPalette::Window,
                                                     QPalette::Base,
                                                     QPalette::Shadow,
                                                     QPalette::WindowText,
                                                     QPalette::Text,
                                                     QPalette::HighlightedText,
                                                     QPalette::Mid,
                                                     QPalette::Midlight,
                                                     QPalette::Dark,
                                                     QPalette::Highlight,
                                                     QPalette::HighlightedText,
                                                     QPalette::Button,
                                                     QPalette::Shadow,
                                                     QPalette::PlaceholderText,
                                                     QPalette::ButtonText,
                                                     QPalette::WindowText,
                                                     QPalette::Light,
                                                     QPalette::Shadow,
                                                     QPalette::Midlight,
                                                     QPalette::ToolTipText,
                                                     QPalette::ToolTipBase,
                                                     QPalette::Window,
                                                     QPalette::Link,
                                                     QPalette::Highlight,
                                                     QPalette::Mid,
                                                     QPalette::Highlight,
                                                     QPalette::Window};
    if (index < 0 || index >= static_cast<int32_t>(std::size(kRoles)))
        return -1;
    return toColorValue(QApplication::palette().color(QPalette::Active, kRoles[index]));
}

void GCommonDialog::fillCustomColors() {
    if (customColorsFilled_)
        return;
    for (int32_t i = 0; i < 16; ++i)
        customColors_[static_cast<size_t>(i)] = SystemColor(i);
    customColorsFilled_ = true;
}

int32_t GCommonDialog::CustomColor(int32_t i) {
    fillCustomColors();
    return i >= 0 && i < 16 ? customColors_[static_cast<size_t>(i)] : -1;
}

void GCommonDialog::setCustomColor(int32_t i, int32_t value) {
    fillCustomColors();
    if (i >= 0 && i < 16)
        customColors_[static_cast<size_t>(i)] = value;
}

bool GCommonDialog::VBChooseColor(int32_t& Color, bool AnyColor, bool FullOpen, bool DisableFullOpen,
                                  int32_t Owner, int32_t Flags, bool Hook,
                                  const Automation::Ref<Automation::Object>& EventSink) {
    // Qt's colour dialog is always fully open and offers any colour.
    (void)AnyColor;
    (void)FullOpen;
    (void)DisableFullOpen;
    (void)Flags;
    apiReturn_ = 0;
    extendedError_ = 0;
    fillCustomColors();
    QWidget* parent = nullptr;
    if (!findOwner(Owner, parent)) {
        Color = -1;
        return failed(CDERR_DIALOGFAILURE);
    }
    QColorDialog dialog(parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, fromColorValue(customColors_[static_cast<size_t>(i)]));
    if (Color >= 0)
        dialog.setCurrentColor(fromColorValue(Color));
    HookScope scope(*this, Hook, EventSink);
    const bool accepted = runHooked(dialog, Hook);
    for (int i = 0; i < 16; ++i)
        customColors_[static_cast<size_t>(i)] = toColorValue(QColorDialog::customColor(i));
    if (!accepted) {
        Color = -1;
        return false;
    }
    apiReturn_ = 1;
    Color = toColorValue(dialog.currentColor());
    return true;
}

bool GCommonDialog::VBChooseFont(QFont& CurFont, int32_t PrinterDC, int32_t Owner, int32_t& Color,
                                 int32_t MinSize, int32_t MaxSize, int32_t& Flags, bool Hook,
                                 const Automation::Ref<Automation::Object>& EventSink) {
    (void)PrinterDC; // no device contexts here: screen and printer fonts are the same fonts
    apiReturn_ = 0;
    extendedError_ = 0;
    const bool limit = MinSize > 0 || MaxSize > 0;
    int32_t dialogFlags = (Flags & CF_PRINTERFONTS) != 0 ? CF_PRINTERFONTS : CF_SCREENFONTS;
    dialogFlags |= Flags & ~(CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_APPLY | CF_BOTH);
    dialogFlags |= CF_INITTOLOGFONTSTRUCT;
    if (Color != 0)
        dialogFlags |= CF_EFFECTS;
    if (limit)
        dialogFlags |= CF_LIMITSIZE;
    if (Hook)
        dialogFlags |= CF_ENABLEHOOK;
    QWidget* parent = nullptr;
    if (!findOwner(Owner, parent))
        extendedError_ = CDERR_DIALOGFAILURE;
    else if (limit && MaxSize > 0 && MinSize > MaxSize)
        extendedError_ = CFERR_MAXLESSTHANMIN;
    if (extendedError_ != 0)
        return failed(extendedError_);
    QFontDialog dialog(CurFont, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if ((Flags & CF_FIXEDPITCHONLY) != 0)
        dialog.setOption(QFontDialog::MonospacedFonts);
    if ((Flags & (CF_SCALABLEONLY | CF_TTONLY)) != 0)
        dialog.setOption(QFontDialog::ScalableFonts);
    HookScope scope(*this, Hook, EventSink);
    const bool accepted = runHooked(dialog, Hook);
    if (!accepted)
        return false;
    apiReturn_ = 1;
    QFont chosen = dialog.currentFont();
    // Qt's dialog offers every size; the limits hold on the way back.
    if (limit && chosen.pointSizeF() > 0) {
        double size = chosen.pointSizeF();
        if (MinSize > 0 && size < MinSize)
            size = MinSize;
        if (MaxSize > 0 && size > MaxSize)
            size = MaxSize;
        chosen.setPointSizeF(size);
    }
    CurFont = chosen;
    Flags = dialogFlags;
    return true;
}

bool GCommonDialog::VBPrintDlg(int32_t& hdc, int32_t& PrintRange, bool DisablePageNumbers, int32_t& FromPage,
                               int32_t& ToPage, bool DisableSelection, int32_t& Copies, bool ShowPrintToFile,
                               bool DisablePrintToFile, bool& PrintToFile, bool& Collate, bool PreventWarning,
                               int32_t Owner, const Automation::Ref<Automation::Object>& Printer,
                               int32_t& Flags, bool Hook,
                               const Automation::Ref<Automation::Object>& EventSink) {
    apiReturn_ = 0;
    extendedError_ = 0;
    int32_t dialogFlags = Flags | (DisablePageNumbers ? PD_NOPAGENUMS : 0) |
                          (DisableSelection ? PD_NOSELECTION : 0) | (PrintToFile ? PD_PRINTTOFILE : 0) |
                          (Collate ? PD_COLLATE : 0) | (PreventWarning ? PD_NOWARNING : 0) |
                          (DisablePrintToFile ? PD_DISABLEPRINTTOFILE : 0) |
                          (ShowPrintToFile ? 0 : PD_HIDEPRINTTOFILE) | PD_USEDEVMODECOPIES | PD_RETURNDC;
    if (PrintRange == eprPageNumbers)
        dialogFlags |= PD_PAGENUMS;
    else if (PrintRange == eprSelection)
        dialogFlags |= PD_SELECTION;
    dialogFlags &= ~(PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE | PD_ENABLESETUPHOOK | 0x8000);
    if (Hook)
        dialogFlags |= (dialogFlags & PD_PRINTSETUP) != 0 ? PD_ENABLESETUPHOOK : PD_ENABLEPRINTHOOK;
    QWidget* parent = nullptr;
    if (!findOwner(Owner, parent))
        return failed(CDERR_DIALOGFAILURE);
    QPrinter printer;
    printer.setCopyCount(Copies > 0 ? Copies : 1);
    printer.setCollateCopies(Collate);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, 65535);
    if (FromPage >= 1 && FromPage <= ToPage && ToPage <= 65535)
        dialog.setFromTo(FromPage, ToPage);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, !DisableSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !DisablePageNumbers);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, ShowPrintToFile && !DisablePrintToFile);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setPrintRange(PrintRange == eprPageNumbers ? QAbstractPrintDialog::PageRange
                         : PrintRange == eprSelection ? QAbstractPrintDialog::Selection
                                                      : QAbstractPrintDialog::AllPages);
    HookScope scope(*this, Hook, EventSink);
    const bool accepted = runHooked(dialog, Hook);
    if (!accepted)
        return false;
    apiReturn_ = 1;
    // No device context exists here: the printer settings travel instead.
    hdc = 0;
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::PageRange:
        PrintRange = eprPageNumbers;
        break;
    case QAbstractPrintDialog::Selection:
        PrintRange = eprSelection;
        break;
    default:
        PrintRange = eprAll;
        break;
    }
    FromPage = dialog.fromPage();
    ToPage = dialog.toPage();
    PrintToFile = !printer.outputFileName().isEmpty();
    Copies = printer.copyCount();
    Collate = printer.collateCopies();
    Flags = dialogFlags;
    applyToPrinter(Printer, Copies, orientationOf(printer), paperSizeOf(printer.pageLayout().pageSize()),
                   qualityOf(printer));
    return true;
}

bool GCommonDialog::VBPageSetupDlg2(int32_t Owner, bool DisableMargins, bool DisableOrientation,
                                    bool DisablePaper, bool DisablePrinter, double& LeftMargin,
                                    double MinLeftMargin, double& RightMargin, double MinRightMargin,
                                    double& TopMargin, double MinTopMargin, double& BottomMargin,
                                    double MinBottomMargin, int32_t& PaperSize, int32_t& Orientation,
                                    int32_t& PrintQuality, int32_t Units,
                                    const Automation::Ref<Automation::Object>& Printer, int32_t Flags,
                                    bool Hook, const Automation::Ref<Automation::Object>& EventSink) {
    // Qt's page setup dialog cannot lock its parts; the minimum margins are the printer's own.
    (void)DisableMargins;
    (void)DisableOrientation;
    (void)DisablePaper;
    (void)DisablePrinter;
    (void)MinLeftMargin;
    (void)MinRightMargin;
    (void)MinTopMargin;
    (void)MinBottomMargin;
    (void)Flags;
    apiReturn_ = 0;
    extendedError_ = 0;
    QWidget* parent = nullptr;
    if (!findOwner(Owner, parent))
        return failed(CDERR_DIALOGFAILURE);
    // The record held hundredths of a millimetre or thousandths of an inch.
    const double factor = Units != 0 ? 100.0 : 1000.0;
    const QPageLayout::Unit unit = Units != 0 ? QPageLayout::Millimeter : QPageLayout::Inch;
    auto quantize = [factor](double value) { return std::round(value * factor) / factor; };
    QPrinter printer;
    QPageSize size = pageSizeOf(PaperSize);
    if (size.isValid())
        printer.setPageSize(size);
    printer.setPageOrientation(Orientation == eoLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(
        QMarginsF(quantize(LeftMargin), quantize(TopMargin), quantize(RightMargin), quantize(BottomMargin)),
        unit);
    QPageSetupDialog dialog(&printer, parent);
    HookScope scope(*this, Hook, EventSink);
    const bool accepted = runHooked(dialog, Hook);
    if (!accepted)
        return false;
    apiReturn_ = 1;
    const QMarginsF margins = printer.pageLayout().margins(unit);
    LeftMargin = quantize(margins.left());
    TopMargin = quantize(margins.top());
    RightMargin = quantize(margins.right());
    BottomMargin = quantize(margins.bottom());
    PaperSize = paperSizeOf(printer.pageLayout().pageSize());
    Orientation = orientationOf(printer);
    PrintQuality = qualityOf(printer);
    applyToPrinter(Printer, printer.copyCount(), Orientation, PaperSize, PrintQuality);
    return true;
}

bool GCommonDialog::VBPageSetupDlg(int32_t Owner, bool DisableMargins, bool DisableOrientation,
                                   bool DisablePaper, bool DisablePrinter, double& LeftMargin,
                                   double MinLeftMargin, double& RightMargin, double MinRightMargin,
                                   double& TopMargin, double MinTopMargin, double& BottomMargin,
                                   double MinBottomMargin, int32_t& PaperSize, int32_t& Orientation,
                                   int32_t& PrintQuality, int32_t Units,
                                   const Automation::Ref<Automation::Object>& Printer, int32_t Flags,
                                   bool Hook, const Automation::Ref<Automation::Object>& EventSink) {
    return VBPageSetupDlg2(Owner, DisableMargins, DisableOrientation, DisablePaper, DisablePrinter,
                           LeftMargin, MinLeftMargin, RightMargin, MinRightMargin, TopMargin, MinTopMargin,
                           BottomMargin, MinBottomMargin, PaperSize, Orientation, PrintQuality, Units,
                           Printer, Flags, Hook, EventSink);
}

} // namespace Scoutel
