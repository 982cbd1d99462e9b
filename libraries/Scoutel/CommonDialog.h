#pragma once
// The common dialogs as an object with the properties of a dialog control.
// Its show methods run GCommonDialog; with HookDialog set, the dialog's
// notifications come back as events, so that a client can add its own
// controls to the open dialog and veto its OK.
#include <cstdint>
#include <string>
#include <vector>

#include <QFont>

#include "Scoutel/GCommonDialog.h"
#include "automation/Event.h"
#include "automation/Object.h"
#include "automation/Ref.h"

namespace Scoutel {

class CommonDialog : public Automation::Object, public IDialogHookSink {
public:
    static constexpr Automation::ClassInfo classInfo{"{5C8E2B14-7A93-4F60-B1D5-0E3A9C6F7D28}",
                                                     "Scoutel.CommonDialog",
                                                     "{E07B4D39-12C6-48A5-9F3E-6D81A2C5B940}"};

    // hDlg of the hooked dialog's window.
    void WMCommand(int32_t hDlg, int32_t wParam, int32_t lParam) override;
    // Splits Filename into its folder and names; see the source.
    void ParseMultiFileName(std::string& sDir, std::vector<std::string>& sFiles, int32_t& iFileCount);
    void DialogClose() override;
    int32_t TypeChange(int32_t hDlg) override;
    int32_t InitDialog(int32_t hDlg) override;
    int32_t FileChange(int32_t hDlg) override;
    int32_t FolderChange(int32_t hDlg) override;
    // False when a DialogOK handler set bCancel.
    bool ConfirmOK() override;
    // Centres the dialog of hDlg on the window of oCentreTo's hwnd, or on the
    // work area when it has none.
    void CentreDialog(int32_t hDlg, const Automation::Ref<Automation::Object>& oCentreTo);
    void GetDialogSize(int32_t hDlg, int32_t& lL, int32_t& lT, int32_t& lW, int32_t& lH);
    void SetHelpPosition(int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t eWindowType);

    bool CancelError() const { return cancelError_; }
    void setCancelError(bool value) { cancelError_ = value; }
    const std::string& Filter() const { return filter_; }
    void setFilter(const std::string& value) { filter_ = value; }
    int32_t FilterIndex() const { return filterIndex_; }
    void setFilterIndex(int32_t value) { filterIndex_ = value; }
    const std::string& Filename() const { return filename_; }
    void setFilename(const std::string& value) { filename_ = value; }
    int32_t Color() const { return color_; }
    void setColor(int32_t value) { color_ = value; }
    int32_t Copies() const { return copies_; }
    void setCopies(int32_t value) { copies_ = value; }
    int32_t Flags() const { return flags_; }
    void setFlags(int32_t value) { flags_ = value; }
    const std::string& DialogTitle() const { return dialogTitle_; }
    void setDialogTitle(const std::string& value) { dialogTitle_ = value; }
    const std::string& DefaultExt() const { return defaultExt_; }
    void setDefaultExt(const std::string& value) { defaultExt_ = value; }
    const std::string& InitDir() const { return initDir_; }
    void setInitDir(const std::string& value) { initDir_ = value; }
    const std::string& FileTitle() const { return fileTitle_; }
    void setFileTitle(const std::string& value) { fileTitle_ = value; }
    const QFont& Font() const { return font_; }
    void setFont(const QFont& value) { font_ = value; }
    bool FontBold() const { return font_.bold(); }
    void setFontBold(bool value) { font_.setBold(value); }
    bool FontItalic() const { return font_.italic(); }
    void setFontItalic(bool value) { font_.setItalic(value); }
    std::string FontName() const;
    void setFontName(const std::string& value);
    double FontSize() const { return font_.pointSizeF(); }
    void setFontSize(double value);
    bool FontStrikethru() const { return font_.strikeOut(); }
    void setFontStrikethru(bool value) { font_.setStrikeOut(value); }
    bool FontUnderline() const { return font_.underline(); }
    void setFontUnderline(bool value) { font_.setUnderline(value); }
    int32_t FontColor() const { return fontColor_; }
    void setFontColor(int32_t value) { fontColor_ = value; }
    int32_t FromPage() const { return fromPage_; }
    void setFromPage(int32_t value) { fromPage_ = value; }
    int32_t ToPage() const { return toPage_; }
    void setToPage(int32_t value) { toPage_ = value; }
    // The owner window's id.
    int32_t hwnd() const { return hwnd_; }
    void sethwnd(int32_t value) { hwnd_ = value; }
    int32_t HelpCommand() const { return helpCommand_; }
    void setHelpCommand(int32_t value) { helpCommand_ = value; }
    const std::string& HelpContext() const { return helpContext_; }
    void setHelpContext(const std::string& value) { helpContext_ = value; }
    const std::string& HelpFile() const { return helpFile_; }
    void setHelpFile(const std::string& value) { helpFile_ = value; }
    const std::string& HelpKey() const { return helpKey_; }
    void setHelpKey(const std::string& value) { helpKey_ = value; }
    int32_t Max() const { return max_; }
    void setMax(int32_t value) { max_ = value; }
    int32_t MaxFileSize() const { return maxFileSize_; }
    void setMaxFileSize(int32_t value) { maxFileSize_ = value; }
    int32_t Min() const { return min_; }
    void setMin(int32_t value) { min_ = value; }
    const Automation::Ref<Automation::Object>& Object() const { return object_; }
    void setObject(Automation::Ref<Automation::Object> value) { object_ = std::move(value); }
    int16_t PrinterDefault() const { return printerDefault_; }
    void setPrinterDefault(int16_t value) { printerDefault_ = value; }
    int32_t CustomColor(int32_t i);
    void setCustomColor(int32_t i, int32_t value);
    bool HookDialog() const { return hookDialog_; }
    void setHookDialog(bool value) { hookDialog_ = value; }
    int32_t hInstance() const { return hInstance_; }
    void sethInstance(int32_t value) { hInstance_ = value; }
    int32_t TemplateName() const { return templateName_; }
    void setTemplateName(int32_t value) { templateName_ = value; }

    void ShowOpen();
    void ShowSave();
    void ShowColor();
    void ShowFont();
    void ShowPrinter();
    void ShowHelp();
    // Dialog templates live in Windows modules, which do not exist here:
    // no module is ever found, so hInstance becomes 0 and the file dialogs
    // run without a template, as they did when a module failed to load.
    void cdLoadLibrary(const std::string& DllName);
    // Nothing was loaded, so nothing is freed; hInstance keeps its value.
    void cdFreeLibrary() {}

    // The events share their names with the members that raise them.
    struct EventSet {
        Automation::Event<int32_t> InitDialog;
        Automation::Event<int32_t> FileChange;
        Automation::Event<int32_t> FolderChange;
        Automation::Event<bool&> DialogOK;
        Automation::Event<int32_t> TypeChange;
        Automation::Event<> DialogClose;
        Automation::Event<int32_t, int32_t, int32_t> WMCommand;
    } Events;

private:
    GCommonDialog& dialogs();
    // The window that a hook's hDlg stands for.
    QWidget* dialogWindow(int32_t hDlg) const;
    // Raises the error of a failed or cancelled dialog.
    void raiseFailure();

    Automation::Ref<GCommonDialog> dialogs_;
    bool fileDialog_ = false;

    bool cancelError_ = false;
    std::string filter_;
    int32_t filterIndex_ = 1;
    std::string filename_;
    int32_t color_ = 0;
    int32_t copies_ = 0;
    int32_t flags_ = 0;
    std::string dialogTitle_;
    std::string defaultExt_;
    std::string initDir_;
    std::string fileTitle_;
    QFont font_;
    int32_t fontColor_ = 0;
    int32_t fromPage_ = 0;
    int32_t toPage_ = 0;
    int32_t hwnd_ = 0;
    int32_t helpCommand_ = 0;
    std::string helpContext_;
    std::string helpFile_;
    std::string helpKey_;
    int32_t max_ = 0;
    int32_t maxFileSize_ = 0;
    int32_t min_ = 0;
    Automation::Ref<Automation::Object> object_;
    int16_t printerDefault_ = 0;
    bool hookDialog_ = false;
    int32_t hInstance_ = 0;
    int32_t templateName_ = 0;
};

} // namespace Scoutel
