#pragma once
// The common dialogs as plain functions: each fills its dialog from the
// arguments, runs it modally through the forms seam and hands the results
// back through its by-reference arguments. With Hook set, the dialog's
// notifications reach the EventSink (a CommonDialog) through DialogHook.
#include <array>
#include <cstdint>
#include <string>

#include <QFont>

#include "automation/Object.h"
#include "automation/Ref.h"

namespace Scoutel {

// What DialogHook calls on the sink, by the names the hook knows.
class IDialogHookSink {
public:
    virtual ~IDialogHookSink() = default;
    virtual int32_t InitDialog(int32_t hDlg) = 0;
    virtual void DialogClose() = 0;
    virtual int32_t TypeChange(int32_t hDlg) = 0;
    virtual bool ConfirmOK() = 0;
    virtual int32_t FolderChange(int32_t hDlg) = 0;
    virtual int32_t FileChange(int32_t hDlg) = 0;
    virtual void WMCommand(int32_t hDlg, int32_t wParam, int32_t lParam) = 0;
};

// The messages and notification codes that DialogHook dispatches; for a
// notification, lParam carries the code itself.
namespace HookMessage {
inline constexpr int32_t Destroy = 2;
inline constexpr int32_t Notify = 78;
inline constexpr int32_t InitDialog = 272;
inline constexpr int32_t Command = 273;
inline constexpr int32_t TypeChange = -607;
inline constexpr int32_t FileOK = -606;
inline constexpr int32_t FolderChange = -603;
inline constexpr int32_t SelectionChange = -602;
} // namespace HookMessage

class GCommonDialog : public Automation::Object {
public:
    static constexpr Automation::ClassInfo classInfo{"{3F1A7C52-8E04-4D6B-B9A2-51C6E0D7F834}",
                                                     "Scoutel.GCommonDialog",
                                                     "{A94D2E61-5B38-4F07-8C1D-E2F6B0935A7C}"};
    // What a dialog call returns when the dialog could not be shown.
    static constexpr int32_t kFailed = -1;

    int32_t DialogHook(int32_t hDlg, int32_t msg, int32_t wParam, int32_t lParam);
    int32_t APIReturn() const { return apiReturn_; }
    int32_t ExtendedError() const { return extendedError_; }

    bool VBGetOpenFileName2(std::string& Filename, std::string& FileTitle, bool FileMustExist,
                            bool MultiSelect, bool& ReadOnly, bool HideReadOnly, std::string& Filter,
                            int32_t& FilterIndex, const std::string& InitDir, const std::string& DlgTitle,
                            const std::string& DefaultExt, int32_t Owner, int32_t& Flags, bool Hook,
                            int32_t hInstance, int32_t TemplateName,
                            const Automation::Ref<Automation::Object>& EventSink);
    bool VBGetOpenFileName(std::string& Filename, std::string& FileTitle, bool FileMustExist,
                           bool MultiSelect, bool& ReadOnly, bool HideReadOnly, std::string& Filter,
                           int32_t& FilterIndex, const std::string& InitDir, const std::string& DlgTitle,
                           const std::string& DefaultExt, int32_t Owner, int32_t& Flags, bool Hook,
                           const Automation::Ref<Automation::Object>& EventSink);
    bool VBGetSaveFileName2(std::string& Filename, std::string& FileTitle, bool OverWritePrompt,
                            std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                            const std::string& DlgTitle, const std::string& DefaultExt, int32_t Owner,
                            int32_t& Flags, bool Hook, int32_t hInstance, int32_t TemplateName,
                            const Automation::Ref<Automation::Object>& EventSink);
    bool VBGetSaveFileName(std::string& Filename, std::string& FileTitle, bool OverWritePrompt,
                           std::string& Filter, int32_t& FilterIndex, const std::string& InitDir,
                           const std::string& DlgTitle, const std::string& DefaultExt, int32_t Owner,
                           int32_t& Flags, bool Hook, const Automation::Ref<Automation::Object>& EventSink);
    // The name of the file without its folder; empty for an empty path.
    std::string VBGetFileTitle(const std::string& sFIle);
    bool VBChooseColor(int32_t& Color, bool AnyColor, bool FullOpen, bool DisableFullOpen, int32_t Owner,
                       int32_t Flags, bool Hook, const Automation::Ref<Automation::Object>& EventSink);
    // Entry 0 to 15 of the custom colours; -1 for another index, whose writing is ignored.
    int32_t CustomColor(int32_t i);
    void setCustomColor(int32_t i, int32_t value);
    bool VBChooseFont(QFont& CurFont, int32_t PrinterDC, int32_t Owner, int32_t& Color, int32_t MinSize,
                      int32_t MaxSize, int32_t& Flags, bool Hook,
                      const Automation::Ref<Automation::Object>& EventSink);
    bool VBPrintDlg(int32_t& hdc, int32_t& PrintRange, bool DisablePageNumbers, int32_t& FromPage,
                    int32_t& ToPage, bool DisableSelection, int32_t& Copies, bool ShowPrintToFile,
                    bool DisablePrintToFile, bool& PrintToFile, bool& Collate, bool PreventWarning,
                    int32_t Owner, const Automation::Ref<Automation::Object>& Printer, int32_t& Flags,
                    bool Hook, const Automation::Ref<Automation::Object>& EventSink);
    bool VBPageSetupDlg2(int32_t Owner, bool DisableMargins, bool DisableOrientation, bool DisablePaper,
                         bool DisablePrinter, double& LeftMargin, double MinLeftMargin, double& RightMargin,
                         double MinRightMargin, double& TopMargin, double MinTopMargin, double& BottomMargin,
                         double MinBottomMargin, int32_t& PaperSize, int32_t& Orientation,
                         int32_t& PrintQuality, int32_t Units,
                         const Automation::Ref<Automation::Object>& Printer, int32_t Flags, bool Hook,
                         const Automation::Ref<Automation::Object>& EventSink);
    bool VBPageSetupDlg(int32_t Owner, bool DisableMargins, bool DisableOrientation, bool DisablePaper,
                        bool DisablePrinter, double& LeftMargin, double MinLeftMargin, double& RightMargin,
                        double MinRightMargin, double& TopMargin, double MinTopMargin, double& BottomMargin,
                        double MinBottomMargin, int32_t& PaperSize, int32_t& Orientation,
                        int32_t& PrintQuality, int32_t Units,
                        const Automation::Ref<Automation::Object>& Printer, int32_t Flags, bool Hook,
                        const Automation::Ref<Automation::Object>& EventSink);

private:
    struct FileRequest;
    bool runFileDialog(FileRequest& request);
    // A dialog that could not be shown.
    bool failed(int32_t extendedError);
    // Makes this the current dialog of the hook for the life of a call.
    class HookScope;
    void fillCustomColors();

    int32_t apiReturn_ = 0;
    int32_t extendedError_ = 0;
    Automation::Ref<Automation::Object> eventSink_;
    std::array<int32_t, 16> customColors_{};
    bool customColorsFilled_ = false;
};

// The system colour of a Windows colour index (0 to 30), as a colour value
// 0x00BBGGRR taken from the application's palette; -1 for another index.
int32_t SystemColor(int32_t index);

} // namespace Scoutel
